#include "support/frame_writer.h"

#include "support/test_support.h"

#include "platform/bigendian.h"

#include <algorithm>
#include <cstring>

namespace testsupport {

namespace {

constexpr size_t kHeaderSize = 2048;

// Writes numbers into a header in the chosen byte order.
class HeaderBytes {
public:
    HeaderBytes(std::vector<uint8_t>& bytes, bool littleEndian) : m_bytes(bytes), m_little(littleEndian) {}

    void u32(size_t offset, uint32_t value) {
        if (m_little)
            value = __builtin_bswap32(value);
        be::writeU32(m_bytes.data() + offset, value);
    }
    void u16(size_t offset, uint16_t value) {
        if (m_little)
            value = __builtin_bswap16(value);
        be::writeU16(m_bytes.data() + offset, value);
    }
    void u8(size_t offset, uint8_t value) { m_bytes[offset] = value; }
    void text(size_t offset, size_t fieldSize, const std::string& value) {
        std::memcpy(m_bytes.data() + offset, value.data(), std::min(fieldSize, value.size()));
    }

private:
    std::vector<uint8_t>& m_bytes;
    bool m_little;
};

void writeDPXHeader(HeaderBytes& h, const FrameSpec& fileSpec, uint32_t storedSize) {
    h.u32(0, fileSpec.magic.value_or(0x53445058));
    h.u32(4, fileSpec.dataOffset);
    h.text(8, 8, "V2.0");
    h.u32(16, storedSize);
    h.u32(20, 1);    // ditto key: new frame
    h.u32(24, 1664); // generic header length
    h.u32(28, 384);  // industry header length
    h.u32(32, 0);    // user data length
    h.text(36, 100, fileSpec.filename);
    h.text(160, 100, "reelmaker tests");
    h.u32(660, 0xFFFFFFFF); // not enciphered
    h.u16(768, 0);          // orientation: left to right, top to bottom
    h.u16(770, fileSpec.numImageElements);
    h.u32(772, fileSpec.width);
    h.u32(776, fileSpec.height);
    // Element 0.
    h.u32(780, 0); // unsigned
    h.u32(784, 0);
    h.u32(792, 1023);
    h.u8(800, fileSpec.descriptor);
    h.u8(801, 2); // linear
    h.u8(802, 2);
    h.u8(803, fileSpec.bitDepth);
    h.u16(804, fileSpec.packing);
    h.u16(806, 0); // no encoding
    h.u32(808, fileSpec.dataOffset);
    h.u32(1920, fileSpec.timecode);
    h.u32(1924, 0); // user bits
}

void writeCineonHeader(HeaderBytes& h, const FrameSpec& fileSpec, uint32_t storedSize) {
    h.u32(0, fileSpec.magic.value_or(0x802A5FD7));
    h.u32(4, fileSpec.dataOffset);
    h.u32(8, 1024);  // generic header length
    h.u32(12, 1024); // industry header length
    h.u32(16, 0);    // user data length
    h.u32(20, storedSize);
    h.text(24, 8, "V4.5");
    h.text(32, 100, fileSpec.filename);
    h.u8(192, 0); // orientation
    h.u8(193, fileSpec.channels);
    for (size_t i = 0; i < std::min<size_t>(fileSpec.channels, 8); ++i) {
        size_t channel = 196 + 28 * i;
        h.u8(channel + 0, 0); // designator: universal metric
        h.u8(channel + 1, uint8_t(1 + i));
        h.u8(channel + 2, fileSpec.bitDepth);
        h.u32(channel + 4, fileSpec.width);
        h.u32(channel + 8, fileSpec.height);
    }
    h.u8(680, 0); // pixel interleaved
    h.u8(681, uint8_t(fileSpec.packing == 1 ? 5 : fileSpec.packing));
}

} // namespace

uint32_t FrameSpec::patternPixel(uint32_t x, uint32_t y) {
    return rgb10Word(x % 1024, y % 1024, (x + y) % 1024);
}

uint32_t rgb10Word(uint32_t red, uint32_t green, uint32_t blue, uint32_t pad) {
    return ((red & 0x3FF) << 22) | ((green & 0x3FF) << 12) | ((blue & 0x3FF) << 2) | (pad & 3);
}

uint32_t timecodeWord(unsigned hours, unsigned minutes, unsigned seconds, unsigned frames) {
    auto bcd = [](unsigned v) { return uint32_t(((v / 10) << 4) | (v % 10)); };
    return (bcd(hours) << 24) | (bcd(minutes) << 16) | (bcd(seconds) << 8) | bcd(frames);
}

std::vector<uint8_t> frameFileBytes(const FrameSpec& fileSpec) {
    std::vector<uint32_t> pattern;
    if (!fileSpec.pixels) {
        pattern.reserve(size_t(fileSpec.width) * fileSpec.height);
        for (uint32_t y = 0; y < fileSpec.height; ++y)
            for (uint32_t x = 0; x < fileSpec.width; ++x)
                pattern.push_back(FrameSpec::patternPixel(x, y));
    }
    const std::vector<uint32_t>& pixels = fileSpec.pixels ? *fileSpec.pixels : pattern;

    uint64_t natural = std::max<uint64_t>(kHeaderSize, uint64_t(fileSpec.dataOffset) + 4 * pixels.size());
    uint64_t size = fileSpec.fileSize.value_or(natural);
    std::vector<uint8_t> bytes(std::max<uint64_t>(natural, kHeaderSize), 0);

    HeaderBytes header(bytes, fileSpec.littleEndian);
    uint32_t storedSize = fileSpec.storedFileSize.value_or(uint32_t(size));
    if (fileSpec.kind == FrameKind::dpx)
        writeDPXHeader(header, fileSpec, storedSize);
    else
        writeCineonHeader(header, fileSpec, storedSize);

    for (size_t i = 0; i < pixels.size(); ++i)
        be::writeU32(bytes.data() + fileSpec.dataOffset + 4 * i, pixels[i]);
    bytes.resize(size_t(size), 0);
    return bytes;
}

void writeFrameFile(const std::string& path, const FrameSpec& fileSpec) {
    writeFile(path, frameFileBytes(fileSpec));
}

} // namespace testsupport
