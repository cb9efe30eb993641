// imageWithFrameBuffer: the 8-bit RGBA preview written into the caller's block.
#include "framefiles/cineon_file.h"
#include "framefiles/dpx_file.h"
#include "framefiles/preview_conversion.h"

#include "support/frame_writer.h"
#include "support/test_support.h"

#include "platform/log.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <unistd.h>

using namespace testsupport;

namespace {

const char kPreviewReadError[] = "Error reading pixel data in imageWithFrameBuffer:\n";

bool allBytesAre(Ptr p, size_t count, char value) {
    for (size_t i = 0; i < count; ++i)
        if (p[i] != value)
            return false;
    return true;
}

} // namespace

TEST(Preview, ConvertsComponentsByDroppingTheLowTwoBits) {
    TempDir dir;
    LogCapture log;
    FrameSpec fileSpec;
    fileSpec.width = 3;
    fileSpec.height = 2;
    fileSpec.pixels =
        std::vector<uint32_t>{rgb10Word(1023, 1023, 1023, 3), rgb10Word(512, 512, 512), rgb10Word(3, 2, 1, 3),
                              rgb10Word(4, 1019, 256),        rgb10Word(1023, 0, 512),  rgb10Word(0, 0, 0)};
    writeFrameFile(dir.file("f.dpx"), fileSpec);
    auto reader = MyDPXFile::initWithPath(dir.file("f.dpx"));
    PtrOwner block(NewPtr(3 * 2 * 4));
    Ptr frameBuffArray[1] = {block.get()};
    std::shared_ptr<NSImage> image = reader->imageWithFrameBuffer(frameBuffArray);
    ASSERT_NE(image, nullptr);
    const uint8_t expected[] = {255, 255, 255, 255, 128, 128, 128, 255, 0, 0, 0, 255,
                                1,   254, 64,  255, 255, 0,   128, 255, 0, 0, 0, 255};
    EXPECT_EQ(std::memcmp(block.get(), expected, sizeof expected), 0);

    EXPECT_EQ(image->size(), (NSSize{3, 2}));
    const NSBitmapImageRep* bitmap = image->bitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->bitmapData(), reinterpret_cast<uint8_t*>(block.get())); // shown in place
    EXPECT_EQ(bitmap->pixelsWide(), 3);
    EXPECT_EQ(bitmap->pixelsHigh(), 2);
    EXPECT_EQ(bitmap->bytesPerRow(), 12);
    EXPECT_EQ(bitmap->bitsPerPixel(), 32);
    EXPECT_TRUE(log.messages().empty());
}

TEST(Preview, ConversionMatchesTheBitRuleOnEveryWord) {
    std::mt19937 random(7);
    const size_t pixels = 4099; // not a multiple of any vector width
    std::vector<uint8_t> words(pixels * 4);
    for (uint8_t& b : words)
        b = uint8_t(random());
    std::vector<uint8_t> rgba(pixels * 4);
    convertFrameToPreview(words.data(), rgba.data(), pixels);
    for (size_t i = 0; i < pixels; ++i) {
        uint32_t w = (uint32_t(words[4 * i]) << 24) | (uint32_t(words[4 * i + 1]) << 16) |
                     (uint32_t(words[4 * i + 2]) << 8) | words[4 * i + 3];
        ASSERT_EQ(rgba[4 * i + 0], uint8_t(w >> 24)) << i;
        ASSERT_EQ(rgba[4 * i + 1], uint8_t(w >> 14)) << i;
        ASSERT_EQ(rgba[4 * i + 2], uint8_t(w >> 4)) << i;
        ASSERT_EQ(rgba[4 * i + 3], 255) << i;
    }
}

TEST(Preview, FirstPictureIsKeptAndAnotherBlockIsLeftAlone) {
    TempDir dir;
    LogCapture log;
    writeFrameFile(dir.file("f.dpx"), FrameSpec{});
    auto reader = MyDPXFile::initWithPath(dir.file("f.dpx"));
    PtrOwner first(NewPtr(32));
    PtrOwner second(NewPtr(32));
    std::memset(second.get(), 0x5A, 32);
    Ptr firstRef = first.get();
    Ptr secondRef = second.get();
    auto image = reader->imageWithFrameBuffer(&firstRef);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(reader->imageWithFrameBuffer(&secondRef), image);
    EXPECT_EQ(reader->imageWithFrameBuffer(nullptr), image);
    EXPECT_TRUE(allBytesAre(second.get(), 32, 0x5A));
}

