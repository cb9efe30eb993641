// Self-contained samples: every frame's pixel data read through one frame block and copied into the
// movie file.
#include "document/dpx_movie_file.h"
#include "export/export_problems.h"
#include "framefiles/frame_file_code.h"
#include "platform/log.h"
#include "platform/ordered_prefetch.h"

OSErr DPXMovieFile::addVideoFramesToMedia(Media media) {
    const ExportSettings& s = m_exportSettings;
    const int64_t frameSize = int64_t(s.frameWidth) * s.frameHeight * 4;
    HandleOwner desc(makeExportImageDescription());
    if (!desc) {
        recordExportStop(memFullErr, "no memory for the image description");
        return memFullErr;
    }
    // Two blocks: one frame is read into one while the frame before is written from the other, so
    // that the source and the destination each go at their own pace. Memory stays at two frames.
    // Without a second block, or with no thread to read ahead, one block serves every frame.
    HandleOwner buffers[2] = {HandleOwner(NewHandleClear(Size(frameSize))), HandleOwner()};
    if (!buffers[0]) {
        recordExportStop(memFullErr, "no memory for a frame of " + std::to_string(frameSize) + " bytes");
        return memFullErr;
    }
    if (s.readThreads > 1)
        buffers[1].reset(NewHandleClear(Size(frameSize)));
    const int blocks = buffers[1] ? 2 : 1;
    OrderedPrefetch<FetchedFrame> frames(
        s.inFrame, s.outFrame, blocks - 1, blocks,
        [this, &buffers, blocks](int64_t frame) {
            return fetchExportFrame(int32_t(frame), buffers[frame % blocks].get());
        },
        "export-read");
    if (OSErr err = BeginMediaEdits(media); err != noErr) {
        recordExportStop(err, "couldn't begin writing the video: " + exportStatusText(err));
        return err;
    }

    OSErr status = noErr;
    m_currentFrame.store(s.inFrame);
    while (exportContinuesAt(m_currentFrame.load())) {
        const int32_t frame = m_currentFrame.load();
        const FetchedFrame fetched = frames.take(frame);
        if (!acceptExportFrame(frame, fetched, "addVideoFramesToMedia", status))
            break;
        const std::string& name = m_fileList[size_t(frame)];
        // Copying a frame of another size into the block would give a sample that mixes it with the
        // previous frame's bytes (smaller) or cut it (larger): it was not read.
        if (!exportFrameHasTheSize(frame, fetched, "addVideoFramesToMedia")) {
            status = -1;
        } else if (status = fetched.readStatus; status != noErr) {
            recordExportStop(status,
                             name + ": couldn't read its pixel data (" + exportStatusText(status) + ")");
        } else if (status = addFrame(frame, media, fetched.pixels, frameSize, desc.get()); status != noErr) {
            recordExportStop(status,
                             "couldn't write " + name + " into the movie: " + exportStatusText(status));
        }
        if (status != noErr)
            break;
        m_currentFrame.store(frame + 1);
    }

    // The samples added before a stop stay: the media is closed normally.
    OSErr endStatus = EndMediaEdits(media);
    if (endStatus != noErr)
        recordExportStop(endStatus, "couldn't finish writing the video: " + exportStatusText(endStatus));
    return status != noErr ? status : endStatus;
}

OSErr DPXMovieFile::addFrame(int32_t frame, Media media, Handle buffer, int64_t size,
                             ImageDescriptionHandle imageDesc) {
    (void)frame;
    TimeValue sampleTime = 0;
    return AddMediaSample(media, buffer, 0, (unsigned long)size, m_exportSettings.frameDuration, imageDesc, 1,
                          0, &sampleTime);
}
