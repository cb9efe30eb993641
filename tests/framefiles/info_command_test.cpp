// reelmaker info on frame files built here.
#include "support/frame_writer.h"
#include "support/json_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

JsonValue infoJson(const std::vector<std::string>& paths, CommandResult* result = nullptr) {
    std::vector<std::string> args{"info", "--json"};
    args.insert(args.end(), paths.begin(), paths.end());
    CommandResult run = runCli(args);
    if (result)
        *result = run;
    std::optional<JsonValue> parsed = parseJson(run.out);
    EXPECT_TRUE(parsed) << "not JSON: " << run.out;
    return parsed.value_or(JsonValue{});
}

} // namespace

TEST(InfoCommand, ReportsEveryKeyOfAnAcceptedDPX) {
    TempDir dir;
    FrameSpec fileSpec;
    fileSpec.width = 64;
    fileSpec.height = 32;
    fileSpec.dataOffset = 8192;
    fileSpec.filename = "shot_0001.dpx";
    fileSpec.timecode = 0x50a359d2; // flag bits set in every byte
    writeFrameFile(dir.file("shot_0001.dpx"), fileSpec);
    CommandResult run;
    JsonValue all = infoJson({dir.file("shot_0001.dpx")}, &run);
    EXPECT_EQ(run.exitStatus, 0);
    ASSERT_EQ(all.items.size(), 1u);
    const JsonValue& f = all[0];
    EXPECT_EQ(f.keys, (std::vector<std::string>{"path", "kind", "file_ok", "problem", "width", "height",
                                                "data_offset", "filename", "timecode", "layout"}));
    EXPECT_EQ(f["path"].text, dir.file("shot_0001.dpx"));
    EXPECT_EQ(f["kind"].text, "dpx");
    EXPECT_TRUE(f["file_ok"].boolean);
    EXPECT_TRUE(f["problem"].isNull());
    EXPECT_EQ(f["width"].number, 64);
    EXPECT_EQ(f["height"].number, 32);
    EXPECT_EQ(f["data_offset"].number, 8192);
    EXPECT_EQ(f["filename"].text, "shot_0001.dpx");
    EXPECT_EQ(f["timecode"].text, "10:23:59:12");
    EXPECT_EQ(f["layout"].text, "RGB 10-bit filled A");
    EXPECT_EQ(run.err, ""); // nothing logged, no layout warning

    fileSpec.timecode = 0x0000001a; // a nibble above 9
    writeFrameFile(dir.file("shot_0001.dpx"), fileSpec);
    EXPECT_EQ(infoJson({dir.file("shot_0001.dpx")})[0]["timecode"].text, "00:00:00:1a");

    // 01:00:00:45: bit 6 of the frames byte is a flag at 30 frames per second or fewer, a digit when
    // the header's own rate (film frame rate at 1724, temporal sampling rate at 1940) says more.
    fileSpec.timecode = timecodeWord(1, 0, 0, 45);
    struct Rate {
        size_t offset;
        uint32_t bits; // f32 big-endian
        const char* shown;
    };
    for (const Rate& rate : {Rate{1724, 0xFFFFFFFF, "01:00:00:05"}, Rate{1724, 0x41C80000, "01:00:00:05"},
                             Rate{1724, 0x42480000, "01:00:00:45"}, Rate{1940, 0x426FC28F, "01:00:00:45"}}) {
        std::vector<uint8_t> bytes = frameFileBytes(fileSpec);
        for (int i = 0; i < 4; ++i)
            bytes[rate.offset + size_t(i)] = uint8_t(rate.bits >> (24 - 8 * i));
        writeFile(dir.file("shot_0001.dpx"), bytes);
        EXPECT_EQ(infoJson({dir.file("shot_0001.dpx")})[0]["timecode"].text, rate.shown)
            << std::hex << rate.bits;
    }
}

