// readFrameToBuffer: the raw pixel words, as stored, into a caller's handle.
#include "framefiles/dpx_file.h"

#include "support/frame_writer.h"
#include "support/test_support.h"

#include "platform/bigendian.h"
#include "platform/log.h"

#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>

using namespace testsupport;

namespace {

const char kTooSmall[] = "Error in readFrameToBuffer: - frameBuffer missing or too small\n";
const char kReadError[] = "Error trying to read pixel data in readFrameToBuffer:\n";

FrameSpec frame8x4() {
    FrameSpec fileSpec;
    fileSpec.width = 8;
    fileSpec.height = 4;
    fileSpec.dataOffset = 4096;
    return fileSpec;
}

bool allBytesAre(Handle h, size_t from, size_t to, char value) {
    for (size_t i = from; i < to; ++i)
        if ((*h)[i] != value)
            return false;
    return true;
}

} // namespace

TEST(FrameCopy, CopiesTheWordsAsStoredIntoABlockOfAtLeastN) {
    TempDir dir;
    LogCapture log;
    FrameSpec fileSpec = frame8x4();
    writeFrameFile(dir.file("f.dpx"), fileSpec);
    auto reader = MyDPXFile::initWithPath(dir.file("f.dpx"));
    const size_t n = 8 * 4 * 4;

    HandleOwner exact(NewHandle(n));
    EXPECT_EQ(reader->readFrameToBuffer(exact.get()), noErr);
    std::vector<uint8_t> file = readFile(dir.file("f.dpx"));
    EXPECT_EQ(std::memcmp(*exact.get(), file.data() + 4096, n), 0);
    EXPECT_EQ(be::readU32(reinterpret_cast<uint8_t*>(*exact.get()) + 4 * 9), FrameSpec::patternPixel(1, 1));
    EXPECT_FALSE(HIsLocked(exact.get()));

    HandleOwner larger(NewHandle(n + 100));
    std::memset(*larger.get(), 0x5A, n + 100);
    EXPECT_EQ(reader->readFrameToBuffer(larger.get()), noErr);
    EXPECT_EQ(std::memcmp(*larger.get(), file.data() + 4096, n), 0);
    EXPECT_TRUE(allBytesAre(larger.get(), n, n + 100, 0x5A));
    EXPECT_TRUE(log.messages().empty());
}

TEST(FrameCopy, MissingOrSmallBlockIsMinusOne) {
    TempDir dir;
    LogCapture log;
    writeFrameFile(dir.file("f.dpx"), frame8x4());
    auto reader = MyDPXFile::initWithPath(dir.file("f.dpx"));
    HandleOwner small(NewHandle(8 * 4 * 4 - 1));
    std::memset(*small.get(), 0x5A, 8 * 4 * 4 - 1);
    EXPECT_EQ(reader->readFrameToBuffer(small.get()), -1);
    EXPECT_TRUE(allBytesAre(small.get(), 0, 8 * 4 * 4 - 1, 0x5A));
    EXPECT_EQ(reader->readFrameToBuffer(nullptr), -1);
    EXPECT_EQ(log.count(kTooSmall), 2);
}

TEST(FrameCopy, WithoutHeaderNothingIsCopiedAndStatusIsZero) {
    TempDir dir;
    LogCapture log;
    auto none = MyDPXFile::initWithPath(dir.file("missing.dpx"));
    HandleOwner block(NewHandle(16));
    std::memset(*block.get(), 0x5A, 16);
    EXPECT_EQ(none->readFrameToBuffer(block.get()), noErr);
    EXPECT_TRUE(allBytesAre(block.get(), 0, 16, 0x5A));

    // Width 0: n is 0, nothing to read.
    FrameSpec fileSpec = frame8x4();
    fileSpec.width = 0;
    writeFrameFile(dir.file("empty.dpx"), fileSpec);
    log.clear();
    EXPECT_EQ(MyDPXFile::initWithPath(dir.file("empty.dpx"))->readFrameToBuffer(block.get()), noErr);
    EXPECT_TRUE(log.messages().empty());
}

// Pixel data that the file doesn't hold is a failure: -39 with a log line, the block untouched.
TEST(FrameCopy, PixelDataPastTheEndOfTheFileIsEndOfFile) {
    TempDir dir;
    LogCapture log;
    FrameSpec fileSpec = frame8x4();
    fileSpec.fileSize = 4096 + 8 * 4 * 4 - 4; // accepted (>= 128 bytes) yet one pixel short
    writeFrameFile(dir.file("f.dpx"), fileSpec);
    auto reader = MyDPXFile::initWithPath(dir.file("f.dpx"));
    ASSERT_TRUE(reader->fileOK());
    HandleOwner block(NewHandle(128));
    std::memset(*block.get(), 0x5A, 128);
    log.clear();
    EXPECT_EQ(reader->readFrameToBuffer(block.get()), eofErr);
    EXPECT_EQ(log.messages(), std::vector<std::string>{kReadError});
    EXPECT_TRUE(allBytesAre(block.get(), 0, 128, 0x5A));
}

TEST(FrameCopy, ShortReadIsEndOfFile) {
    TempDir dir;
    LogCapture log;
    writeFrameFile(dir.file("f.dpx"), frame8x4());
    auto reader = MyDPXFile::initWithPath(dir.file("f.dpx"));
    // The file shrinks after the reader learnt its size.
    ASSERT_EQ(truncate(dir.file("f.dpx").c_str(), 4096 + 100), 0);
    HandleOwner block(NewHandle(128));
    std::memset(*block.get(), 0x5A, 128);
    // The copy reads straight into the block (no second copy per frame), so the bytes that did
    // arrive stay there; what matters is that the status tells the caller to stop.
    EXPECT_EQ(reader->readFrameToBuffer(block.get()), eofErr);
    EXPECT_EQ(log.messages(), std::vector<std::string>{kReadError});
    EXPECT_FALSE(HIsLocked(block.get()));
}
