#include "framefiles/dpx_file.h"

#include "support/frame_writer.h"
#include "support/test_support.h"

#include "platform/log.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace testsupport;

namespace {

std::shared_ptr<MyDPXFile> writeAndOpen(const TempDir& dir, const FrameSpec& fileSpec, LogCapture& log,
                                        const std::string& name = "f.dpx") {
    writeFrameFile(dir.file(name), fileSpec);
    log.clear();
    return MyDPXFile::initWithPath(dir.file(name));
}

} // namespace

TEST(DPXFile, ReadsTheInterpretedHeaderFields) {
    TempDir dir;
    LogCapture log;
    FrameSpec fileSpec;
    fileSpec.width = 720;
    fileSpec.height = 486;
    fileSpec.dataOffset = 8192;
    fileSpec.timecode = timecodeWord(1, 2, 3, 4);
    fileSpec.filename = "shot_0001.dpx";
    fileSpec.storedFileSize = 966848; // stale: never used
    auto reader = writeAndOpen(dir, fileSpec, log);
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(reader->fileOK());
    EXPECT_EQ(reader->frameSize(), (NSSize{720, 486}));
    EXPECT_EQ(reader->dataOffset(), 8192);
    EXPECT_EQ(reader->timecode(), 0x01020304u);
    EXPECT_EQ(reader->filename(), "shot_0001.dpx");
    EXPECT_EQ(reader->fileSize(), 8192u + 720 * 486 * 4);
    EXPECT_TRUE(log.messages().empty());

    // After closeFile the header queries answer as before.
    reader->closeFile();
    EXPECT_TRUE(reader->fileOK());
    EXPECT_EQ(reader->frameSize(), (NSSize{720, 486}));
    EXPECT_EQ(reader->dataOffset(), 8192);
    EXPECT_EQ(reader->timecode(), 0x01020304u);
}

TEST(DPXFile, FilenameFieldWithoutNulGivesAllHundredBytes) {
    TempDir dir;
    LogCapture log;
    FrameSpec fileSpec;
    fileSpec.filename = std::string(100, 'n');
    EXPECT_EQ(writeAndOpen(dir, fileSpec, log)->filename(), std::string(100, 'n'));
    fileSpec.filename = "trailing blanks  ";
    EXPECT_EQ(writeAndOpen(dir, fileSpec, log)->filename(), "trailing blanks  ");
}

TEST(DPXFile, NoTimeCodeWhenTheFieldSaysSoOrHoldsPixels) {
    TempDir dir;
    LogCapture log;
    FrameSpec fileSpec;
    EXPECT_EQ(writeAndOpen(dir, fileSpec, log)->timecode(), 0xFFFFFFFFu); // the field's own "none"

    // A 1664-byte header (as ffmpeg writes): bytes 1920-1923 are pixel 64 of line 0.
    fileSpec.width = 100;
    fileSpec.dataOffset = 1664;
    fileSpec.timecode = timecodeWord(1, 0, 0, 0);
    auto pixelsOverField = writeAndOpen(dir, fileSpec, log);
    EXPECT_TRUE(pixelsOverField->fileOK());
    EXPECT_EQ(pixelsOverField->timecode(), 0xFFFFFFFFu);

    fileSpec.dataOffset = 1923;
    EXPECT_EQ(writeAndOpen(dir, fileSpec, log)->timecode(), 0xFFFFFFFFu);
    fileSpec.dataOffset = 1924;
    EXPECT_EQ(writeAndOpen(dir, fileSpec, log)->timecode(), 0x01000000u);
    fileSpec.dataOffset = 0x80000000; // negative as a signed offset
    fileSpec.pixels = std::vector<uint32_t>{};
    EXPECT_EQ(writeAndOpen(dir, fileSpec, log)->timecode(), 0xFFFFFFFFu);
}

