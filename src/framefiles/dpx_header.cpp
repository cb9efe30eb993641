#include "framefiles/dpx_header.h"

#include "platform/bigendian.h"

#include <cstring>

namespace {

// Reads the fields of one section in order: each read takes the field at the current offset.
class FieldReader {
public:
    FieldReader(const uint8_t* bytes, size_t offset) : m_bytes(bytes), m_offset(offset) {}

    void u8(uint8_t& field) { field = m_bytes[m_offset++]; }
    void u16(uint16_t& field) {
        field = be::readU16(m_bytes, m_offset);
        m_offset += 2;
    }
    void u32(uint32_t& field) {
        field = be::readU32(m_bytes, m_offset);
        m_offset += 4;
    }
    void f32(float& field) {
        field = be::readF32(m_bytes, m_offset);
        m_offset += 4;
    }
    template <size_t N> void chars(DPXChars<N>& field) {
        std::memcpy(field.data(), m_bytes + m_offset, N);
        m_offset += N;
    }
    size_t offset() const { return m_offset; }

private:
    const uint8_t* m_bytes;
    size_t m_offset;
};

DPXFileInfoHeader decodeFileInfo(const uint8_t* bytes) {
    DPXFileInfoHeader h;
    FieldReader r(bytes, dpx::kFileInfoOffset);
    r.u32(h.magicNumber);
    r.u32(h.imageDataOffset);
    r.chars(h.headerVersion);
    r.u32(h.fileSize);
    r.u32(h.dittoKey);
    r.u32(h.genericHeaderLength);
    r.u32(h.industryHeaderLength);
    r.u32(h.userHeaderLength);
    r.chars(h.filename);
    r.chars(h.creationDateTime);
    r.chars(h.creator);
    r.chars(h.projectName);
    r.chars(h.copyright);
    r.u32(h.encryptionKey);
    r.chars(h.reserved);
    return h;
}

DPXImageElementHeader decodeImageElement(const uint8_t* bytes, size_t offset) {
    DPXImageElementHeader e;
    FieldReader r(bytes, offset);
    r.u32(e.dataSign);
    r.u32(e.referenceLowDataCode);
    r.f32(e.referenceLowQuantity);
    r.u32(e.referenceHighDataCode);
    r.f32(e.referenceHighQuantity);
    r.u8(e.descriptor);
    r.u8(e.transferCharacteristic);
    r.u8(e.colorimetricSpec);
    r.u8(e.bitDepth);
    r.u16(e.packing);
    r.u16(e.encoding);
    r.u32(e.offset);
    r.u32(e.lineEndPadding);
    r.u32(e.imageEndPadding);
    r.chars(e.description);
    return e;
}

DPXImageInfoHeader decodeImageInfo(const uint8_t* bytes) {
    DPXImageInfoHeader h;
    FieldReader r(bytes, dpx::kImageInfoOffset);
    r.u16(h.orientation);
    r.u16(h.numImageElements);
    r.u32(h.pixelsPerLine);
    r.u32(h.numLines);
    for (size_t i = 0; i < h.imageElement.size(); ++i)
        h.imageElement[i] = decodeImageElement(bytes, dpx::kImageElementOffset + dpx::kImageElementSize * i);
    FieldReader tail(bytes, dpx::kImageElementOffset + dpx::kImageElementSize * h.imageElement.size());
    tail.chars(h.reserved);
    return h;
}

DPXImageSourceInfoHeader decodeSourceInfo(const uint8_t* bytes) {
    DPXImageSourceInfoHeader h;
    FieldReader r(bytes, dpx::kSourceInfoOffset);
    r.u32(h.xOffset);
    r.u32(h.yOffset);
    r.f32(h.xCenter);
    r.f32(h.yCenter);
    r.u32(h.xOrigSize);
    r.u32(h.yOrigSize);
    r.chars(h.sourceFilename);
    r.chars(h.sourceDateTime);
    r.chars(h.inputDeviceName);
    r.chars(h.inputDeviceSN);
    r.u16(h.borderXL);
    r.u16(h.borderXR);
    r.u16(h.borderYT);
    r.u16(h.borderYB);
    r.u32(h.hPixelAspect);
    r.u32(h.vPixelAspect);
    r.f32(h.xScannedSize);
    r.f32(h.yScannedSize);
    r.chars(h.reserved);
    return h;
}

DPXFilmInfoHeader decodeFilmInfo(const uint8_t* bytes) {
    DPXFilmInfoHeader h;
    FieldReader r(bytes, dpx::kFilmInfoOffset);
    r.chars(h.filmMfgrID);
    r.chars(h.filmType);
    r.chars(h.perfOffset);
    r.chars(h.prefix);
    r.chars(h.count);
    r.chars(h.format);
    r.u32(h.framePosition);
    r.u32(h.sequenceLength);
    r.u32(h.heldCount);
    r.f32(h.frameRate);
    r.f32(h.shutterAngle);
    r.chars(h.frameID);
    r.chars(h.slate);
    r.chars(h.reserved);
    return h;
}

DPXVideoInfoHeader decodeVideoInfo(const uint8_t* bytes) {
    DPXVideoInfoHeader h;
    FieldReader r(bytes, dpx::kVideoInfoOffset);
    r.u32(h.timeCode);
    r.u32(h.userBits);
    r.u8(h.interlace);
    r.u8(h.fieldNum);
    r.u8(h.videoStandard);
    r.u8(h.zero);
    r.f32(h.hSampleRate);
    r.f32(h.vSampleRate);
    r.f32(h.tSampleRate);
    r.f32(h.timeOffset);
    r.f32(h.gamma);
    r.f32(h.blackLevel);
    r.f32(h.blackGain);
    r.f32(h.breakpoint);
    r.f32(h.whiteLevel);
    r.f32(h.integrationTime);
    r.chars(h.reserved);
    return h;
}

} // namespace

DPXHeader DPXHeader::decode(const uint8_t* bytes) {
    DPXHeader header;
    header.fileInfo = decodeFileInfo(bytes);
    header.imageInfo = decodeImageInfo(bytes);
    header.sourceInfo = decodeSourceInfo(bytes);
    header.filmInfo = decodeFilmInfo(bytes);
    header.videoInfo = decodeVideoInfo(bytes);
    return header;
}
