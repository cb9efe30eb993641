#include "support/frame_writer.h"
#include "support/json_reader.h"
#include "support/test_support.h"

#include "platform/component/software_output_modes.h"

#include <gtest/gtest.h>

using namespace testsupport;

TEST(ModesCommand, JsonListsTheDeviceAndItsModes) {
    CommandResult run = runCli({"modes", "--json"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    std::optional<JsonValue> parsed = parseJson(run.out);
    ASSERT_TRUE(parsed) << run.out;
    const JsonValue& all = *parsed;
    EXPECT_EQ(all.keys, (std::vector<std::string>{"device", "modes", "chosen"}));
    EXPECT_EQ(all["device"].text, "Reelmaker Software Output");
    EXPECT_TRUE(all["chosen"].isNull());
    const std::vector<OutputModeDescription>& modes = SoftwareOutputDisplayModes();
    ASSERT_EQ(all["modes"].items.size(), modes.size());
    for (size_t i = 0; i < modes.size(); ++i) {
        const JsonValue& m = all["modes"][i];
        SCOPED_TRACE(modes[i].name);
        EXPECT_EQ(m.keys, (std::vector<std::string>{"index", "name", "width", "height", "refresh_rate",
                                                    "pixel_type", "decompressor_types"}));
        EXPECT_EQ(m["index"].number, double(i + 1));
        EXPECT_EQ(m["name"].text, modes[i].name);
        EXPECT_EQ(m["width"].number, modes[i].width);
        EXPECT_EQ(m["height"].number, modes[i].height);
        EXPECT_EQ(m["refresh_rate"].number, modes[i].refreshRate);
        EXPECT_EQ(m["pixel_type"].text, FourCCString(modes[i].pixelType));
        ASSERT_EQ(m["decompressor_types"].items.size(), modes[i].decompressorTypes.size());
        for (size_t k = 0; k < modes[i].decompressorTypes.size(); ++k)
            EXPECT_EQ(m["decompressor_types"][k].text, FourCCString(modes[i].decompressorTypes[k]));
    }
}

TEST(ModesCommand, TextAndUsage) {
    CommandResult run = runCli({"modes"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("device  Reelmaker Software Output\n"), std::string::npos);
    EXPECT_NE(
        run.out.find(
            "    8  1080p 1920 x 1080 24       1920 x 1080    24.000  v210  'v210' '2vuy' 'raw ' 'yuv2'\n"),
        std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("   1  NTSC 720 x 486 29.97"), std::string::npos);
    EXPECT_NE(run.out.find("29.970"), std::string::npos);

    EXPECT_EQ(runCli({"modes", "--yaml"}).exitStatus, 2);
    EXPECT_EQ(runCli({"modes", "extra"}).exitStatus, 2);
    EXPECT_EQ(runCli({"modes", "--help"}).exitStatus, 0);
}

TEST(ModesCommand, ForAFrameFileChoosesItsMode) {
    TempDir dir;
    FrameSpec hd;
    hd.width = 1920;
    hd.height = 1080;
    writeFrameFile(dir.file("hd_0001.dpx"), hd);
    FrameSpec sd;
    sd.kind = FrameKind::cineon;
    sd.width = 720;
    sd.height = 480;
    writeFrameFile(dir.file("sd_0001.cin"), sd);

    auto chosen = [&](const std::vector<std::string>& extra) {
        std::vector<std::string> args = {"modes", "--json"};
        args.insert(args.end(), extra.begin(), extra.end());
        CommandResult run = runCli(args);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        std::optional<JsonValue> parsed = parseJson(run.out);
        return parsed && !(*parsed)["chosen"].isNull() ? int((*parsed)["chosen"].number) : -1;
    };
    EXPECT_EQ(chosen({"--for", dir.file("hd_0001.dpx")}), 7); // 23.976 and R10k by default
    EXPECT_EQ(chosen({"--for", dir.file("hd_0001.dpx"), "--rate", "24"}), 8);
    EXPECT_EQ(chosen({"--rate", "1", "--codec", "r10g", "--for", dir.file("hd_0001.dpx")}), 8);
    EXPECT_EQ(chosen({"--for", dir.file("hd_0001.dpx"), "--rate", "29.97df"}), 10);
    EXPECT_EQ(chosen({"--for", dir.file("sd_0001.cin"), "--rate", "29.97"}), 1);
    EXPECT_EQ(chosen({"--for", dir.file("sd_0001.cin"), "--rate", "25"}), 1); // nothing fits: mode 1

    CommandResult text = runCli({"modes", "--for", dir.file("hd_0001.dpx"), "--rate", "60"});
    EXPECT_EQ(text.exitStatus, 0);
    EXPECT_NE(text.out.find("chosen  14  1080p 1920 x 1080 60  for 1920 x 1080 'R10k' at 60\n"),
              std::string::npos)
        << text.out;

    writeFile(dir.file("junk.dpx"), {1, 2, 3, 4, 5});
    EXPECT_EQ(runCli({"modes", "--for", dir.file("junk.dpx")}).exitStatus, 1);
    EXPECT_EQ(runCli({"modes", "--for", dir.file("missing.dpx")}).exitStatus, 1);
    EXPECT_EQ(runCli({"modes", "--for", dir.file("hd_0001.dpx"), "--rate", "29.970"}).exitStatus, 2);
    EXPECT_EQ(runCli({"modes", "--for", dir.file("hd_0001.dpx"), "--codec", "v210"}).exitStatus, 2);
    EXPECT_EQ(runCli({"modes", "--rate", "24"}).exitStatus, 2);
    EXPECT_EQ(runCli({"modes", "--for"}).exitStatus, 2);
}
