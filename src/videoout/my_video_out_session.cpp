// MyVideoOut: output sessions and the frames shown in them.
#include "videoout/my_video_out.h"

#include "platform/bigendian.h"
#include "platform/component/sound_output.h"
#include "platform/component/video_out_timecode.h"
#include "platform/component/video_output.h"
#include "platform/log.h"
#include "videoout/image_description_fields.h"

#include <algorithm>

namespace {

// "TavoTV" as a Pascal string.
const unsigned char kClientName[] = {6, 'T', 'a', 'v', 'o', 'T', 'V'};

} // namespace

OSErr MyVideoOut::StartVideoOutForFrame(Ptr frame, Handle desc, OSType format, Fixed fps, int32_t mode) {
    if (!m_videoOutInstance)
        return invalidComponentID;
    if (!enabled())
        return noErr;
    if (!m_bVideoOutputInUse) {
        m_displayMode = mode != 0 ? mode : ChooseBestDisplayModeForImageDescription(desc, format, fps);
        if (OSErr status = StartVideoOut(); status != noErr)
            return status;
    }
    return frame ? SetVideoOutputFrame(frame, desc) : noErr;
}

OSErr MyVideoOut::StartVideoOut() {
    // After a failed start closed the instance, the menus' restarts find no device either.
    if (!m_videoOutInstance)
        return invalidComponentID;
    QTVideoOutputSetClientName(m_videoOutInstance, kClientName);
    QTVideoOutputSetDisplayMode(m_videoOutInstance, m_displayMode);

    OSErr status = OSErr(QTVideoOutputBegin(m_videoOutInstance));
    if (status != noErr) {
        NSLog("QTVideoOutputBegin() returned error %d\n", int(status));
        return status;
    }
    m_bVideoOutputInUse = true;

    m_soundOutComponent = nullptr;
    if (ComponentFunctionImplemented(m_videoOutInstance, kQTVideoOutputGetIndSoundOutputSelect))
        QTVideoOutputGetIndSoundOutput(m_videoOutInstance, 1, &m_soundOutComponent);
    if (m_soundOutComponent)
        status = setSoundOutputRate();

    if (status == noErr) {
        status = OSErr(QTVideoOutputGetGWorld(m_videoOutInstance, &m_VOutputGWorld));
        if (status == noErr)
            return noErr;
    }
    // The device was claimed but cannot be used: let go of it and of the instance.
    close();
    return status;
}

OSErr MyVideoOut::setSoundOutputRate() {
    SoundInfoList available;
    OSErr status = GetSoundOutputInfo(m_soundOutComponent, siSampleRateAvailable, &available);
    if (status != noErr)
        return status;
    HandleOwner rates(available.infoHandle);
    // Never read past the handle, whatever count the sound output claims.
    long count = std::min<long>(available.count, GetHandleSize(rates.get()) / 4);
    UnsignedFixed rate = 0;
    for (long i = 0; i < count; ++i) {
        rate = be::readU32(reinterpret_cast<const uint8_t*>(*rates.get()) + 4 * i);
        if (rate == 0)
            break;
    }
    // The rate travels as the info pointer's value.
    return SetSoundOutputInfo(m_soundOutComponent, siSampleRate,
                              reinterpret_cast<const void*>(uintptr_t(rate)));
}

void MyVideoOut::StopVideoOut() {
    if (m_bVideoOutputInUse) {
        // Both null: the device shows no timecode once the session is over.
        if (ComponentFunctionImplemented(m_videoOutInstance, kVideoOutSetTimeCodeSelect))
            VideoOutSetTimeCode(m_videoOutInstance, nullptr, nullptr);
        QTVideoOutputSetEchoPort(m_videoOutInstance, nullptr);
        QTVideoOutputEnd(m_videoOutInstance);
        m_bVideoOutputInUse = false;
        if (m_sequenceID != 0) {
            CDSequenceEnd(m_sequenceID);
            m_sequenceID = 0;
        }
    }
    m_VOutputGWorld = nullptr;
    m_soundOutComponent = nullptr;
}

OSErr MyVideoOut::SetVideoOutputFrame(Ptr frame, Handle desc) {
    if (!m_bVideoOutputInUse) {
        NSLog("Error: trying to call SetVideoOutFrame() when VideoOut is not running!\n");
        return -1;
    }
    ImageDescriptionFields fields;
    if (!ReadImageDescriptionFields(desc, &fields)) {
        NSLog("Error: invalid ImageDescriptionHandle in SetVideoOutFrame()\n");
        return -2;
    }
    // A sequence that cannot be opened logs its own failure; the frame step then reports too.
    if (m_sequenceID == 0)
        initDecompressSeqWithFrame(frame, desc);
    OSErr status = decompressOneFrame(frame, fields.dataSize);
    if (status != noErr)
        NSLog("Error %d returned from decompressOneFrame()\n", int(status));
    return status;
}

OSErr MyVideoOut::initDecompressSeqWithFrame(Ptr frame, Handle desc) {
    ImageDescriptionFields fields;
    ReadImageDescriptionFields(desc, &fields);
    Rect source;
    SetRect(&source, 0, 0, fields.width, fields.height);
    // No matrix: the picture keeps its size and lands at the surface's origin.
    OSErr status =
        DecompressSequenceBeginS(&m_sequenceID, desc, frame, long(fields.dataSize), m_VOutputGWorld, nullptr,
                                 &source, nullptr, srcCopy, nullptr, 0, codecNormalQuality, nullptr);
    if (status != noErr)
        NSLog("Error %d returned from DecompressSequenceBeginS\n", int(status));
    return status;
}

OSErr MyVideoOut::decompressOneFrame(Ptr frame, uint32_t size) {
    CodecFlags outFlags = 0;
    OSErr status = DecompressSequenceFrameS(m_sequenceID, frame, long(size), 0, &outFlags, nullptr);
    if (status != noErr)
        NSLog("Error %d returned from DecompressSequenceFrameS()\n", int(status));
    return status;
}
