// The image description of the video frames: 86 big-endian bytes declaring raw 10-bit RGB words
// of the chosen codec type.
#include "document/video_image_description.h"

#include "document/dpx_movie_file.h"
#include "platform/bigendian.h"

#include <cstring>

ImageDescriptionHandle DPXMovieFile::makeVideoImageDescription() {
    // The frame count is an export's (the frames a self-contained movie holds); no export has
    // counted any here, and the video output does not read it.
    return NewVideoImageDescription(m_codecType, m_frameWidth, m_frameHeight, 0);
}

ImageDescriptionHandle NewVideoImageDescription(OSType codecType, int32_t width, int32_t height,
                                                int32_t frameCount) {
    using namespace ImageDescriptionLayout;
    Handle h = NewHandle(Size(kSize));
    if (!h)
        return nullptr;
    HLock(h);
    auto* d = reinterpret_cast<uint8_t*>(*h);
    be::writeU32(d + kIdSize, uint32_t(kSize));
    be::writeU32(d + kCType, codecType);
    be::writeU32(d + kResvd1, 0);
    be::writeU16(d + kResvd2, 0);
    be::writeU16(d + kDataRefIndex, 0);
    be::writeU16(d + kVersion, 2);
    be::writeU16(d + kRevisionLevel, 0);
    be::writeU32(d + kVendor, FourCC("QexV"));
    be::writeU32(d + kTemporalQuality, 0);
    be::writeU32(d + kSpatialQuality, 0x400); // lossless
    be::writeU16(d + kWidth, uint16_t(width));
    be::writeU16(d + kHeight, uint16_t(height));
    be::writeU32(d + kHRes, 0x00480000); // 72.0
    be::writeU32(d + kVRes, 0x00480000);
    be::writeU32(d + kDataSize, uint32_t(width) * uint32_t(height) * 4u);
    be::writeU16(d + kFrameCount, uint16_t(frameCount));
    std::memset(d + kName, 0, kNameSize);
    const size_t nameLength = std::strlen(kCodecName);
    d[kName] = uint8_t(nameLength);
    std::memcpy(d + kName + 1, kCodecName, nameLength);
    be::writeU16(d + kDepth, 24);
    be::writeU16(d + kClutID, uint16_t(-1)); // no colour table
    HUnlock(h);
    return h;
}
