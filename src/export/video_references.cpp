// Reference samples: each sample names its frame file through a data reference of its own and points
// at the pixel data inside it; nothing is copied.
#include "document/dpx_movie_file.h"
#include "document/video_image_description.h"
#include "export/export_problems.h"
#include "framefiles/frame_file_code.h"
#include "platform/bigendian.h"
#include "platform/log.h"

OSErr DPXMovieFile::addVideoReferencesToMedia(Media media) {
    const ExportSettings& s = m_exportSettings;
    m_bReferenceFramesDiffer.store(false);
    HandleOwner desc(makeExportImageDescription());
    if (!desc) {
        recordExportStop(memFullErr, "no memory for the image description");
        return memFullErr;
    }

    uint32_t firstSize = 0;
    int32_t firstOffset = 0;
    OSErr status = noErr;
    m_currentFrame.store(s.inFrame);
    while (exportContinuesAt(m_currentFrame.load())) {
        const int32_t frame = m_currentFrame.load();
        std::shared_ptr<FrameFile> reader = openExportFrame(frame, "addVideoReferencesToMedia", status);
        if (!reader)
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

        if (status == noErr) {
            auto* d = reinterpret_cast<uint8_t*>(*desc.get());
            be::writeU16(d + ImageDescriptionLayout::kDataRefIndex, uint16_t(index));
            be::writeU32(d + ImageDescriptionLayout::kResvd1, 0);
            be::writeU16(d + ImageDescriptionLayout::kResvd2, 0);

            const NSSize size = reader->frameSize();
            const uint32_t byteCount = uint32_t(size.width * size.height * 4.0f);
            const int32_t offset = reader->dataOffset();
            if (frame == s.inFrame) {
                firstSize = byteCount;
                firstOffset = offset;
                m_bReferenceFramesDiffer.store(false);
            } else if (byteCount != firstSize || offset != firstOffset) {
                m_bReferenceFramesDiffer.store(true);
            }
            TimeValue sampleTime = 0;
            status = AddMediaSampleReference(media, offset, byteCount, s.frameDuration, desc.get(), 1, 0,
                                             &sampleTime);
            if (status != noErr)
                recordExportStop(status,
                                 "couldn't add " + name + " to the movie: " + exportStatusText(status));
        }
        reader->closeFile();
        if (status != noErr)
            break;
        m_currentFrame.store(frame + 1);
    }
    return status;
}
