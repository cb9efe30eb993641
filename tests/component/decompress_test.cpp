#include "platform/bigendian.h"
#include "platform/movie/decompress_sequence.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

HandleOwner makeDescription(OSType codec, int width, int height) {
    HandleOwner desc(NewHandleClear(86));
    auto* d = reinterpret_cast<uint8_t*>(*desc.get());
    be::writeU32(d + 0, 86);
    be::writeU32(d + 4, codec);
    be::writeU16(d + 32, uint16_t(width));
    be::writeU16(d + 34, uint16_t(height));
    be::writeU32(d + 44, uint32_t(width * height * 4));
    return desc;
}

struct Pixel10 {
    uint32_t r, g, b;
};

// A frame of random 10-bit components, with random bits 1-0 that the decoder must ignore.
struct Frame {
    Frame(int w, int h, unsigned seed)
        : width(w), height(h), pixels(size_t(w) * h), bytes(size_t(w) * h * 4) {
        std::mt19937 random(seed);
        auto ten = [&] { return uint32_t(random() & 0x3FF); };
        for (size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = {ten(), ten(), ten()};
            be::writeU32(&bytes[i * 4],
                         pixels[i].r << 22 | pixels[i].g << 12 | pixels[i].b << 2 | uint32_t(random() & 3));
        }
    }
    GWorld::RGB expected(int x, int y) const {
        const Pixel10& p = pixels[size_t(y) * width + x];
        return {uint8_t(p.r >> 2), uint8_t(p.g >> 2), uint8_t(p.b >> 2)};
    }
    Ptr data() { return reinterpret_cast<Ptr>(bytes.data()); }
    long size() const { return long(bytes.size()); }

    int width, height;
    std::vector<Pixel10> pixels;
    std::vector<uint8_t> bytes;
};

ImageSequence begin(Handle desc, GWorld* port, OSErr expected = noErr, const Rect* src = nullptr) {
    ImageSequence seq = -1;
    EXPECT_EQ(DecompressSequenceBeginS(&seq, desc, nullptr, 0, port, nullptr, src, nullptr, srcCopy, nullptr,
                                       0, codecNormalQuality, nullptr),
              expected);
    return seq;
}

} // namespace

TEST(Decompress, R10kAndR10gLandExactlyAsComponentsShiftedRightByTwo) {
    for (OSType codec : {FourCC("R10k"), FourCC("R10g")}) {
        Frame frame(37, 23, codec);
        HandleOwner desc = makeDescription(codec, frame.width, frame.height);
        auto surface = GWorld::create(37, 23);
        ImageSequence seq = begin(desc.get(), surface.get());
        ASSERT_NE(seq, 0);
        EXPECT_EQ(surface->drawCount(), 0u); // opening draws nothing
        CodecFlags out = 99;
        ASSERT_EQ(DecompressSequenceFrameS(seq, frame.data(), frame.size(), 0, &out, nullptr), noErr);
        EXPECT_EQ(out, 0);
        EXPECT_EQ(surface->drawCount(), 1u);
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x)
                ASSERT_EQ(surface->pixel(x, y), frame.expected(x, y))
                    << FourCCString(codec) << " " << x << "," << y;
        EXPECT_EQ(CDSequenceEnd(seq), noErr);
        EXPECT_EQ(CDSequenceEnd(seq), paramErr);
        EXPECT_EQ(DecompressSequenceFrameS(seq, frame.data(), frame.size(), 0, nullptr, nullptr), paramErr);
    }
}

TEST(Decompress, PictureIsClippedToTheSurfaceAndDrawnAtItsOrigin) {
    // Larger than the surface: only the top-left part shows.
    Frame big(50, 40, 1);
    HandleOwner bigDesc = makeDescription(FourCC("R10k"), 50, 40);
    auto surface = GWorld::create(20, 10);
    ImageSequence seq = begin(bigDesc.get(), surface.get());
    ASSERT_EQ(DecompressSequenceFrameS(seq, big.data(), big.size(), 0, nullptr, nullptr), noErr);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(surface->pixel(x, y), big.expected(x, y)) << x << "," << y;
    CDSequenceEnd(seq);

    // Smaller than the surface: the rest keeps what it held (black here).
    auto wide = GWorld::create(30, 12);
    Frame small(8, 5, 2);
    HandleOwner smallDesc = makeDescription(FourCC("R10g"), 8, 5);
    seq = begin(smallDesc.get(), wide.get());
    ASSERT_EQ(DecompressSequenceFrameS(seq, small.data(), small.size(), 0, nullptr, nullptr), noErr);
    EXPECT_EQ(wide->pixel(7, 4), small.expected(7, 4));
    EXPECT_EQ(wide->pixel(8, 0), GWorld::RGB{});
    EXPECT_EQ(wide->pixel(0, 5), GWorld::RGB{});
    CDSequenceEnd(seq);

    // A source rectangle picks the part of the picture that lands at the origin.
    Rect src;
    SetRect(&src, 10, 5, 60, 30); // runs past the picture's right edge: clipped to it
    seq = begin(bigDesc.get(), wide.get(), noErr, &src);
    ASSERT_EQ(DecompressSequenceFrameS(seq, big.data(), big.size(), 0, nullptr, nullptr), noErr);
    EXPECT_EQ(wide->pixel(0, 0), big.expected(10, 5));
    EXPECT_EQ(wide->pixel(29, 11), big.expected(39, 16));
    CDSequenceEnd(seq);
}

