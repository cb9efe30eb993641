// reelmaker scan: the sequence that opening a file finds, what is left out, gaps and odd frames.
#include "support/frame_writer.h"
#include "support/json_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

using namespace testsupport;
using Names = std::vector<std::string>;

namespace {

JsonValue scanJson(const std::string& path, CommandResult* result = nullptr) {
    CommandResult run = runCli({"scan", "--json", path});
    if (result)
        *result = run;
    std::optional<JsonValue> parsed = parseJson(run.out);
    EXPECT_TRUE(parsed) << "not JSON: " << run.out << run.err;
    return parsed.value_or(JsonValue{});
}

Names texts(const JsonValue& array) {
    Names out;
    for (const JsonValue& item : array.items)
        out.push_back(item.text);
    return out;
}

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// shot_0001..0003, 0005 and 0009 are frames (0002 of another size, 0003 with its pixels further
// on); 0004 is byte-swapped, 0006 a bare header, 0007 a directory and 0008 a text file.
void writeMixedSequence(const TempDir& dir) {
    FrameSpec fileSpec;
    fileSpec.timecode = timecodeWord(1, 0, 0, 0);
    for (const char* name : {"shot_0001.dpx", "shot_0005.dpx", "shot_0009.dpx"})
        writeFrameFile(dir.file(name), fileSpec);
    FrameSpec larger = fileSpec;
    larger.width = 6;
    writeFrameFile(dir.file("shot_0002.dpx"), larger);
    FrameSpec later = fileSpec;
    later.dataOffset = 4096;
    writeFrameFile(dir.file("shot_0003.dpx"), later);
    FrameSpec swapped;
    swapped.littleEndian = true;
    writeFrameFile(dir.file("shot_0004.dpx"), swapped);
    FrameSpec headerOnly;
    headerOnly.fileSize = 2048;
    writeFrameFile(dir.file("shot_0006.dpx"), headerOnly);
    std::filesystem::create_directory(dir.file("shot_0007"));
    writeFile(dir.file("shot_0008.txt"), {'n', 'o', 't', 'e'});
    writeFile(dir.file("take_0001.dpx"), {'n', 'o', 't', 'e'}); // another base: never opened
}

} // namespace

TEST(ScanCommand, JsonGivesTheSequenceWhatIsLeftOutGapsAndDifferingFrames) {
    TempDir dir;
    writeMixedSequence(dir);
    CommandResult run;
    JsonValue scan = scanJson(dir.file("shot_0005.dpx"), &run);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(scan.keys, (Names{"directory", "base_name", "frames", "current_index", "width", "height",
                                "timecode", "left_out", "numbering_gaps", "differing_frames"}));
    EXPECT_EQ(scan["directory"].text, dir.path().string());
    EXPECT_EQ(scan["base_name"].text, "shot_");
    EXPECT_EQ(texts(scan["frames"]),
              (Names{"shot_0001.dpx", "shot_0002.dpx", "shot_0003.dpx", "shot_0005.dpx", "shot_0009.dpx"}));
    EXPECT_EQ(scan["current_index"].number, 3);
    EXPECT_EQ(scan["width"].number, 4);
    EXPECT_EQ(scan["height"].number, 2);
    EXPECT_EQ(scan["timecode"].text, "01:00:00:00");

    const JsonValue& leftOut = scan["left_out"];
    ASSERT_EQ(leftOut.items.size(), 4u);
    EXPECT_EQ(leftOut[0].keys, (Names{"name", "reason"}));
    EXPECT_EQ(leftOut[0]["name"].text, "shot_0004.dpx");
    EXPECT_EQ(leftOut[0]["reason"].text, "little-endian DPX: its pixels would have to be converted");
    EXPECT_EQ(leftOut[1]["name"].text, "shot_0006.dpx");
    EXPECT_EQ(leftOut[1]["reason"].text, "file of 2048 bytes or less: no header read");
    EXPECT_EQ(leftOut[2]["name"].text, "shot_0007");
    EXPECT_EQ(leftOut[2]["reason"].text, "a folder");
    EXPECT_EQ(leftOut[3]["name"].text, "shot_0008.txt");
    EXPECT_EQ(leftOut[3]["reason"].text, "unknown ID 'note' (0x6e6f7465)");

    const JsonValue& gaps = scan["numbering_gaps"];
    ASSERT_EQ(gaps.items.size(), 2u);
    EXPECT_EQ(texts(gaps[0]), (Names{"shot_0003.dpx", "shot_0005.dpx"}));
    EXPECT_EQ(texts(gaps[1]), (Names{"shot_0005.dpx", "shot_0009.dpx"}));
    EXPECT_EQ(texts(scan["differing_frames"]), (Names{"shot_0002.dpx", "shot_0003.dpx"}));

    // The scan's own log lines appear once each: the second look at the entries is quiet.
    EXPECT_EQ(occurrences(run.err, "Can't identify file " + dir.file("shot_0004.dpx")), 1u);
    EXPECT_EQ(occurrences(run.err, "Error: couldn't open dpx file " + dir.file("shot_0006.dpx")), 1u);
    EXPECT_EQ(occurrences(run.err, "Error: couldn't open file " + dir.file("shot_0007")), 1u);
    EXPECT_EQ(occurrences(run.err, "take_0001"), 0u);
}

