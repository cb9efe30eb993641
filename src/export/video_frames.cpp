// Self-contained samples: every frame's pixel data read through one frame block and copied into the
// movie file.
#include "document/dpx_movie_file.h"
#include "export/export_problems.h"
#include "framefiles/frame_file_code.h"
#include "platform/log.h"

OSErr DPXMovieFile::addVideoFramesToMedia(Media media) {
    const ExportSettings& s = m_exportSettings;
    const int64_t frameSize = int64_t(s.frameWidth) * s.frameHeight * 4;
    HandleOwner desc(makeExportImageDescription());
    if (!desc) {
        recordExportStop(memFullErr, "no memory for the image description");
        return memFullErr;
    }
    // One block serves every frame: the reader fills it in place and the sample is written from it.
    HandleOwner buffer(NewHandleClear(Size(frameSize)));
    if (!buffer) {
        recordExportStop(memFullErr, "no memory for a frame of " + std::to_string(frameSize) + " bytes");
        return memFullErr;
    }
    if (OSErr err = BeginMediaEdits(media); err != noErr) {
        recordExportStop(err, "couldn't begin writing the video: " + exportStatusText(err));
        return err;
    }

    OSErr status = noErr;
    m_currentFrame.store(s.inFrame);
    while (exportContinuesAt(m_currentFrame.load())) {
        const int32_t frame = m_currentFrame.load();
        // The reader lives for this frame only.
        std::shared_ptr<FrameFile> reader = openExportFrame(frame, "addVideoFramesToMedia", status);
        if (!reader)
            break;
        const std::string& name = m_fileList[size_t(frame)];
        const NSSize size = reader->frameSize();
        if (int32_t(size.width) != s.frameWidth || int32_t(size.height) != s.frameHeight) {
            // Copying a frame of another size into the block would give a sample that mixes it
            // with the previous frame's bytes (smaller) or cut it (larger).
            NSLog("Frame #%d is %dx%d, not %dx%d, in addVideoFramesToMedia:\n", int(frame), int(size.width),
                  int(size.height), int(s.frameWidth), int(s.frameHeight));
            recordExportStop(-1, name + ": the frame is " + std::to_string(int32_t(size.width)) + "x" +
                                     std::to_string(int32_t(size.height)) + ", not " +
                                     std::to_string(s.frameWidth) + "x" + std::to_string(s.frameHeight));
            status = -1;
        } else if (status = reader->readFrameToBuffer(buffer.get()); status != noErr) {
            recordExportStop(status,
                             name + ": couldn't read its pixel data (" + exportStatusText(status) + ")");
        } else if (status = addFrame(frame, media, buffer.get(), frameSize, desc.get()); status != noErr) {
            recordExportStop(status,
                             "couldn't write " + name + " into the movie: " + exportStatusText(status));
        }
        reader->closeFile();
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