TEST(Decompress, StatusesOfTheDecompressor) {
    auto surface = GWorld::create(16, 16);
    HandleOwner jpeg = makeDescription(FourCC("jpeg"), 16, 16);
    EXPECT_EQ(begin(jpeg.get(), surface.get(), noCodecErr), 0);
    HandleOwner zeroWidth = makeDescription(FourCC("R10k"), 0, 16);
    EXPECT_EQ(begin(zeroWidth.get(), surface.get(), codecSizeErr), 0);
    HandleOwner negative = makeDescription(FourCC("R10k"), 16, 0xFFF0); // height -16
    EXPECT_EQ(begin(negative.get(), surface.get(), codecSizeErr), 0);
    HandleOwner shortDesc(NewHandleClear(40));
    EXPECT_EQ(begin(shortDesc.get(), surface.get(), badImageDescription), 0);
    EXPECT_EQ(begin(nullptr, surface.get(), badImageDescription), 0);

    HandleOwner desc = makeDescription(FourCC("R10k"), 16, 16);
    EXPECT_EQ(begin(desc.get(), nullptr, paramErr), 0);
    Rect empty;
    SetRect(&empty, 4, 4, 4, 10);
    EXPECT_EQ(begin(desc.get(), surface.get(), invalidRect, &empty), 0);
    Rect outside;
    SetRect(&outside, 20, 20, 30, 30);
    EXPECT_EQ(begin(desc.get(), surface.get(), invalidRect, &outside), 0);
    ImageSequence seq = 0;
    const int matrix[9] = {};
    EXPECT_EQ(DecompressSequenceBeginS(&seq, desc.get(), nullptr, 0, surface.get(), nullptr, nullptr, matrix,
                                       srcCopy, nullptr, 0, codecNormalQuality, nullptr),
              codecUnimpErr);
    EXPECT_EQ(DecompressSequenceBeginS(&seq, desc.get(), nullptr, 0, surface.get(), nullptr, nullptr, nullptr,
                                       64, nullptr, 0, codecNormalQuality, nullptr),
              codecUnimpErr);

    // A short or missing frame draws nothing; the sequence stays usable.
    seq = begin(desc.get(), surface.get());
    Frame frame(16, 16, 3);
    EXPECT_EQ(DecompressSequenceFrameS(seq, frame.data(), frame.size() - 1, 0, nullptr, nullptr),
              codecBadDataErr);
    EXPECT_EQ(DecompressSequenceFrameS(seq, nullptr, frame.size(), 0, nullptr, nullptr), codecBadDataErr);
    EXPECT_EQ(surface->drawCount(), 0u);
    EXPECT_EQ(surface->pixel(0, 0), GWorld::RGB{});
    int completion = 0;
    EXPECT_EQ(DecompressSequenceFrameS(seq, frame.data(), frame.size(), 0, nullptr, &completion),
              codecUnimpErr);
    EXPECT_EQ(DecompressSequenceFrameS(seq, frame.data(), frame.size(), 0, nullptr, nullptr), noErr);
    EXPECT_EQ(surface->pixel(15, 15), frame.expected(15, 15));
    CDSequenceEnd(seq);
    EXPECT_EQ(DecompressSequenceFrameS(0, frame.data(), frame.size(), 0, nullptr, nullptr), paramErr);
}

TEST(Decompress, SequenceOutlivingItsSurfaceDrawsIntoItsOwnBlock) {
    HandleOwner desc = makeDescription(FourCC("R10k"), 8, 8);
    Frame frame(8, 8, 4);
    auto surface = GWorld::create(8, 8);
    ImageSequence seq = begin(desc.get(), surface.get());
    ASSERT_EQ(surface->resize(4, 4), noErr); // the surface moves on to a new block
    EXPECT_EQ(DecompressSequenceFrameS(seq, frame.data(), frame.size(), 0, nullptr, nullptr), noErr);
    EXPECT_EQ(surface->pixel(0, 0), GWorld::RGB{});
    surface.reset();
    EXPECT_EQ(DecompressSequenceFrameS(seq, frame.data(), frame.size(), 0, nullptr, nullptr), noErr);
    EXPECT_EQ(CDSequenceEnd(seq), noErr);

    EXPECT_EQ(GWorld::create(0, 5), nullptr);
    EXPECT_EQ(GWorld::create(40000, 5), nullptr);
}
