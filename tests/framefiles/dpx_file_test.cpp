#include "framefiles/dpx_file.h"

#include "support/frame_writer.h"
#include "support/test_support.h"

#include "platform/log.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace testsupport;

namespace {

std::shared_ptr<MyDPXFile> writeAndOpen(const TempDir& dir, const FrameSpec& spec, LogCapture& log,
                                        const std::string& name = "f.dpx") {
    writeFrameFile(dir.file(name), spec);
    log.clear();
    return MyDPXFile::initWithPath(dir.file(name));
}

} // namespace

TEST(DPXFile, ReadsTheInterpretedHeaderFields) {
    TempDir dir;
    LogCapture log;
    FrameSpec spec;
    spec.width = 720;
    spec.height = 486;
    spec.dataOffset = 8192;
    spec.timecode = timecodeWord(1, 2, 3, 4);
    spec.filename = "shot_0001.dpx";
    spec.storedFileSize = 966848; // stale: never used
    auto reader = writeAndOpen(dir, spec, log);
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
    FrameSpec spec;
    spec.filename = std::string(100, 'n');
    EXPECT_EQ(writeAndOpen(dir, spec, log)->filename(), std::string(100, 'n'));
    spec.filename = "trailing blanks  ";
    EXPECT_EQ(writeAndOpen(dir, spec, log)->filename(), "trailing blanks  ");
}

TEST(DPXFile, NoTimeCodeWhenTheFieldSaysSoOrHoldsPixels) {
    TempDir dir;
    LogCapture log;
    FrameSpec spec;
    EXPECT_EQ(writeAndOpen(dir, spec, log)->timecode(), 0xFFFFFFFFu); // the field's own "none"

    // A 1664-byte header (as ffmpeg writes): bytes 1920-1923 are pixel 64 of line 0.
    spec.width = 100;
    spec.dataOffset = 1664;
    spec.timecode = timecodeWord(1, 0, 0, 0);
    auto pixelsOverField = writeAndOpen(dir, spec, log);
    EXPECT_TRUE(pixelsOverField->fileOK());
    EXPECT_EQ(pixelsOverField->timecode(), 0xFFFFFFFFu);

    spec.dataOffset = 1923;
    EXPECT_EQ(writeAndOpen(dir, spec, log)->timecode(), 0xFFFFFFFFu);
    spec.dataOffset = 1924;
    EXPECT_EQ(writeAndOpen(dir, spec, log)->timecode(), 0x01000000u);
    spec.dataOffset = 0x80000000; // negative as a signed offset
    spec.pixels = std::vector<uint32_t>{};
    EXPECT_EQ(writeAndOpen(dir, spec, log)->timecode(), 0xFFFFFFFFu);
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
    FrameSpec spec;
    spec.width = 4000;
    spec.pixels = std::vector<uint32_t>{};
    spec.fileSize = 2048;
    auto small = writeAndOpen(dir, spec, log, "small.dpx");
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"Error: couldn't open dpx file " + dir.file("small.dpx") + "\n"});
    EXPECT_FALSE(small->fileOK());
    EXPECT_EQ(small->frameSize(), (NSSize{0, 0}));
    EXPECT_EQ(small->timecode(), 0xFFFFFFFFu);

    // One byte more and the header is read.
    spec.width = 4;
    spec.fileSize = 2049;
    auto read = writeAndOpen(dir, spec, log, "small.dpx");
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(read->frameSize(), (NSSize{4, 2}));
    EXPECT_TRUE(read->fileOK());
}

TEST(DPXFile, MagicNumberWarningShowsBytesOrTwoBlanksAndDigits) {
    TempDir dir;
    LogCapture log;
    FrameSpec spec;
    spec.magic = 42;
    auto small = writeAndOpen(dir, spec, log);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"WARNING: file magic number = '  42' (0x0000002a)!\n"});
    EXPECT_EQ(small->check(), FrameFileCheck::wrongMagic);

    spec.magic = 63;
    writeAndOpen(dir, spec, log);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"WARNING: file magic number = '  63' (0x0000003f)!\n"});
    spec.magic = 5;
    writeAndOpen(dir, spec, log);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"WARNING: file magic number = '  05' (0x00000005)!\n"});

    // A little-endian DPX: decoded unswapped, so its size is absurd too.
    spec.magic.reset();
    spec.littleEndian = true;
    auto little = writeAndOpen(dir, spec, log);
    EXPECT_EQ(log.messages(),
              (std::vector<std::string>{"WARNING: excessive frame size! 67108864x33554432\n",
                                        "WARNING: file magic number = 'XPDS' (0x58504453)!\n"}));
    EXPECT_EQ(little->check(), FrameFileCheck::wrongMagic);
}

TEST(DPXFile, FrameSizeLimitIs2048OnEachSide) {
    TempDir dir;
    LogCapture log;
    FrameSpec spec;
    spec.pixels = std::vector<uint32_t>{};
    spec.fileSize = 2049 * 2049 * 4;
    spec.width = 2048;
    spec.height = 2048;
    auto edge = writeAndOpen(dir, spec, log);
    EXPECT_TRUE(log.messages().empty());
    EXPECT_TRUE(edge->fileOK());

    spec.width = 2049;
    auto wide = writeAndOpen(dir, spec, log);
    EXPECT_EQ(log.messages(), std::vector<std::string>{"WARNING: excessive frame size! 2049x2048\n"});
    EXPECT_EQ(wide->check(), FrameFileCheck::widthTooLarge);
    EXPECT_EQ(wide->frameSize(), (NSSize{2049, 2048})); // kept as read

    spec.width = 32;
    spec.height = 2049;
    auto high = writeAndOpen(dir, spec, log);
    EXPECT_EQ(log.messages(), std::vector<std::string>{"WARNING: excessive frame size! 32x2049\n"});
    EXPECT_EQ(high->check(), FrameFileCheck::heightTooLarge);
}

TEST(DPXFile, FileMustHoldWidthTimesHeightTimesFourBytesWhateverTheOffset) {
    TempDir dir;
    LogCapture log;
    FrameSpec spec;
    spec.width = 2048;
    spec.height = 1556;
    spec.dataOffset = 1000000; // takes no part in the test
    spec.pixels = std::vector<uint32_t>{};
    spec.fileSize = 2048 * 1556 * 4;
    EXPECT_TRUE(writeAndOpen(dir, spec, log)->fileOK());
    spec.fileSize = 2048 * 1556 * 4 - 1;
    EXPECT_EQ(writeAndOpen(dir, spec, log)->check(), FrameFileCheck::fileTooSmall);

    // A frame of width 0 is usable; its byte count is 0.
    spec.width = 0;
    spec.fileSize.reset();
    auto empty = writeAndOpen(dir, spec, log);
    EXPECT_TRUE(empty->fileOK());
    EXPECT_EQ(empty->frameByteCount(), 0);
}
