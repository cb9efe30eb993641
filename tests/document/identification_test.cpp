// Identifying one file by its first four bytes: which reader, which code, which one log line.
#include "document/dpx_movie_file.h"

#include "framefiles/dpx_file.h"
#include "support/frame_writer.h"
#include "support/test_support.h"

#include "platform/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace testsupport;

namespace {

std::shared_ptr<FrameFile> identify(const std::string& path, int32_t& code) {
    code = 99; // must be overwritten in every case
    return DPXMovieFile::openFileAtPath(path, code);
}

} // namespace

TEST(Identification, DPXAndCineonGiveTheirReadersAndCodes) {
    TempDir dir;
    LogCapture log;
    writeFrameFile(dir.file("a.dpx"), FrameSpec{});
    FrameSpec cineon;
    cineon.kind = FrameKind::cineon;
    writeFrameFile(dir.file("b.cin"), cineon);

    int32_t code;
    std::shared_ptr<FrameFile> dpx = identify(dir.file("a.dpx"), code);
    ASSERT_NE(dpx, nullptr);
    EXPECT_EQ(code, 1);
    EXPECT_NE(std::dynamic_pointer_cast<MyDPXFile>(dpx), nullptr);
    EXPECT_TRUE(dpx->fileOK());

    std::shared_ptr<FrameFile> cin = identify(dir.file("b.cin"), code);
    ASSERT_NE(cin, nullptr);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(std::dynamic_pointer_cast<MyDPXFile>(cin), nullptr);
    EXPECT_TRUE(log.messages().empty());
}

TEST(Identification, UnknownIDsLogOneLineWithTheirCharacters) {
    TempDir dir;
    LogCapture log;
    FrameSpec swapped;
    swapped.littleEndian = true; // starts X, P, D, S
    writeFrameFile(dir.file("le.dpx"), swapped);
    FrameSpec swappedCineon;
    swappedCineon.kind = FrameKind::cineon;
    swappedCineon.littleEndian = true; // starts D7 5F 2A 80
    writeFrameFile(dir.file("le.cin"), swappedCineon);
    writeFile(dir.file("short"), {0x53, 0x44, 0x50}); // "SDP": fewer than four bytes are ID 0
    writeFile(dir.file("empty"), {});
    writeFile(dir.file("five"), {0, 0, 0, 5, 1, 2, 3});

    struct Case {
        const char* name;
        std::string shown;
    } cases[] = {
        {"le.dpx", "'XPDS' (0x58504453)"}, {"le.cin", "'\xD7\x5F\x2A\x80' (0xd75f2a80)"},
        {"short", "'  00' (0x00000000)"},  {"empty", "'  00' (0x00000000)"},
        {"five", "'  05' (0x00000005)"},
    };
    for (const Case& c : cases) {
        log.clear();
        int32_t code;
        EXPECT_EQ(identify(dir.file(c.name), code), nullptr) << c.name;
        EXPECT_EQ(code, 0);
        EXPECT_EQ(log.messages(), std::vector<std::string>{"Can't identify file " + dir.file(c.name) +
                                                           " - contains unknown ID: " + c.shown + "\n"});
    }
}

TEST(Identification, MissingFilesAndDirectoriesAreTold) {
    TempDir dir;
    LogCapture log;
    int32_t code;
    EXPECT_EQ(identify(dir.file("nothing.dpx"), code), nullptr);
    EXPECT_EQ(code, 0);
    std::filesystem::create_symlink(dir.file("nothing.dpx"), dir.file("dangling.dpx"));
    EXPECT_EQ(identify(dir.file("dangling.dpx"), code), nullptr);
    std::filesystem::create_directory(dir.file("sub.dpx"));
    EXPECT_EQ(identify(dir.file("sub.dpx"), code), nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(log.messages(), (std::vector<std::string>{
                                  "Can't find file at path: " + dir.file("nothing.dpx") + "\n",
                                  "Can't find file at path: " + dir.file("dangling.dpx") + "\n",
                                  "Error: couldn't open file " + dir.file("sub.dpx") + "\n",
                              }));

    if (geteuid() != 0) { // root reads anything
        writeFrameFile(dir.file("locked.dpx"), FrameSpec{});
        ::chmod(dir.file("locked.dpx").c_str(), 0);
        log.clear();
        EXPECT_EQ(identify(dir.file("locked.dpx"), code), nullptr);
        EXPECT_EQ(log.messages(),
                  std::vector<std::string>{"Error: couldn't open file " + dir.file("locked.dpx") + "\n"});
    }
}

TEST(Identification, ARefusingReaderGivesNothingAndOnlyItsOwnComplaint) {
    TempDir dir;
    LogCapture log;
    FrameSpec headerOnly;
    headerOnly.fileSize = 2048;
    writeFrameFile(dir.file("h.dpx"), headerOnly);
    FrameSpec small; // 4 x 2 claimed, 100 x 100 needs more than the file holds
    small.width = 100;
    small.height = 100;
    small.fileSize = 4096;
    writeFrameFile(dir.file("small.dpx"), small);

    int32_t code;
    EXPECT_EQ(identify(dir.file("h.dpx"), code), nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"Error: couldn't open dpx file " + dir.file("h.dpx") + "\n"});
    log.clear();
    EXPECT_EQ(identify(dir.file("small.dpx"), code), nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(log.messages().empty()); // a file too small for its frame is refused silently
}
