// The 8-bit preview of a frame of 10-bit RGB words.
#pragma once

#include <cstddef>
#include <cstdint>

/// Converts `pixelCount` big-endian words (red bits 31-22, green 21-12, blue 11-2) at `words` into
/// red, green, blue, alpha bytes at `rgba`, in this byte order on every host: each 8-bit value is
/// its 10-bit component shifted right by 2 (1023 -> 255, 512 -> 128, 3 -> 0), alpha is 255.
/// Both blocks hold 4 * pixelCount bytes and must not overlap. Runs at close to memory speed on
/// processors with SSE4.2 or AVX2 and still runs on the x86-64 baseline.
void convertFrameToPreview(const uint8_t* words, uint8_t* rgba, size_t pixelCount);
