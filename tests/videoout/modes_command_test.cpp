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
