#include "framefiles/dpx_header.h"
#include "framefiles/dpx_timecode.h"
#include "framefiles/frame_file_code.h"
#include "framefiles/frame_layout.h"

#include "platform/bigendian.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string text(const char* data, size_t size) {
    return std::string(data, size);
}

} // namespace

// One distinct value in the first and last field of every section and at a few places between, so
// that a field read at a wrong offset shows.
TEST(DPXHeader, DecodesEachSectionAtItsOffsets) {
    std::vector<uint8_t> b(2048, 0);
    be::writeU32(&b[0], 0x53445058);
    be::writeU32(&b[4], 8192);
    std::memcpy(&b[8], "V2.0", 4);
    be::writeU32(&b[16], 966848);
    std::memcpy(&b[36], "shot_0001.dpx", 13);
    be::writeU32(&b[660], 0xFFFFFFFF);
    b[767] = 'r';
    be::writeU16(&b[768], 2);
    be::writeU16(&b[770], 1);
    be::writeU32(&b[772], 720);
    be::writeU32(&b[776], 486);
    be::writeF32(&b[788], 0.5f);
    b[800] = 50;
    b[803] = 10;
    be::writeU16(&b[804], 1);
    be::writeU32(&b[808], 8192);
    std::memcpy(&b[820], "IMAGE", 5);
    b[780 + 72 * 7 + 23] = 16; // element 7's bit depth
    b[1407] = 'i';
    be::writeU32(&b[1408], 11);
    be::writeF32(&b[1640], 1.25f);
    b[1663] = 's';
    std::memcpy(&b[1664], "KD", 2);
    be::writeF32(&b[1724], 24.0f);
    b[1919] = 'f';
    be::writeU32(&b[1920], 0x01020304);
    be::writeU32(&b[1924], 0xABCD);
    b[1928] = 1;
    be::writeF32(&b[1940], 23.976f);
    be::writeF32(&b[1968], 0.04f);
    b[2047] = 'v';

    DPXHeader h = DPXHeader::decode(b.data());
    EXPECT_EQ(h.fileInfo.magicNumber, 0x53445058u);
    EXPECT_EQ(h.fileInfo.imageDataOffset, 8192u);
    EXPECT_EQ(text(h.fileInfo.headerVersion.data(), 4), "V2.0");
    EXPECT_EQ(h.fileInfo.fileSize, 966848u);
    EXPECT_EQ(text(h.fileInfo.filename.data(), 13), "shot_0001.dpx");
    EXPECT_EQ(h.fileInfo.encryptionKey, 0xFFFFFFFFu);
    EXPECT_EQ(h.fileInfo.reserved.back(), 'r');
    EXPECT_EQ(h.imageInfo.orientation, 2);
    EXPECT_EQ(h.imageInfo.numImageElements, 1);
    EXPECT_EQ(h.imageInfo.pixelsPerLine, 720u);
    EXPECT_EQ(h.imageInfo.numLines, 486u);
    EXPECT_EQ(h.imageInfo.imageElement[0].referenceLowQuantity, 0.5f);
    EXPECT_EQ(h.imageInfo.imageElement[0].descriptor, 50);
    EXPECT_EQ(h.imageInfo.imageElement[0].bitDepth, 10);
    EXPECT_EQ(h.imageInfo.imageElement[0].packing, 1);
    EXPECT_EQ(h.imageInfo.imageElement[0].offset, 8192u);
    EXPECT_EQ(text(h.imageInfo.imageElement[0].description.data(), 5), "IMAGE");
    EXPECT_EQ(h.imageInfo.imageElement[7].bitDepth, 16);
    EXPECT_EQ(h.imageInfo.reserved.back(), 'i');
    EXPECT_EQ(h.sourceInfo.xOffset, 11u);
    EXPECT_EQ(h.sourceInfo.yScannedSize, 1.25f);
    EXPECT_EQ(h.sourceInfo.reserved.back(), 's');
    EXPECT_EQ(text(h.filmInfo.filmMfgrID.data(), 2), "KD");
    EXPECT_EQ(h.filmInfo.frameRate, 24.0f);
    EXPECT_EQ(h.filmInfo.reserved.back(), 'f');
    EXPECT_EQ(h.videoInfo.timeCode, 0x01020304u);
    EXPECT_EQ(h.videoInfo.userBits, 0xABCDu);
    EXPECT_EQ(h.videoInfo.interlace, 1);
    EXPECT_EQ(h.videoInfo.tSampleRate, 23.976f);
    EXPECT_EQ(h.videoInfo.integrationTime, 0.04f);
    EXPECT_EQ(h.videoInfo.reserved.back(), 'v');
}

