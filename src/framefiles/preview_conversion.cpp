#include "framefiles/preview_conversion.h"

#include <bit>
#include <cstring>

// One loop, compiled for several instruction sets and chosen at load time: the baseline build has
// no byte shuffle, and without one the vectoriser leaves the byte swap scalar at a fraction of
// memory speed.
// Sanitizer builds take the plain path: GCC's ThreadSanitizer crashes at load on the clones' resolver.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(REELMAKER_SANITIZED)
#define REELMAKER_PREVIEW_CLONES __attribute__((target_clones("default", "arch=x86-64-v2", "arch=x86-64-v3")))
#else
#define REELMAKER_PREVIEW_CLONES
#endif

REELMAKER_PREVIEW_CLONES
void convertFrameToPreview(const uint8_t* words, uint8_t* rgba, size_t pixelCount) {
    for (size_t i = 0; i < pixelCount; ++i) {
        uint32_t stored;
        std::memcpy(&stored, words + 4 * i, 4);
        uint32_t w = std::endian::native == std::endian::little ? __builtin_bswap32(stored) : stored;
        // Bytes R, G, B, A in memory: R is the lowest byte of a little-endian word.
        uint32_t out = (w >> 24) | (((w >> 14) & 0xFF) << 8) | (((w >> 4) & 0xFF) << 16) | 0xFF000000u;
        if constexpr (std::endian::native == std::endian::big)
            out = __builtin_bswap32(out);
        std::memcpy(rgba + 4 * i, &out, 4);
    }
}
