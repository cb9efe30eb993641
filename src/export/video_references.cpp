// Reference samples: each sample names its frame file through a data reference of its own and points
// at the pixel data inside it; nothing is copied.
#include "document/dpx_movie_file.h"
#include "document/video_image_description.h"
#include "export/export_problems.h"
#include "framefiles/frame_file_code.h"
#include "platform/bigendian.h"
#include "platform/log.h"
#include "platform/ordered_prefetch.h"

namespace {

// Frames whose headers are kept ahead of the worker at most.
constexpr int64_t kReferenceWindow = 256;

} // namespace

OSErr DPXMovieFile::addVideoReferencesToMedia(Media media) {
    const ExportSettings& s = m_exportSettings;
    m_bReferenceFramesDiffer.store(false);
    HandleOwner desc(makeExportImageDescription());
    if (!desc) {
        recordExportStop(memFullErr, "no memory for the image description");
        return memFullErr;
    }

    // The frames' headers are read ahead by several threads: on network storage each opening waits
    // for a round trip, and many can be under way at once. The checks below are made in order, here.
    OrderedPrefetch<FetchedFrame> frames(
        s.inFrame, s.outFrame, s.readThreads > 1 ? s.readThreads : 0, kReferenceWindow,
        [this](int64_t frame) { return fetchExportFrame(int32_t(frame), false); }, "export-read");
    int32_t firstOffset = 0;
    OSErr status = noErr;
    m_currentFrame.store(s.inFrame);
    while (exportContinuesAt(m_currentFrame.load())) {
        const int32_t frame = m_currentFrame.load();
        const FetchedFrame fetched = frames.take(frame);
        if (!acceptExportFrame(frame, fetched, "addVideoReferencesToMedia", status))
            break;
        const std::string& name = m_fileList[size_t(frame)];

        // The data reference names the file by its full path; the file itself is opened by the path
        // as the sequence has it, which the system resolves faster when it is relative.
        const std::string fullPath = exportPathOfFrame(frame);
        Handle dataRef = nullptr;
        OSType dataRefType = 0;
        status = QTNewDataReferenceFromFullPathCFString(fullPath, kQTNativeDefaultPathStyle, 0, &dataRef,
                                                        &dataRefType);
        HandleOwner dataRefOwner(dataRef);
        short index = 0;
        if (status != noErr || !dataRef) {
            NSLog("Couldn't make DataRef for file %s\n", fullPath.c_str());
            if (status == noErr)
                status = invalidDataRef;
            recordExportStop(status,
                             name + ": couldn't refer to the file (" + exportStatusText(status) + ")");
        } else {
            status = AddMediaDataRef(media, &index, dataRef, dataRefType);
            // Index -1 is the toolbox's answer past the 16-bit limit: written into the description
            // it would name no file, so the export stops here.
            if (index == -1) {
                NSLog("DataRefIndex = %d in addVideoReferencesToMedia: - last possible frame?\n", int(index));
                if (status == noErr)
                    status = badDataRefIndex;
            }
            if (status != noErr)
                recordExportStop(status, name + ": couldn't add its data reference (" +
                                             exportStatusText(status) + ")");
        }

        // A sample must be its frame: one of another size would carry its own byte count under the
        // document's image description, one past the end of its file would read what isn't there.
        // Both stop the export here, as the self-contained export stops.
        const int64_t byteCount = fetched.byteCount;
        const int32_t offset = fetched.dataOffset;
        if (status == noErr && !exportFrameHasTheSize(frame, fetched, "addVideoReferencesToMedia")) {
            status = -1;
        } else if (status == noErr &&
                   (offset < 0 || uint64_t(offset) + uint64_t(byteCount) > fetched.fileSize)) {
            NSLog("Frame #%d ends before its pixel data in addVideoReferencesToMedia:\n", int(frame));
            status = eofErr;
            recordExportStop(status, name + ": the file is " + std::to_string(fetched.fileSize) +
                                         " bytes, shorter than its pixel data offset " +
                                         std::to_string(offset) + " + " + std::to_string(byteCount) +
                                         " bytes");
        }

        if (status == noErr) {
            auto* d = reinterpret_cast<uint8_t*>(*desc.get());
            be::writeU16(d + ImageDescriptionLayout::kDataRefIndex, uint16_t(index));
            be::writeU32(d + ImageDescriptionLayout::kResvd1, 0);
            be::writeU16(d + ImageDescriptionLayout::kResvd2, 0);

            if (frame == s.inFrame) {
                firstOffset = offset;
                m_bReferenceFramesDiffer.store(false);
            } else if (offset != firstOffset) {
                m_bReferenceFramesDiffer.store(true);
            }
            TimeValue sampleTime = 0;
            status = AddMediaSampleReference(media, offset, (unsigned long)byteCount, s.frameDuration,
                                             desc.get(), 1, 0, &sampleTime);
            if (status != noErr)
                recordExportStop(status,
                                 "couldn't add " + name + " to the movie: " + exportStatusText(status));
        }
        if (status != noErr)
            break;
        m_currentFrame.store(frame + 1);
    }
    return status;
}