TEST(DPXHeader, LittleEndianBytesAreDecodedUnswapped) {
    std::vector<uint8_t> b(2048, 0);
    std::memcpy(&b[0], "XPDS", 4);
    b[772] = 0xD0; // 720 little-endian
    b[773] = 0x02;
    DPXHeader h = DPXHeader::decode(b.data());
    EXPECT_EQ(h.fileInfo.magicNumber, 0x58504453u);
    EXPECT_EQ(h.imageInfo.pixelsPerLine, 0xD0020000u);
    EXPECT_EQ(frameFileCodeOfBytes(b.data(), 4), kFileCodeUnknown);
}

TEST(FrameFileCode, IdentifiesByTheBigEndianFirstFourBytes) {
    const uint8_t dpx[] = {'S', 'D', 'P', 'X'};
    const uint8_t cineon[] = {0x80, 0x2A, 0x5F, 0xD7};
    const uint8_t swapped[] = {0xD7, 0x5F, 0x2A, 0x80};
    EXPECT_EQ(frameFileCodeOfBytes(dpx, 4), kFileCodeDPX);
    EXPECT_EQ(frameFileCodeOfBytes(cineon, 4), kFileCodeCineon);
    EXPECT_EQ(frameFileCodeOfBytes(swapped, 4), kFileCodeUnknown);
    EXPECT_EQ(frameFileIDOfBytes(dpx, 3), 0u);
    EXPECT_EQ(frameFileCodeOfBytes(dpx, 3), kFileCodeUnknown);
}

TEST(TimeCode, FlagBitsAreMaskedAndNibblesShowAsHexDigits) {
    EXPECT_EQ(timeCodeString(0x01020304), "01:02:03:04");
    EXPECT_EQ(timeCodeString(0x50a359d2), "10:23:59:12"); // flags in every byte
    EXPECT_EQ(timeCodeString(0xC0808080), "00:00:00:00"); // only flag bits
    EXPECT_EQ(timeCodeString(0x0000001a), "00:00:00:1a"); // not validated
    EXPECT_EQ(timeCodeString(0x3F7F7F3F), "3f:7f:7f:3f");
}

TEST(FrameLayout, NamesWhatTheFirstElementClaims) {
    std::vector<uint8_t> b(2048, 0);
    auto layout = [&](uint8_t descriptor, uint8_t bits, uint16_t packing, uint16_t elements,
                      uint16_t encoding) {
        be::writeU16(&b[770], elements);
        b[800] = descriptor;
        b[803] = bits;
        be::writeU16(&b[804], packing);
        be::writeU16(&b[806], encoding);
        return layoutOfDPXHeader(DPXHeader::decode(b.data()));
    };
    FrameLayout native = layout(50, 10, 1, 1, 0);
    EXPECT_EQ(native.text, "RGB 10-bit filled A");
    EXPECT_TRUE(native.native);
    EXPECT_EQ(layout(50, 12, 0, 1, 0).text, "RGB 12-bit packed");
    EXPECT_EQ(layout(6, 16, 0, 1, 0).text, "luma 16-bit");
    EXPECT_EQ(layout(50, 10, 1, 2, 0).text, "RGB 10-bit filled A, 2 elements");
    EXPECT_TRUE(layout(50, 10, 1, 2, 0).native);
    FrameLayout methodB = layout(50, 10, 2, 1, 0);
    EXPECT_EQ(methodB.text, "RGB 10-bit filled B");
    EXPECT_FALSE(methodB.native); // padding bits at the top: not our word layout
    EXPECT_EQ(layout(50, 32, 0, 1, 0).text, "RGB 32-bit float");
    EXPECT_EQ(layout(50, 10, 1, 1, 1).text, "RGB 10-bit filled A RLE");
    EXPECT_EQ(layout(77, 8, 0, 1, 0).text, "descriptor 77 8-bit");
    EXPECT_EQ(layout(50, 10, 1, 0, 0).text, "no image element");

    std::vector<uint8_t> c(2048, 0);
    c[193] = 3;
    for (int i = 0; i < 3; ++i)
        c[196 + 28 * i + 2] = 10;
    c[681] = 5;
    FrameLayout cineon = layoutOfCineonHeader(c.data());
    EXPECT_EQ(cineon.text, "3 ch 10-bit, packing 5");
    EXPECT_TRUE(cineon.native);
    c[196 + 2] = 8;
    EXPECT_EQ(layoutOfCineonHeader(c.data()).text, "3 ch 8/10-bit, packing 5");
    EXPECT_FALSE(layoutOfCineonHeader(c.data()).native);
}
