// reelmaker show: a generated sequence's frame on the software output device, written as a PNG of
// the display mode's size, in the chosen mode and in a given one.
#include "support/frame_writer.h"
#include "support/test_support.h"

#include "platform/bigendian.h"
#include "platform/types.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

namespace {

struct Png {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 0;
    uint8_t colourType = 0;
    std::vector<uint8_t> rgb; // decoded by ffmpeg, width x height x 3
};

// The header of the PNG (its IHDR chunk comes first), and its pixels as ffmpeg decodes them.
Png readPng(const TempDir& dir, const std::string& path) {
    Png png;
    std::vector<uint8_t> bytes = readFile(path);
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 33 || !std::equal(signature, signature + 8, bytes.begin()) ||
        be::readU32(bytes.data(), 12) != FourCC("IHDR"))
        return png;
    png.width = be::readU32(bytes.data(), 16);
    png.height = be::readU32(bytes.data(), 20);
    png.bitDepth = bytes[24];
    png.colourType = bytes[25];
    const std::string raw = dir.file("decoded.rgb");
    CommandResult run =
        runShell("ffmpeg -v error -y -i '" + path + "' -f rawvideo -pix_fmt rgb24 '" + raw + "'");
    if (run.exitStatus == 0)
        png.rgb = readFile(raw);
    return png;
}

// The written picture: the frame (FrameSpec's pattern) at the top left with each 10-bit component
// shifted right by 2, clipped to the picture, black elsewhere.
void expectFrameInPicture(const Png& png, uint32_t frameWidth, uint32_t frameHeight) {
    ASSERT_EQ(png.rgb.size(), size_t(png.width) * png.height * 3);
    size_t mismatches = 0;
    for (uint32_t y = 0; y < png.height; ++y) {
        for (uint32_t x = 0; x < png.width; ++x) {
            uint8_t expected[3] = {0, 0, 0};
            if (x < frameWidth && y < frameHeight) {
                const uint32_t word = FrameSpec::patternPixel(x, y);
                expected[0] = uint8_t(((word >> 22) & 0x3FF) >> 2);
                expected[1] = uint8_t(((word >> 12) & 0x3FF) >> 2);
                expected[2] = uint8_t(((word >> 2) & 0x3FF) >> 2);
            }
            const uint8_t* got = &png.rgb[(size_t(y) * png.width + x) * 3];
            if (got[0] != expected[0] || got[1] != expected[1] || got[2] != expected[2]) {
                if (++mismatches <= 3)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << int(got[0]) << " " << int(got[1])
                                  << " " << int(got[2]) << ", expected " << int(expected[0]) << " "
                                  << int(expected[1]) << " " << int(expected[2]);
            }
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

void writeSequence(const TempDir& dir, const std::string& base, uint32_t width, uint32_t height, int frames) {
    for (int i = 1; i <= frames; ++i) {
        FrameSpec fileSpec;
        fileSpec.width = width;
        fileSpec.height = height;
        fileSpec.filename = base + std::to_string(i) + ".dpx";
        writeFrameFile(dir.file(fileSpec.filename), fileSpec);
    }
}

} // namespace

TEST(ShowCommand, WritesTheFrameInTheChosenModesSize) {
    REQUIRE_PROGRAM("ffmpeg");
    TempDir dir;
    // 960 x 720 at 23.976 fits no mode exactly: the 1280 x 720 at 59.94 mode (5) is chosen.
    writeSequence(dir, "pan_", 960, 720, 2);
    const std::string picture = dir.file("pan.png");
    CommandResult run = runCli({"show", dir.file("pan_2.dpx"), "-o", picture});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("mode 5  720p 1280 x 720 59.94  1280 x 720, frame 960 x 720"), std::string::npos)
        << run.out;
    Png png = readPng(dir, picture);
    EXPECT_EQ(png.width, 1280u);
    EXPECT_EQ(png.height, 720u);
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(png.colourType, 2); // RGB
    expectFrameInPicture(png, 960, 720);

    // The rate takes part in the choice: 1280 x 720 frames at 60 keep the 60 mode (6).
    writeSequence(dir, "hd_", 1280, 720, 1);
    run = runCli({"show", dir.file("hd_1.dpx"), "--rate", "60", "-o", picture});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("mode 6  720p 1280 x 720 60  1280 x 720"), std::string::npos) << run.out;
    png = readPng(dir, picture);
    EXPECT_EQ(png.width, 1280u);
    EXPECT_EQ(png.height, 720u);
    expectFrameInPicture(png, 1280, 720);
}

TEST(ShowCommand, WritesTheFrameInAGivenModeClippedToIt) {
    REQUIRE_PROGRAM("ffmpeg");
    TempDir dir;
    writeSequence(dir, "pan_", 960, 720, 1);
    const std::string picture = dir.file("ntsc.png");
    CommandResult run = runCli({"show", dir.file("pan_1.dpx"), "--mode", "1", "-o", picture});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("mode 1  NTSC 720 x 486 29.97  720 x 486"), std::string::npos) << run.out;
    Png png = readPng(dir, picture);
    EXPECT_EQ(png.width, 720u);
    EXPECT_EQ(png.height, 486u);
    expectFrameInPicture(png, 960, 720);
}

TEST(ShowCommand, UsageErrorsAndFailures) {
    TempDir dir;
    writeSequence(dir, "pan_", 8, 4, 1);
    const std::string frame = dir.file("pan_1.dpx");
    const std::string picture = dir.file("x.png");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"show", frame},
             {"show", "-o", picture},
             {"show", frame, "-o"},
             {"show", frame, "--mode", "0", "-o", picture},
             {"show", frame, "--mode", "2x", "-o", picture},
             {"show", frame, "--mode", "99", "-o", picture},
             {"show", frame, "--rate", "31", "-o", picture},
             {"show", frame, frame, "-o", picture},
             {"show", frame, "--json", "-o", picture},
         }) {
        CommandResult run = runCli(args);
        EXPECT_EQ(run.exitStatus, 2) << args.back() << ": " << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(picture));
    EXPECT_EQ(runCli({"show", "--help"}).exitStatus, 0);

    writeFile(dir.file("notes.txt"), std::vector<uint8_t>(100, 'x'));
    CommandResult run = runCli({"show", dir.file("notes.txt"), "-o", picture});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("Error: couldn't open file"), std::string::npos) << run.err;

    run = runCli({"show", frame, "-o", dir.file("missing/x.png")});
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing/x.png")));
}
