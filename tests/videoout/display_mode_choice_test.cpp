#include "video_out_fixtures.h"

#include "videoout/display_mode_choice.h"

#include <gtest/gtest.h>

using namespace videoouttest;

namespace {

constexpr Fixed k23_976 = 0x0017F9DB;
constexpr Fixed k24 = 0x00180000;
constexpr Fixed k25 = 0x00190000;
constexpr Fixed k29_97 = 0x001DF851;
constexpr Fixed k30 = 0x001E0000;
constexpr Fixed k50 = 0x00320000;
constexpr Fixed k59_94 = 0x003BF0A3;
constexpr Fixed k60 = 0x003C0000;

const OSType v210 = FourCC("v210"), vuy2 = FourCC("2vuy"), raw = FourCC("raw ");

// Ordered so that no expected answer is mode 1, the answer when nothing fits.
const std::vector<DisplayModeRecord>& tableModes() {
    static const std::vector<DisplayModeRecord> records = recordsOf({
        mode("2K 24", 2048, 1556, k24, {v210}),                         // 1
        mode("NTSC", 720, 486, k29_97, {v210, vuy2, raw}),              // 2
        mode("PAL A", 720, 576, k25, {v210, vuy2}),                     // 3
        mode("PAL B", 720, 576, k25, {v210, vuy2}),                     // 4
        mode("720p 50", 1280, 720, k50, {v210}),                        // 5
        mode("720p 59.94", 1280, 720, k59_94, {v210}),                  // 6
        mode("720p 60", 1280, 720, k60, {v210}),                        // 7
        mode("1080 23.976", 1920, 1080, k23_976, {v210}),               // 8
        mode("1080 24 raw", 1920, 1080, k24, {raw}),                    // 9
        mode("1080 24", 1920, 1080, k24, {FourCC("dvh6"), vuy2, v210}), // 10
        mode("1080 25", 1920, 1080, k25, {v210}),                       // 11
    });
    return records;
}

struct Case {
    const char* format;
    uint32_t width, height;
    Fixed fps;
    int32_t expected;
    const char* why;
};

} // namespace

TEST(DisplayModeChoice, FormatClasses) {
    EXPECT_EQ(DisplayModePixelFormatClass(FourCC("R10k")), v210);
    EXPECT_EQ(DisplayModePixelFormatClass(FourCC("R10g")), v210);
    EXPECT_EQ(DisplayModePixelFormatClass(v210), v210);
    EXPECT_EQ(DisplayModePixelFormatClass(raw), raw);
    EXPECT_EQ(DisplayModePixelFormatClass(FourCC("rle ")), raw);
    EXPECT_EQ(DisplayModePixelFormatClass(FourCC("jpeg")), vuy2);
    EXPECT_EQ(DisplayModePixelFormatClass(FourCC("dvcp")), vuy2);
    EXPECT_EQ(DisplayModePixelFormatClass(0), vuy2);
}

TEST(DisplayModeChoice, Table) {
    const Case cases[] = {
        {"R10k", 1920, 1080, k24, 10, "first 1080 at 24 that lists v210; the raw-only mode is passed over"},
        {"R10g", 1920, 1080, k23_976, 8, "23.976"},
        {"raw ", 1920, 1080, k24, 9, "raw class"},
        {"rle ", 1920, 1080, k24, 9, "rle maps to raw"},
        {"jpeg", 1920, 1080, k24, 10, "any other code maps to 2vuy"},
        {"R10k", 1920, 1080, 0, 8, "rate 0 accepts every rate: first of the size and class"},
        {"raw ", 1920, 1080, 0, 9, "rate 0, raw"},
        {"R10k", 720, 480, k29_97, 2, "720 x 480 looks for 720 x 486"},
        {"R10k", 640, 480, k29_97, 2, "640 x 480 looks for 720 x 486"},
        {"R10k", 320, 240, k29_97, 2, "320 x 240 looks for 720 x 486"},
        {"R10k", 720, 486, k29_97, 2, "720 x 486 as it is"},
        {"R10k", 960, 720, k23_976, 6, "960 x 720 at 23.976 looks for 1280 x 720 at 59.94"},
        {"R10k", 1280, 720, k60, 7, "1280 x 720 at 60 keeps 60"},
        {"R10k", 1280, 720, k50, 6, "1280 x 720 below 59 is shown at 59.94"},
        {"R10k", 1280, 720, 0x003AFFFF, 6, "just below 59.0"},
        {"R10k", 1280, 720, 0x003B0000, 1, "59.0 is kept, and no mode has it"},
        {"R10k", 1280, 720, 0, 5, "rate 0 is not raised"},
        {"R10k", 1440, 1080, k25, 11, "1440 x 1080 looks for 1920 x 1080"},
        {"R10k", 1280, 1080, k25, 11, "1280 x 1080 looks for 1920 x 1080"},
        {"dvcp", 720, 576, k25, 4, "DV at 720 x 576 takes the second fitting mode"},
        {"dvpp", 720, 576, k25, 4, "dvpp"},
        {"dv5p", 720, 576, 0, 4, "dv5p, any rate"},
        {"jpeg", 720, 576, k25, 3, "not DV: the first"},
        {"dvcp", 720, 486, k29_97, 2, "DV at another size: the first"},
        {"R10k", 4096, 2160, k24, 1, "nothing fits"},
        {"R10k", 1920, 1080, k30, 1, "no mode at that rate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        OSType format = 0;
        for (int i = 0; i < 4; ++i)
            format = (format << 8) | uint8_t(c.format[i]);
        EXPECT_EQ(ChooseBestDisplayMode(tableModes(), format, c.width, c.height, c.fps), c.expected);
    }
}

TEST(DisplayModeChoice, DVWithOneFittingModeTakesIt) {
    std::vector<DisplayModeRecord> modes = recordsOf({
        mode("NTSC", 720, 486, k29_97, {vuy2}),
        mode("PAL", 720, 576, k25, {vuy2}),
        mode("PAL v210 only", 720, 576, k25, {v210}),
    });
    EXPECT_EQ(ChooseBestDisplayMode(modes, FourCC("dvcp"), 720, 576, k25), 2);
    EXPECT_EQ(ChooseBestDisplayMode({}, FourCC("R10k"), 1920, 1080, k24), 1);
}
