#include "platform/movie/decompress_codec.h"

#include "platform/bigendian.h"

#include <algorithm>

namespace decompress {

bool handlesCodec(OSType codecType) {
    return codecType == FourCC("R10k") || codecType == FourCC("R10g");
}

void drawR10Frame(const uint8_t* words, int imageWidth, const Rect& source, SurfacePixels& target) {
    int columns = std::min(source.right - source.left, target.width);
    int rows = std::min(source.bottom - source.top, target.height);
    for (int y = 0; y < rows; ++y) {
        const uint8_t* in = words + (size_t(source.top + y) * size_t(imageWidth) + size_t(source.left)) * 4;
        uint8_t* out = target.bytes.data() + size_t(y) * target.rowBytes;
        for (int x = 0; x < columns; ++x, in += 4, out += 3) {
            uint32_t word = be::readU32(in);
            // 10-bit components in bits 31-22, 21-12 and 11-2; the top 8 bits of each are kept.
            out[0] = uint8_t(word >> 24);
            out[1] = uint8_t(word >> 14);
            out[2] = uint8_t(word >> 4);
        }
    }
    ++target.drawCount;
}

} // namespace decompress
