// A reader made over a file its caller has already opened answers as one that opens the path.
#include "framefiles/cineon_file.h"
#include "framefiles/dpx_file.h"

#include "support/frame_writer.h"
#include "support/test_support.h"

#include "platform/log.h"

#include <gtest/gtest.h>

using namespace testsupport;

TEST(OpenFileHandover, ReaderOverAnOpenFileMatchesTheOneThatOpensThePath) {
    TempDir dir;
    LogCapture log;
    FrameSpec fileSpec;
    fileSpec.width = 8;
    fileSpec.height = 4;
    fileSpec.dataOffset = 4096;
    fileSpec.timecode = timecodeWord(1, 2, 3, 4);
    writeFrameFile(dir.file("a.dpx"), fileSpec);
    std::shared_ptr<MyDPXFile> byPath = MyDPXFile::initWithPath(dir.file("a.dpx"));
    std::shared_ptr<MyDPXFile> byFile = MyDPXFile::initWithPath(
        dir.file("a.dpx"), ReadableFile::fileHandleForReadingAtPath(dir.file("a.dpx")));
    ASSERT_TRUE(byFile && byFile->fileOK());
    EXPECT_EQ(byFile->fileSize(), byPath->fileSize());
    EXPECT_EQ(byFile->frameSize(), byPath->frameSize());
    EXPECT_EQ(byFile->dataOffset(), 4096);
    EXPECT_EQ(byFile->timecode(), 0x01020304u);

    // The same complaints: a bare header, and (with no open file given) a missing path.
    FrameSpec cineon;
    cineon.kind = FrameKind::cineon;
    cineon.fileSize = 2048;
    writeFrameFile(dir.file("h.cin"), cineon);
    log.clear();
    EXPECT_FALSE(MyCineonFile::initWithPath(dir.file("h.cin"),
                                            ReadableFile::fileHandleForReadingAtPath(dir.file("h.cin")))
                     ->fileOK());
    EXPECT_FALSE(MyDPXFile::initWithPath(dir.file("gone.dpx"), nullptr)->fileOK());
    EXPECT_EQ(log.messages(),
              (std::vector<std::string>{"Error: couldn't open Cineon file " + dir.file("h.cin") + "\n",
                                        "Error: file " + dir.file("gone.dpx") + " doesn't exist!?\n"}));
}
