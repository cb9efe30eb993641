// Speed of the preview conversion (10-bit RGB words -> 8-bit RGBA) on a 2048 x 1556 frame, next to
// a plain memcpy of the same bytes. Prints GB/s of input and the ratio; the target is >= 0.5.
#include "framefiles/preview_conversion.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr size_t kWidth = 2048;
constexpr size_t kHeight = 1556;
constexpr size_t kPixels = kWidth * kHeight;
constexpr size_t kBytes = kPixels * 4;
constexpr int kRounds = 7;
constexpr int kPassesPerRound = 20;

// The same loop built here, for the plain x86-64 baseline of this file: what a build without
// the multiversioned function would run.
__attribute__((noinline)) void baselineConversion(const uint8_t* words, uint8_t* rgba, size_t pixelCount) {
    for (size_t i = 0; i < pixelCount; ++i) {
        uint32_t stored;
        std::memcpy(&stored, words + 4 * i, 4);
        uint32_t w = __builtin_bswap32(stored);
        uint32_t out = (w >> 24) | (((w >> 14) & 0xFF) << 8) | (((w >> 4) & 0xFF) << 16) | 0xFF000000u;
        std::memcpy(rgba + 4 * i, &out, 4);
    }
}

// Best of several rounds, in GB/s of input bytes.
template <typename Pass> double bestSpeed(Pass pass) {
    double best = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPassesPerRound; ++i)
            pass();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::max(best, double(kBytes) * kPassesPerRound / took.count() / 1e9);
    }
    return best;
}

} // namespace

int main() {
    std::vector<uint8_t> words(kBytes);
    std::mt19937 random(1);
    for (uint8_t& b : words)
        b = uint8_t(random());
    std::vector<uint8_t> out(kBytes, 0);
    volatile uint8_t sink = 0;

    double copy = bestSpeed([&] {
        std::memcpy(out.data(), words.data(), kBytes);
        sink = sink + out[kBytes / 2];
    });
    double convert = bestSpeed([&] {
        convertFrameToPreview(words.data(), out.data(), kPixels);
        sink = sink + out[kBytes / 2];
    });
    double baseline = bestSpeed([&] {
        baselineConversion(words.data(), out.data(), kPixels);
        sink = sink + out[kBytes / 2];
    });

    std::printf("preview conversion, %zu x %zu frame (%.1f MB in, %.1f MB out), best of %d x %d passes\n",
                kWidth, kHeight, kBytes / 1e6, kBytes / 1e6, kRounds, kPassesPerRound);
    std::printf("  memcpy                        %6.2f GB/s\n", copy);
    std::printf("  convertFrameToPreview         %6.2f GB/s   %.2f x memcpy (target >= 0.50)\n", convert,
                convert / copy);
    std::printf("  same loop, x86-64 baseline    %6.2f GB/s   %.2f x memcpy\n", baseline, baseline / copy);
    std::printf("  one frame: %.2f ms\n", kBytes / convert / 1e6);
    return 0;
}