TEST(Preview, NoPictureWithoutArgumentHeaderOrWholeFrame) {
    TempDir dir;
    LogCapture log;
    PtrOwner block(NewPtr(4096));
    std::memset(block.get(), 0x5A, 4096);
    Ptr ref = block.get();
    Ptr null = nullptr;

    writeFrameFile(dir.file("f.dpx"), FrameSpec{});
    EXPECT_EQ(MyDPXFile::initWithPath(dir.file("f.dpx"))->imageWithFrameBuffer(nullptr), nullptr);
    EXPECT_EQ(MyDPXFile::initWithPath(dir.file("f.dpx"))->imageWithFrameBuffer(&null), nullptr);
    EXPECT_EQ(MyDPXFile::initWithPath(dir.file("missing.dpx"))->imageWithFrameBuffer(&ref), nullptr);

    FrameSpec incomplete;
    incomplete.fileSize = 2048 + 31;
    writeFrameFile(dir.file("short.dpx"), incomplete);
    log.clear();
    EXPECT_EQ(MyDPXFile::initWithPath(dir.file("short.dpx"))->imageWithFrameBuffer(&ref), nullptr);
    EXPECT_TRUE(log.messages().empty());

    auto closed = MyDPXFile::initWithPath(dir.file("f.dpx"));
    closed->closeFile();
    EXPECT_EQ(closed->imageWithFrameBuffer(&ref), nullptr);
    EXPECT_TRUE(allBytesAre(block.get(), 4096, 0x5A));
}

// The preview writes n bytes: a block smaller than that (a frame of another size than the one the
// block was made for) gets no picture and no byte written.
TEST(Preview, BlockSmallerThanTheFrameGivesNoPicture) {
    TempDir dir;
    LogCapture log;
    FrameSpec fileSpec;
    fileSpec.width = 16;
    fileSpec.height = 16;
    writeFrameFile(dir.file("f.dpx"), fileSpec);
    auto reader = MyDPXFile::initWithPath(dir.file("f.dpx"));
    PtrOwner small(NewPtr(16 * 16 * 4 - 1));
    std::memset(small.get(), 0x5A, 16 * 16 * 4 - 1);
    Ptr ref = small.get();
    EXPECT_EQ(reader->imageWithFrameBuffer(&ref), nullptr);
    EXPECT_TRUE(allBytesAre(small.get(), 16 * 16 * 4 - 1, 0x5A));

    PtrOwner enough(NewPtr(16 * 16 * 4));
    Ptr enoughRef = enough.get();
    EXPECT_NE(reader->imageWithFrameBuffer(&enoughRef), nullptr);
}

TEST(Preview, ShortReadIsLoggedAndLeavesTheBlock) {
    TempDir dir;
    LogCapture log;
    writeFrameFile(dir.file("f.dpx"), FrameSpec{});
    auto reader = MyDPXFile::initWithPath(dir.file("f.dpx"));
    ASSERT_EQ(truncate(dir.file("f.dpx").c_str(), 2048 + 8), 0);
    PtrOwner block(NewPtr(32));
    std::memset(block.get(), 0x5A, 32);
    Ptr ref = block.get();
    EXPECT_EQ(reader->imageWithFrameBuffer(&ref), nullptr);
    EXPECT_EQ(log.messages(), std::vector<std::string>{kPreviewReadError});
    EXPECT_TRUE(allBytesAre(block.get(), 32, 0x5A));
}

TEST(Preview, CineonPreviewComesFromTheStoredDataOffset) {
    TempDir dir;
    LogCapture log;
    FrameSpec fileSpec;
    fileSpec.kind = FrameKind::cineon;
    fileSpec.width = 720;
    fileSpec.height = 486;
    fileSpec.dataOffset = 32768;
    writeFrameFile(dir.file("f.cin"), fileSpec);
    auto reader = MyCineonFile::initWithPath(dir.file("f.cin"));
    ASSERT_TRUE(reader->fileOK());
    EXPECT_EQ(reader->frameSize(), (NSSize{720, 486}));
    PtrOwner block(NewPtr(720 * 486 * 4));
    Ptr ref = block.get();
    ASSERT_NE(reader->imageWithFrameBuffer(&ref), nullptr);
    auto* rgba = reinterpret_cast<uint8_t*>(block.get());
    size_t at = (size_t(100) * 720 + 700) * 4; // (700, 100): R 700, G 100, B 800
    EXPECT_EQ(rgba[at + 0], 700 >> 2);
    EXPECT_EQ(rgba[at + 1], 100 >> 2);
    EXPECT_EQ(rgba[at + 2], 800 >> 2);
    EXPECT_EQ(rgba[at + 3], 255);
}
