// reelmaker describe: the document window's description and settings for a file, with the
// window's controls set from the options.
#include "document_fixtures.h"

#include "support/json_reader.h"

#include <gtest/gtest.h>

using namespace testsupport;
using namespace docfixtures;

namespace {

const std::vector<std::string> kKeys{
    "description", "content_width", "content_height", "timescale", "frame_duration",
    "rate_fixed",  "drop_frame",    "codec",          "source_id", "proposed_name",
    "in",          "out",           "frames",         "timecode",  "warnings"};

JsonValue describeJson(std::vector<std::string> args, CommandResult* result = nullptr) {
    args.insert(args.begin(), {"describe", "--json"});
    CommandResult run = runCli(args);
    if (result)
        *result = run;
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    std::optional<JsonValue> parsed = parseJson(run.out);
    EXPECT_TRUE(parsed) << "not JSON: " << run.out << run.err;
    return parsed.value_or(JsonValue{});
}

} // namespace

TEST(DescribeCommand, ShowsTheWindowOfAFreshDocumentWithTheRegisteredDefaults) {
    TempDir dir;
    FrameSpec fileSpec;
    fileSpec.width = 720;
    fileSpec.height = 486;
    writeFrames(dir, shotNames(1, 12), fileSpec);

    CommandResult text = runCli({"describe", dir.file("shot_0005.dpx")});
    ASSERT_EQ(text.exitStatus, 0) << text.err;
    EXPECT_EQ(text.out, "shot_0005.dpx\n"
                        "720x486\n"
                        "12 frames: 0-11,  ~16.0 MBytes\n"
                        "\n"
                        "window          766 x 601\n"
                        "time scale      2997\n"
                        "frame duration  125\n"
                        "rate            0x0017F9DB (23.976 fps)\n"
                        "drop frame      no\n"
                        "codec           R10k\n"
                        "source ID       \"\"\n"
                        "proposed name   shot_.mov\n"
                        "range           0-11, 12 frames\n");
    // The software output device is there: no complaint about a missing output controller.
    EXPECT_EQ(text.err.find("Couldn't open VideoOut!"), std::string::npos);

    JsonValue json = describeJson({dir.file("shot_0005.dpx")});
    EXPECT_EQ(json.keys, kKeys);
    EXPECT_EQ(json["description"].text, "shot_0005.dpx\n720x486\n12 frames: 0-11,  ~16.0 MBytes");
    EXPECT_EQ(json["content_width"].number, 766);
    EXPECT_EQ(json["content_height"].number, 601);
    EXPECT_EQ(json["timescale"].number, 2997);
    EXPECT_EQ(json["frame_duration"].number, 125);
    EXPECT_EQ(json["rate_fixed"].number, 0x0017F9DB);
    EXPECT_FALSE(json["drop_frame"].boolean);
    EXPECT_EQ(json["codec"].text, "R10k");
    EXPECT_EQ(json["source_id"].text, "");
    EXPECT_EQ(json["proposed_name"].text, "shot_.mov");
    EXPECT_EQ(json["in"].number, 0);
    EXPECT_EQ(json["out"].number, 11);
    EXPECT_EQ(json["frames"].number, 12);
}

TEST(DescribeCommand, AppliesTheOptionsAsTheControlsWould) {
    TempDir dir;
    FrameSpec fileSpec;
    fileSpec.width = 1280;
    fileSpec.height = 720;
    fileSpec.pixels = std::vector<uint32_t>{};
    fileSpec.fileSize = 2048 + 1280 * 720 * 4;
    writeFrames(dir, shotNames(1, 8), fileSpec);

    JsonValue json = describeJson({dir.file("shot_0001.dpx"), "--rate", "29.97df", "--codec", "R10g", "--in",
                                   "2", "--out", "5", "--source-id", "Reel 1"});
    // Marking browsed to frame 2 and then 5: the window shows frame 5.
    EXPECT_EQ(json["description"].text, "shot_0006.dpx\n1280x720\n4 frames: 2-5,  ~14.1 MBytes");
    EXPECT_EQ(json["content_width"].number, 1280 + 46);
    EXPECT_EQ(json["content_height"].number, 720 + 115);
    EXPECT_EQ(json["timescale"].number, 2997);
    EXPECT_EQ(json["frame_duration"].number, 100);
    EXPECT_EQ(json["rate_fixed"].number, 0x001DF851);
    EXPECT_TRUE(json["drop_frame"].boolean);
    EXPECT_EQ(json["codec"].text, "R10g");
    EXPECT_EQ(json["source_id"].text, "Reel 1");
    EXPECT_EQ(json["in"].number, 2);
    EXPECT_EQ(json["out"].number, 5);
    EXPECT_EQ(json["frames"].number, 4);

    // A tag works as well as a name; in and out on one frame give a range of one.
    json = describeJson({"--rate", "4", dir.file("shot_0003.dpx"), "--in", "7", "--out", "7"});
    EXPECT_FALSE(json["drop_frame"].boolean);
    EXPECT_EQ(json["rate_fixed"].number, 0x001DF851);
    EXPECT_EQ(json["in"].number, 7);
    EXPECT_EQ(json["out"].number, 7);
    EXPECT_EQ(json["frames"].number, 1);
    EXPECT_EQ(json["description"].text, "shot_0008.dpx\n1280x720\n1 frame: 7-7,  ~3.5 MBytes");

    // Only an out point: the in point stays at the start.
    json = describeJson({dir.file("shot_0003.dpx"), "--out", "3"});
    EXPECT_EQ(json["in"].number, 0);
    EXPECT_EQ(json["out"].number, 3);
}

TEST(DescribeCommand, RefusesBadOptionsAndFilesThatDontOpen) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 3));
    writeFile(dir.file("notes.txt"), {'n', 'o', 't', 'e'});
    const std::string file = dir.file("shot_0001.dpx");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"describe"}, 2, "no file given"},
        {{"describe", file, "--rate", "9"}, 2, "unknown frame rate '9'"},
        {{"describe", file, "--codec", "v210"}, 2, "unknown codec 'v210'"},
        {{"describe", file, "--in", "1x"}, 2, "--in needs a frame index, not '1x'"},
        {{"describe", file, "--out"}, 2, "--out needs a value"},
        {{"describe", file, "--in", "2", "--out", "1"}, 2, "--in 2 is after --out 1"},
        {{"describe", file, "--out", "3"}, 2, "frame 3 is outside the sequence's frames 0-2"},
        {{"describe", file, "--in", "-1"}, 2, "frame -1 is outside the sequence's frames 0-2"},
        {{"describe", file, file}, 2, "one file only"},
        {{"describe", file, "--bogus"}, 2, "unknown option '--bogus'"},
        {{"describe", dir.file("notes.txt")}, 1, "Error: couldn't open file"},
        {{"describe", dir.file("missing.dpx")}, 1, "Error: couldn't open file"},
    };
    for (const Case& c : cases) {
        CommandResult run = runCli(c.args);
        EXPECT_EQ(run.exitStatus, c.status) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "") << c.message;
    }
}
