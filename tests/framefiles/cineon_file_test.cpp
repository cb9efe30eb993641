#include "framefiles/cineon_file.h"

#include "support/frame_writer.h"
#include "support/test_support.h"

#include "platform/log.h"

#include <gtest/gtest.h>

using namespace testsupport;

TEST(CineonFile, ReadsItsFieldsAtTheCineonOffsets) {
    TempDir dir;
    FrameSpec fileSpec;
    fileSpec.kind = FrameKind::cineon;
    fileSpec.width = 160;
    fileSpec.height = 90;
    fileSpec.dataOffset = 32768;
    fileSpec.filename = "/net/test.cin";
    writeFrameFile(dir.file("f.cin"), fileSpec);
    LogCapture log;
    auto reader = MyCineonFile::initWithPath(dir.file("f.cin"));
    EXPECT_TRUE(reader->fileOK());
    EXPECT_EQ(reader->frameSize(), (NSSize{160, 90}));
    EXPECT_EQ(reader->dataOffset(), 32768);
    EXPECT_EQ(reader->filename(), "/net/test.cin");
    ASSERT_TRUE(reader->declaredLayout());
    EXPECT_EQ(reader->declaredLayout()->text, "3 ch 10-bit, packing 5");
    EXPECT_TRUE(log.messages().empty());
}

TEST(CineonFile, NamesCineonInItsOpenMessage) {
    TempDir dir;
    LogCapture log;
    FrameSpec fileSpec;
    fileSpec.kind = FrameKind::cineon;
    fileSpec.width = 46341;
    fileSpec.height = 46341;
    fileSpec.pixels = std::vector<uint32_t>{};
    fileSpec.fileSize = 2048;
    writeFrameFile(dir.file("bomb.cin"), fileSpec);
    auto reader = MyCineonFile::initWithPath(dir.file("bomb.cin"));
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"Error: couldn't open Cineon file " + dir.file("bomb.cin") + "\n"});
    EXPECT_FALSE(reader->fileOK());
    EXPECT_EQ(reader->declaredLayout(), std::nullopt);

    log.clear();
    fileSpec.fileSize = 2049;
    writeFrameFile(dir.file("bomb.cin"), fileSpec);
    EXPECT_FALSE(MyCineonFile::initWithPath(dir.file("bomb.cin"))->fileOK());
    EXPECT_EQ(log.messages(), std::vector<std::string>{"WARNING: excessive frame size! 46341x46341\n"});
}

TEST(CineonFile, DPXFileHandedToTheCineonReaderIsRefused) {
    TempDir dir;
    writeFrameFile(dir.file("f.dpx"), FrameSpec{});
    LogCapture log;
    auto reader = MyCineonFile::initWithPath(dir.file("f.dpx"));
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"WARNING: file magic number = 'SDPX' (0x53445058)!\n"});
    EXPECT_EQ(reader->check(), FrameFileCheck::wrongMagic);
}
