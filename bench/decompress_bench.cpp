// Decompressing 10-bit RGB frames into an output surface: time per frame, frames per second, and
// the ratio to merely copying the frame's bytes (the least any drawing could cost).
#include "platform/bigendian.h"
#include "platform/movie/decompress_sequence.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

double seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void run(int width, int height, int frames) {
    std::vector<uint8_t> frame(size_t(width) * height * 4);
    for (size_t i = 0; i < frame.size(); i += 4)
        be::writeU32(&frame[i], uint32_t(i * 2654435761u));
    HandleOwner desc(NewHandleClear(86));
    auto* d = reinterpret_cast<uint8_t*>(*desc.get());
    be::writeU32(d, 86);
    be::writeU32(d + 4, FourCC("R10k"));
    be::writeU16(d + 32, uint16_t(width));
    be::writeU16(d + 34, uint16_t(height));
    auto surface = GWorld::create(width, height);
    ImageSequence seq = 0;
    if (DecompressSequenceBeginS(&seq, desc.get(), nullptr, 0, surface.get(), nullptr, nullptr, nullptr,
                                 srcCopy, nullptr, 0, codecNormalQuality, nullptr) != noErr) {
        std::printf("could not open a sequence\n");
        return;
    }
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i)
        DecompressSequenceFrameS(seq, reinterpret_cast<Ptr>(frame.data()), long(frame.size()), 0, nullptr,
                                 nullptr);
    double drawing = seconds(std::chrono::steady_clock::now() - start) / frames;
    CDSequenceEnd(seq);

    std::vector<uint8_t> copy(frame.size());
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        std::memcpy(copy.data(), frame.data(), frame.size());
        frame[size_t(i) % frame.size()] ^= copy[0]; // keep the copies from being folded away
    }
    double copying = seconds(std::chrono::steady_clock::now() - start) / frames;

    std::printf("%4d x %4d R10k: %7.2f ms/frame, %7.1f frames/s, %5.1f x a plain copy (%.2f ms)\n", width,
                height, drawing * 1e3, 1.0 / drawing, drawing / copying, copying * 1e3);
}

} // namespace

int main() {
    run(720, 486, 200);
    run(1920, 1080, 60);
    run(2048, 1556, 40);
    return 0;
}