TEST(InfoCommand, RefusedAndUnknownFilesMakeExitStatusOne) {
    TempDir dir;
    FrameSpec wide;
    wide.width = 2049;
    wide.height = 1;
    writeFrameFile(dir.file("wide.dpx"), wide);
    FrameSpec little;
    little.littleEndian = true;
    writeFrameFile(dir.file("little.dpx"), little);
    FrameSpec cineon;
    cineon.kind = FrameKind::cineon;
    cineon.bitDepth = 12;
    writeFrameFile(dir.file("ok.cin"), cineon);
    writeFile(dir.file("tiny.dpx"), {'S', 'D'});

    CommandResult run;
    JsonValue all = infoJson({dir.file("wide.dpx"), dir.file("little.dpx"), dir.file("ok.cin"),
                              dir.file("tiny.dpx"), dir.file("missing.dpx")},
                             &run);
    EXPECT_EQ(run.exitStatus, 1);
    ASSERT_EQ(all.items.size(), 5u);
    EXPECT_EQ(all[0]["kind"].text, "dpx");
    EXPECT_FALSE(all[0]["file_ok"].boolean);
    EXPECT_EQ(all[0]["problem"].text, "width 2049 > 2048");
    EXPECT_EQ(all[0]["width"].number, 2049);
    EXPECT_NE(run.err.find("WARNING: excessive frame size! 2049x1\n"), std::string::npos);

    EXPECT_EQ(all[1]["kind"].text, "unknown");
    EXPECT_EQ(all[1]["problem"].text, "unknown ID 'XPDS' (0x58504453)");
    for (const char* key : {"width", "height", "data_offset", "filename", "timecode", "layout"})
        EXPECT_TRUE(all[1][key].isNull()) << key;

    EXPECT_EQ(all[2]["kind"].text, "cineon");
    EXPECT_TRUE(all[2]["file_ok"].boolean);
    EXPECT_TRUE(all[2]["timecode"].isNull());
    EXPECT_EQ(all[2]["layout"].text, "3 ch 12-bit, packing 5");
    EXPECT_NE(run.err.find("warning: " + dir.file("ok.cin") + ": the header claims 3 ch 12-bit, packing 5"),
              std::string::npos);

    EXPECT_EQ(all[3]["problem"].text, "shorter than 4 bytes: ID 0");
    EXPECT_EQ(all[4]["problem"].text, "cannot read the file: No such file or directory");
}

TEST(InfoCommand, UsageErrorsAreExitStatusTwo) {
    EXPECT_EQ(runCli({"info"}).exitStatus, 2);
    EXPECT_EQ(runCli({"info", "--json"}).exitStatus, 2);
    CommandResult unknown = runCli({"info", "--yaml", "x.dpx"});
    EXPECT_EQ(unknown.exitStatus, 2);
    EXPECT_NE(unknown.err.find("usage: reelmaker info [--json] FILE..."), std::string::npos);
}

TEST(InfoCommand, TextOutputShowsTheFieldsAndTheLayoutWarning) {
    TempDir dir;
    FrameSpec fileSpec;
    fileSpec.descriptor = 6; // luma
    fileSpec.bitDepth = 16;
    fileSpec.packing = 0;
    fileSpec.timecode = timecodeWord(1, 0, 0, 0);
    fileSpec.filename = "a\\b";
    writeFrameFile(dir.file("luma.dpx"), fileSpec);
    CommandResult run = runCli({"info", dir.file("luma.dpx")});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_NE(run.out.find("  kind         dpx\n  accepted     yes\n  frame        4 x 2\n"),
              std::string::npos);
    EXPECT_NE(
        run.out.find("  stored name  \"a\\x5cb\"\n  timecode     01:00:00:00\n  layout       luma 16-bit\n"),
        std::string::npos);
    EXPECT_NE(
        run.out.find("  warning      the header claims luma 16-bit, not 10-bit RGB filled into 32-bit words"),
        std::string::npos);
}
