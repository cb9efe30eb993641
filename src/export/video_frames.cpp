// Self-contained samples: every frame's pixel data put into the movie file straight from the frame
// file, by the cheapest way the file systems allow; no frame passes through a block of memory.
#include "document/dpx_movie_file.h"
#include "export/export_problems.h"
#include "framefiles/frame_file_code.h"
#include "platform/log.h"
#include "platform/ordered_prefetch.h"

namespace {

// Frames opened and checked ahead of the worker at most: each holds its file open until it is copied.
constexpr int64_t kOpenAhead = 4;

} // namespace

OSErr DPXMovieFile::addVideoFramesToMedia(Media media) {
    const ExportSettings& s = m_exportSettings;
    const int64_t frameSize = int64_t(s.frameWidth) * s.frameHeight * 4;
    HandleOwner desc(makeExportImageDescription());
    if (!desc) {
        recordExportStop(memFullErr, "no memory for the image description");
        return memFullErr;
    }
    // The next frames are opened and checked while the current one is copied, so that storage that
    // costs a round trip per open keeps a few in flight.
    OrderedPrefetch<FetchedFrame> frames(
        s.inFrame, s.outFrame, s.readThreads > 1 ? s.readThreads : 0, kOpenAhead,
        [this](int64_t frame) { return fetchExportFrame(int32_t(frame), true); }, "export-read");
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
        // A frame of another size would give a sample that isn't a frame of the movie: it is not copied.
        if (!exportFrameHasTheSize(frame, fetched, "addVideoFramesToMedia")) {
            status = -1;
        } else if (status = fetched.readStatus; status != noErr) {
            recordExportStop(status,
                             name + ": couldn't read its pixel data (" + exportStatusText(status) + ")");
        } else if (status = addFrameFromFile(frame, media, *fetched.pixelFile, fetched.pixelOffset, frameSize,
                                             desc.get());
                   status == eofErr) {
            // The file shrank since its check: the stop of a frame found short at its check.
            NSLog("Frame #%d ends before its pixel data in addVideoFramesToMedia:\n", int(frame));
            recordExportStop(status,
                             name + ": couldn't read its pixel data (" + exportStatusText(status) + ")");
        } else if (status != noErr) {
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

OSErr DPXMovieFile::addFrameFromFile(int32_t frame, Media media, const ReadableFile& file, uint64_t offset,
                                     int64_t size, ImageDescriptionHandle imageDesc) {
    (void)frame;
    TimeValue sampleTime = 0;
    return AddMediaSampleFromFile(media, file, offset, (unsigned long)size, m_exportSettings.frameDuration,
                                  imageDesc, 1, 0, &sampleTime);
}