TEST(DPXFile, MissingFileDirectoryAndSmallFilesHaveNoHeader) {
    TempDir dir;
    LogCapture log;
    std::string missing = dir.file("missing.dpx");
    auto none = MyDPXFile::initWithPath(missing);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(log.messages(), std::vector<std::string>{"Error: file " + missing + " doesn't exist!?\n"});
    EXPECT_FALSE(none->fileOK());
    EXPECT_EQ(none->check(), FrameFileCheck::noHeader);
    EXPECT_EQ(none->frameSize(), (NSSize{0, 0}));
    EXPECT_EQ(none->dataOffset(), 0);
    EXPECT_EQ(none->filename(), std::nullopt);
    EXPECT_EQ(none->timecode(), 0xFFFFFFFFu);

    log.clear();
    std::string sub = dir.file("sub.dpx");
    mkdir(sub.c_str(), 0755);
    auto directory = MyDPXFile::initWithPath(sub);
    EXPECT_EQ(log.messages(), std::vector<std::string>{"Error: couldn't open dpx file " + sub + "\n"});
    EXPECT_FALSE(directory->fileOK());
    EXPECT_EQ(directory->frameSize(), (NSSize{0, 0}));

    // Exactly 2048 bytes: refused before the header is read, so no size warning either.
    FrameSpec fileSpec;
    fileSpec.width = 4000;
    fileSpec.pixels = std::vector<uint32_t>{};
    fileSpec.fileSize = 2048;
    auto small = writeAndOpen(dir, fileSpec, log, "small.dpx");
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"Error: couldn't open dpx file " + dir.file("small.dpx") + "\n"});
    EXPECT_FALSE(small->fileOK());
    EXPECT_EQ(small->frameSize(), (NSSize{0, 0}));
    EXPECT_EQ(small->timecode(), 0xFFFFFFFFu);

    // One byte more and the header is read.
    fileSpec.width = 4;
    fileSpec.fileSize = 2049;
    auto read = writeAndOpen(dir, fileSpec, log, "small.dpx");
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(read->frameSize(), (NSSize{4, 2}));
    EXPECT_TRUE(read->fileOK());
}

TEST(DPXFile, MagicNumberWarningShowsBytesOrTwoBlanksAndDigits) {
    TempDir dir;
    LogCapture log;
    FrameSpec fileSpec;
    fileSpec.magic = 42;
    auto small = writeAndOpen(dir, fileSpec, log);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"WARNING: file magic number = '  42' (0x0000002a)!\n"});
    EXPECT_EQ(small->check(), FrameFileCheck::wrongMagic);

    fileSpec.magic = 63;
    writeAndOpen(dir, fileSpec, log);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"WARNING: file magic number = '  63' (0x0000003f)!\n"});
    fileSpec.magic = 5;
    writeAndOpen(dir, fileSpec, log);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"WARNING: file magic number = '  05' (0x00000005)!\n"});

    // A little-endian DPX: decoded unswapped, so its size is absurd too.
    fileSpec.magic.reset();
    fileSpec.littleEndian = true;
    auto little = writeAndOpen(dir, fileSpec, log);
    EXPECT_EQ(log.messages(),
              (std::vector<std::string>{"WARNING: excessive frame size! 67108864x33554432\n",
                                        "WARNING: file magic number = 'XPDS' (0x58504453)!\n"}));
    EXPECT_EQ(little->check(), FrameFileCheck::wrongMagic);
}

TEST(DPXFile, FrameSizeLimitIs2048OnEachSide) {
    TempDir dir;
    LogCapture log;
    FrameSpec fileSpec;
    fileSpec.pixels = std::vector<uint32_t>{};
    fileSpec.fileSize = 2049 * 2049 * 4;
    fileSpec.width = 2048;
    fileSpec.height = 2048;
    auto edge = writeAndOpen(dir, fileSpec, log);
    EXPECT_TRUE(log.messages().empty());
    EXPECT_TRUE(edge->fileOK());

    fileSpec.width = 2049;
    auto wide = writeAndOpen(dir, fileSpec, log);
    EXPECT_EQ(log.messages(), std::vector<std::string>{"WARNING: excessive frame size! 2049x2048\n"});
    EXPECT_EQ(wide->check(), FrameFileCheck::widthTooLarge);
    EXPECT_EQ(wide->frameSize(), (NSSize{2049, 2048})); // kept as read

    fileSpec.width = 32;
    fileSpec.height = 2049;
    auto high = writeAndOpen(dir, fileSpec, log);
    EXPECT_EQ(log.messages(), std::vector<std::string>{"WARNING: excessive frame size! 32x2049\n"});
    EXPECT_EQ(high->check(), FrameFileCheck::heightTooLarge);
}

TEST(DPXFile, FileMustHoldWidthTimesHeightTimesFourBytesWhateverTheOffset) {
    TempDir dir;
    LogCapture log;
    FrameSpec fileSpec;
    fileSpec.width = 2048;
    fileSpec.height = 1556;
    fileSpec.dataOffset = 1000000; // takes no part in the test
    fileSpec.pixels = std::vector<uint32_t>{};
    fileSpec.fileSize = 2048 * 1556 * 4;
    EXPECT_TRUE(writeAndOpen(dir, fileSpec, log)->fileOK());
    fileSpec.fileSize = 2048 * 1556 * 4 - 1;
    EXPECT_EQ(writeAndOpen(dir, fileSpec, log)->check(), FrameFileCheck::fileTooSmall);

    // A frame of width 0 is usable; its byte count is 0.
    fileSpec.width = 0;
    fileSpec.fileSize.reset();
    auto empty = writeAndOpen(dir, fileSpec, log);
    EXPECT_TRUE(empty->fileOK());
    EXPECT_EQ(empty->frameByteCount(), 0);
}
