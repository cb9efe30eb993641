// Cineon frames: the header, the checks, the pixel copy and the preview.
#include "framefiles/cineon_file.h"
#include "fuzz/fuzz_input.h"
#include "platform/log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LogCapture quiet(false); // per input: the readers' log lines are not wanted, nor kept
    FuzzInputFile input(data, size);
    if (!input.ok())
        return 0;
    std::shared_ptr<MyCineonFile> frame = MyCineonFile::initWithPath(input.path());
    if (!frame || !frame->fileOK())
        return 0;
    (void)frame->filename();
    (void)frame->declaredLayout();
    const int64_t bytes = frame->frameByteCount();
    HandleOwner buffer(NewHandle(Size(bytes)));
    if (buffer.get())
        frame->readFrameToBuffer(buffer.get());
    Ptr preview = NewPtr(Size(bytes));
    if (preview) {
        (void)frame->imageWithFrameBuffer(&preview);
        DisposePtr(preview);
    }
    return 0;
}
