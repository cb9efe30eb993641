#include "platform/framework/bundle.h"
#include "platform/framework/headless/headless_framework.h"
#include "platform/framework/rtf_text.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace fw;

TEST(Bundle, FindsTheHelpTextAndTheViewLoadsIt) {
    HeadlessFramework framework;  // the application's own resources
    std::optional<std::string> help = framework.mainBundle().pathForResource("ReelmakerHelp", "rtf");
    ASSERT_TRUE(help.has_value()) << "resources: " << framework.mainBundle().resourcePath();
    EXPECT_EQ(framework.mainBundle().pathForResource("ReelmakerHelp", "txt"), std::nullopt);
    EXPECT_EQ(framework.mainBundle().pathForResource("", "rtf"), std::nullopt);

    auto window = framework.makeWindow("Help", {400, 500});
    TextView& view = window->contentView().addTextView("helpText");
    EXPECT_FALSE(view.readRTFDFromFile(*help + ".missing"));
    EXPECT_EQ(view.string(), "");
    ASSERT_TRUE(view.readRTFDFromFile(*help));
    EXPECT_EQ(view.string().rfind("Reelmaker Help\n", 0), 0u) << view.string();
    EXPECT_EQ(view.string().find("Helvetica"), std::string::npos);  // the font table is not text
    EXPECT_NE(view.string().find("Translate\u2026"), std::string::npos);
}

TEST(Bundle, DirectoryBundleAndMissingResources) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("Help.rtf"), {'{', '}'});
    std::filesystem::create_directory(dir.path() / "Folder.rtf");
    DirectoryBundle bundle(dir.path().string());
    EXPECT_EQ(bundle.pathForResource("Help", "rtf"), std::optional<std::string>(dir.file("Help.rtf")));
    EXPECT_EQ(bundle.pathForResource("Help.rtf", ""), std::optional<std::string>(dir.file("Help.rtf")));
    EXPECT_EQ(bundle.pathForResource("Folder", "rtf"), std::nullopt);
    EXPECT_EQ(DirectoryBundle("").pathForResource("Help", "rtf"), std::nullopt);
}

TEST(RtfText, PlainTextOfCommonConstructs) {
    EXPECT_EQ(plainTextFromRtf(R"({\rtf1\ansi{\fonttbl\f0\fswiss Helvetica;}{\colortbl;\red255\green0\blue0;})"
                               R"(\f0 Hello\par World\tab end})"),
              "Hello\nWorld\tend");
    EXPECT_EQ(plainTextFromRtf(R"({\rtf1 a\'e9b \{x\} \\ {\*\generator Something;}c})"), "a\u00E9b {x} \\ c");
    EXPECT_EQ(plainTextFromRtf(R"({\rtf1\uc1 caf\u233?\u8230?\uc0\u8212 x})"), "caf\u00E9\u2026\u2014x");
    EXPECT_EQ(plainTextFromRtf(R"({\rtf1 \u-10179?\u-8704?!})"), "\U0001F600!");  // a surrogate pair
    EXPECT_EQ(plainTextFromRtf(R"({\rtf1 line\line two\'85})"), "line\ntwo\u2026");
    EXPECT_EQ(plainTextFromRtf("{\\rtf1 raw \xC3\xA9}"), "raw \u00E9");
    EXPECT_EQ(plainTextFromRtf("{\\rtf1 unclosed {group"), "unclosed group");
}