TEST(ScanCommand, TextListsTheFramesAndMarksTheOpenedOne) {
    TempDir dir;
    writeMixedSequence(dir);
    CommandResult run = runCli({"scan", dir.file("shot_0002.dpx")});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_NE(run.out.find("base name   \"shot_\"\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("frame       6 x 2\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("timecode    01:00:00:00\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("       1  shot_0002.dpx  (opened)\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  shot_0007: a folder\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  after shot_0005.dpx, before shot_0009.dpx\n"), std::string::npos) << run.out;
    // Seen from the 6-pixel frame, the 4-pixel ones differ.
    EXPECT_NE(run.out.find("  shot_0001.dpx: 4 x 2, data offset 2048\n"), std::string::npos) << run.out;
}

TEST(ScanCommand, CineonHasNoTimecodeAndARelativeNameScansTheCurrentDirectory) {
    TempDir dir;
    FrameSpec cineon;
    cineon.kind = FrameKind::cineon;
    writeFrameFile(dir.file("c_1.cin"), cineon);
    writeFrameFile(dir.file("c_2.cin"), cineon);
    JsonValue scan = scanJson(dir.file("c_2.cin"));
    EXPECT_TRUE(scan["timecode"].isNull());
    EXPECT_EQ(scan["current_index"].number, 1);

    CommandResult run =
        runShell("cd '" + dir.path().string() + "' && '" + REELMAKER_CLI_PATH + "' scan --json c_1.cin");
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    std::optional<JsonValue> relative = parseJson(run.out);
    ASSERT_TRUE(relative) << run.out;
    EXPECT_EQ((*relative)["directory"].text, "");
    EXPECT_EQ(texts((*relative)["frames"]), (Names{"c_1.cin", "c_2.cin"}));
}

TEST(ScanCommand, FailedOpeningAndUsageErrors) {
    TempDir dir;
    FrameSpec swapped;
    swapped.littleEndian = true;
    writeFrameFile(dir.file("le.dpx"), swapped);
    const std::pair<Names, const char*> cases[] = {
        {Names{"scan", dir.file("le.dpx")}, "little-endian DPX: its pixels would have to be converted"},
        {Names{"scan", "--json", dir.file("gone.dpx")}, "no such file"}};
    for (const auto& [args, why] : cases) {
        CommandResult run = runCli(args);
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_EQ(run.out.empty(), args[1] != "--json") << run.out; // --json says it in JSON too
        EXPECT_NE(run.err.find("Error: couldn't open file " + args.back() + ": " + why + "\n"),
                  std::string::npos)
            << run.err;
    }
    EXPECT_EQ(runCli({"scan"}).exitStatus, 2);
    EXPECT_EQ(runCli({"scan", "--json"}).exitStatus, 2);
    EXPECT_EQ(runCli({"scan", dir.file("le.dpx"), dir.file("le.dpx")}).exitStatus, 2);
    EXPECT_EQ(runCli({"scan", "--frames", dir.file("le.dpx")}).exitStatus, 2);
}

TEST(ScanCommand, AFifoADeviceAndALoopOfLinksAreLeftOutForWhatTheyAre) {
    TempDir dir;
    writeFrameFile(dir.file("shot_0001.dpx"), FrameSpec{});
    ASSERT_EQ(mkfifo(dir.file("shot_0002.dpx").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir.file("shot_0003.dpx"));
    std::filesystem::create_symlink("shot_0005.dpx", dir.file("shot_0004.dpx"));
    std::filesystem::create_symlink("shot_0004.dpx", dir.file("shot_0005.dpx"));
    JsonValue scan = scanJson(dir.file("shot_0001.dpx"));
    EXPECT_EQ(texts(scan["frames"]), (Names{"shot_0001.dpx"}));
    const JsonValue& leftOut = scan["left_out"];
    ASSERT_EQ(leftOut.items.size(), 4u);
    EXPECT_EQ(leftOut[0]["reason"].text, "not a regular file");
    EXPECT_EQ(leftOut[1]["reason"].text, "not a regular file");
    EXPECT_EQ(leftOut[2]["reason"].text, "symbolic link loop");
    EXPECT_EQ(leftOut[3]["reason"].text, "symbolic link loop");
    // ls says the same of the same entries, in the same words.
    const JsonValue listed = *parseJson(runCli({"ls", "--json", dir.path().string()}).out);
    const JsonValue& lsLeftOut = listed["sequences"][0]["left_out"];
    ASSERT_EQ(lsLeftOut.items.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(lsLeftOut[i]["reason"].text, leftOut[i]["reason"].text) << i;
}

TEST(ScanCommand, AFolderThatMayBeReadButNotSearchedSaysPermissionDenied) {
    // Root searches every folder: the commands run as nobody.
    if (geteuid() != 0 || std::system("command -v setpriv >/dev/null") != 0)
        GTEST_SKIP() << "needs root and setpriv to run the commands as another user";
    TempDir dir;
    std::filesystem::create_directory(dir.file("noexec"));
    writeFrameFile(dir.file("noexec/p_0001.dpx"), FrameSpec{});
    ::chmod(dir.path().c_str(), 0755);
    ::chmod(dir.file("noexec").c_str(), 0744);
    // A copy of the tool that nobody may run, wherever the build tree lies.
    std::filesystem::copy_file(REELMAKER_CLI_PATH, dir.file("reelmaker"));
    ::chmod(dir.file("reelmaker").c_str(), 0755);
    auto asNobody = [&](const std::string& command, const std::string& path) {
        return runProgram({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", dir.file("reelmaker"),
                           command, path});
    };
    CommandResult ls = asNobody("ls", dir.file("noexec"));
    EXPECT_EQ(ls.exitStatus, 1);
    EXPECT_EQ(ls.out, dir.file("noexec") + ": can't be read: p_0001.dpx: permission denied\n");
    CommandResult scan = asNobody("scan", dir.file("noexec/p_0001.dpx"));
    EXPECT_EQ(scan.exitStatus, 1);
    EXPECT_NE(scan.err.find(": permission denied\n"), std::string::npos) << scan.err;
}

namespace {

TEST(ScanCommand, LogLinesShowNamesAndFileBytesEscaped) {
    TempDir dir;
    // A name that would set the terminal's title and bytes that would clear its screen.
    const std::string name = dir.file("a\x1b]0;T\x07.dpx");
    const struct {
        const char* name;
        bool exists;
        std::string line;
    } cases[] = {
        {"an unknown ID", true,
         "Can't identify file " + dir.file("a\\x1b]0;T\\x07.dpx") +
             " - contains unknown ID: '\\x1b[2J' (0x1b5b324a)\n"},
        {"a missing file", false, "Can't find file at path: " + dir.file("a\\x1b]0;T\\x07.dpx") + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(name);
        if (c.exists)
            writeFile(name, {0x1b, '[', '2', 'J', 'x', 'x', 'x', 'x'});
        CommandResult run = runCli({"scan", name});
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_NE(run.err.find(c.line), std::string::npos) << run.err;
        for (char byte : run.err)
            EXPECT_TRUE(byte == '\n' || static_cast<unsigned char>(byte) >= 0x20) << run.err;
    }
}

} // namespace
