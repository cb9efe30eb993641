// reelmaker ls: the sequences of a folder tree as the document finds them.
#include "support/frame_writer.h"
#include "support/json_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

namespace {

void writeFrames(const std::string& directory, const std::string& base, std::vector<int> numbers,
                 FrameSpec fileSpec = {}) {
    std::filesystem::create_directories(directory);
    for (int number : numbers) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%04d.%s", base.c_str(), number,
                      fileSpec.kind == FrameKind::cineon ? "cin" : "dpx");
        writeFrameFile(directory + "/" + name, fileSpec);
    }
}

TEST(LsCommand, ListsEverySequenceOfATreeWithGapsKindsAndWhatWasLeftOut) {
    TempDir root;
    const std::string top = root.file("job");
    FrameSpec dpx;
    dpx.timecode = timecodeWord(1, 0, 0, 0);
    writeFrames(top + "/A", "shot_", {1, 2, 3, 5}, dpx); // a gap after 3
    writeFrames(top + "/A", "shot_v2_", {1, 2}, dpx);    // shares the prefix shot_
    writeFile(top + "/A/shot_0004.dpx", {'n', 'o', 'p', 'e'});
    std::filesystem::create_symlink("gone.dpx", top + "/A/shot_0006.dpx"); // unreadable, even by root
    FrameSpec cineon;
    cineon.kind = FrameKind::cineon;
    cineon.width = 8;
    writeFrames(top + "/B/deep", "scan_", {10, 11, 12}, cineon);
    std::filesystem::create_directories(top + "/C");
    writeFile(top + "/C/notes.txt", {'h', 'i'});

    CommandResult flat = runCli({"ls", "--json", top});
    EXPECT_EQ(flat.exitStatus, 1) << "no sequence directly in the folder"; // nothing matched
    CommandResult result = runCli({"ls", "--json", "-R", top});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    std::optional<JsonValue> json = parseJson(result.out);
    ASSERT_TRUE(json) << result.out;
    const JsonValue& sequences = (*json)["sequences"];
    ASSERT_EQ(sequences.items.size(), 3u) << result.out;

    const JsonValue& shot = sequences[0];
    EXPECT_EQ(shot["directory"].text, top + "/A");
    EXPECT_EQ(shot["base_name"].text, "shot_");
    EXPECT_EQ(shot["kind"].text, "dpx");
    EXPECT_EQ(shot["first_frame"].number, 1);
    EXPECT_EQ(shot["frames"].number, 6); // what translate takes: the prefix lets shot_v2_ in
    EXPECT_EQ(shot["last_frame"].number, 5);
    ASSERT_EQ(shot["other_pattern"].items.size(), 2u);
    EXPECT_EQ(shot["other_pattern"][0].text, "shot_v2_0001.dpx");
    EXPECT_EQ(shot["timecode"].text, "01:00:00:00");
    ASSERT_EQ(shot["left_out"].items.size(), 2u);
    EXPECT_EQ(shot["left_out"][0]["name"].text, "shot_0004.dpx");
    EXPECT_EQ(shot["left_out"][1]["reason"].text, "no such file") << result.out;
    ASSERT_EQ(shot["numbering_gaps"].items.size(), 1u);
    EXPECT_EQ(shot["numbering_gaps"][0][0].text, "shot_0003.dpx");

    const JsonValue& v2 = sequences[1];
    EXPECT_EQ(v2["base_name"].text, "shot_v2_");
    EXPECT_EQ(v2["frames"].number, 2);
    EXPECT_EQ(v2["last_frame"].number, 2);

    const JsonValue& scan = sequences[2];
    EXPECT_EQ(scan["directory"].text, top + "/B/deep");
    EXPECT_EQ(scan["kind"].text, "cineon");
    EXPECT_EQ(scan["first_frame"].number, 10);
    EXPECT_EQ(scan["last_frame"].number, 12);
    EXPECT_EQ(scan["width"].number, 8);
    EXPECT_TRUE(scan["timecode"].isNull());

    CommandResult text = runCli({"ls", "-R", top});
    EXPECT_NE(
        text.out.find(
            top +
            "/A/shot_[1-5].dpx  6 frames  4x2  dpx  01:00:00:00  1 gap  2 left out  2 of another pattern  -> shot_.mov\n"),
        std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find(top + "/C: no sequence\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(top + "/B/deep/scan_[10-12].cin  3 frames  8x2  cineon  no timecode  -> scan_.mov\n"),
              std::string::npos)
        << text.out;

    EXPECT_EQ(runCli({"ls", root.file("absent")}).exitStatus, 1);
    EXPECT_EQ(runCli({"ls"}).exitStatus, 2);
}

} // namespace

TEST(LsCommand, FrameNumbersAreUnsigned64BitInEveryCommand) {
    TempDir dir;
    const std::string folder = dir.file("big");
    std::filesystem::create_directories(folder);
    for (const char* number : {"9223372036854775807", "9223372036854775808", "18446744073709551615",
                               "18446744073709551616", "99999999999999999999"})
        writeFrameFile(folder + "/b_" + number + ".dpx", FrameSpec{});

    CommandResult listed = runCli({"ls", "--json", folder});
    ASSERT_EQ(listed.exitStatus, 0) << listed.err;
    // Numbers as the names spell them, never wrapped to negative ones.
    EXPECT_NE(listed.out.find("\"first_frame\":9223372036854775807"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("\"last_frame\":18446744073709551615"), std::string::npos) << listed.out;
    const JsonValue sequence = (*parseJson(listed.out))["sequences"][0];
    ASSERT_EQ(sequence["other_pattern"].items.size(), 2u) << listed.out;
    EXPECT_EQ(sequence["other_pattern"][0].text, "b_18446744073709551616.dpx");

    // translate sees the same pattern: --strict refuses, --from takes a number above 2^63.
    const std::string first = folder + "/b_9223372036854775807.dpx";
    CommandResult strict = runCli({"translate", "--strict", "--reference", first, "-o", dir.file("s.mov")});
    EXPECT_EQ(strict.exitStatus, 1);
    EXPECT_NE(strict.err.find("names of another pattern than b_9223372036854775807.dpx: "
                              "b_18446744073709551616.dpx, b_99999999999999999999.dpx"),
              std::string::npos)
        << strict.err;
    CommandResult from = runCli({"translate", "--json", "--reference", first, "--from", "9223372036854775808",
                                 "--to", "18446744073709551615", "-o", dir.file("r.mov")});
    EXPECT_EQ(from.exitStatus, 0) << from.err;
    EXPECT_EQ((*parseJson(from.out))["frames_written"].number, 2) << from.out;
    EXPECT_EQ(runCli({"translate", first, "--from", "18446744073709551616"}).exitStatus, 2);
}
