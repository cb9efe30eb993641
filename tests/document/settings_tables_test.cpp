#include "document/settings_tables.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace settings;

namespace {

struct ExpectedRow {
    int32_t tag;
    const char* name;
    int32_t timescale;
    int32_t duration;
    Fixed rate;
    bool dropFrame;
};

constexpr ExpectedRow kRows[] = {
    {0, "23.976", 2997, 125, 0x0017F9DB, false}, {1, "24", 3000, 125, 0x00180000, false},
    {2, "25", 2500, 100, 0x00190000, false},     {3, "29.97df", 2997, 100, 0x001DF851, true},
    {4, "29.97", 2997, 100, 0x001DF851, false},  {5, "30", 3000, 100, 0x001E0000, false},
    {6, "50", 5000, 100, 0x00320000, false},     {7, "59.94", 5994, 100, 0x003BF0A3, false},
    {8, "60", 6000, 100, 0x003C0000, false},
};

void expectRow(const FrameRateSettings& got, const ExpectedRow& want) {
    EXPECT_EQ(got.movieTimescale, want.timescale);
    EXPECT_EQ(got.frameDuration, want.duration);
    EXPECT_EQ(got.frameRate, want.rate);
    EXPECT_EQ(got.tcDropFrame, want.dropFrame);
}

} // namespace

TEST(SettingsTables, EveryFrameRateRow) {
    for (const ExpectedRow& row : kRows) {
        SCOPED_TRACE(row.name);
        expectRow(frameRateSettingsForTag(row.tag), row);
        EXPECT_EQ(frameRateName(row.tag), row.name);
        // The 16.16 rate is the decimal rate times 65536, truncated.
        const double decimal = double(row.timescale) / row.duration;
        EXPECT_EQ(row.rate, Fixed(std::floor(decimal * 65536.0)));
    }
    // Tags 3 and 4 differ only in the drop-frame flag; 59.94 never counts drop-frame.
    const FrameRateSettings df = frameRateSettingsForTag(3), ndf = frameRateSettingsForTag(4);
    EXPECT_EQ(df.movieTimescale, ndf.movieTimescale);
    EXPECT_EQ(df.frameDuration, ndf.frameDuration);
    EXPECT_EQ(df.frameRate, ndf.frameRate);
    EXPECT_NE(df.tcDropFrame, ndf.tcDropFrame);
    EXPECT_FALSE(frameRateSettingsForTag(7).tcDropFrame);
}

TEST(SettingsTables, OutOfRangeFrameRateTagsGiveTheFirstRow) {
    for (int32_t tag : {-1, 9, 100, INT32_MIN, INT32_MAX}) {
        SCOPED_TRACE(tag);
        expectRow(frameRateSettingsForTag(tag), kRows[0]);
        EXPECT_EQ(frameRateName(tag), "23.976");
    }
}

TEST(SettingsTables, CodecTags) {
    EXPECT_EQ(codecTypeForTag(0), 0x5231306Bu); // 'R10k'
    EXPECT_EQ(codecTypeForTag(1), 0x52313067u); // 'R10g'
    for (int32_t tag : {-1, 2, 9, INT32_MIN, INT32_MAX})
        EXPECT_EQ(codecTypeForTag(tag), kCodecR10k) << tag;
    EXPECT_EQ(codecName(0), "R10k");
    EXPECT_EQ(codecName(1), "R10g");
    EXPECT_EQ(codecName(5), "R10k");
}

TEST(SettingsTables, CommandLineRateNames) {
    for (const ExpectedRow& row : kRows) {
        EXPECT_EQ(parseFrameRate(row.name), std::optional<int32_t>(row.tag)) << row.name;
        EXPECT_EQ(parseFrameRate(std::to_string(row.tag)), std::optional<int32_t>(row.tag));
    }
    EXPECT_EQ(parseFrameRate("29.97DF"), std::optional<int32_t>(3));
    EXPECT_EQ(parseFrameRate("23.98"), std::optional<int32_t>(0)); // as the output device names it
    // Two-digit names are rates, never tags: "24" is 24 fps (tag 1), not tag 24.
    EXPECT_EQ(parseFrameRate("24"), std::optional<int32_t>(1));
    EXPECT_EQ(parseFrameRate("60"), std::optional<int32_t>(8));
    for (const char* bad :
         {"", "9", "-1", "08", " 24", "24 ", "29.970", "29.97 df", "23.97", "24fps", "59.94df"})
        EXPECT_EQ(parseFrameRate(bad), std::nullopt) << '"' << bad << '"';
}

TEST(SettingsTables, CommandLineCodecNames) {
    EXPECT_EQ(parseCodec("R10k"), std::optional<int32_t>(kCodecR10kTag));
    EXPECT_EQ(parseCodec("R10g"), std::optional<int32_t>(kCodecR10gTag));
    EXPECT_EQ(parseCodec("r10K"), std::optional<int32_t>(kCodecR10kTag));
    for (const char* bad : {"", "0", "1", "R10", "R10kk", "v210", " R10k"})
        EXPECT_EQ(parseCodec(bad), std::nullopt) << '"' << bad << '"';
}
