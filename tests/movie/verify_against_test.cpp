// reelmaker verify --against FRAME: a movie's samples compared with the frames it was made from,
// self-contained byte for byte and reference by the file and offset each sample points at.
#include "platform/movie/movie_samples.h"
#include "support/frame_writer.h"
#include "support/json_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using testsupport::runCli;
using testsupport::TempDir;
namespace fs = std::filesystem;

constexpr int kFrames = 6;

/// shot_0100.dpx to shot_0105.dpx, 16 x 8, each with its own pixels.
void writeShots(const TempDir& dir) {
    for (int i = 0; i < kFrames; ++i) {
        testsupport::FrameSpec fileSpec;
        fileSpec.width = 16;
        fileSpec.height = 8;
        fileSpec.timecode = testsupport::timecodeWord(1, 0, 0, unsigned(i));
        std::vector<uint32_t> words;
        for (uint32_t y = 0; y < fileSpec.height; ++y)
            for (uint32_t x = 0; x < fileSpec.width; ++x)
                words.push_back(testsupport::rgb10Word(x * 17 + uint32_t(i), y * 31, uint32_t(i) * 101));
        fileSpec.pixels = words;
        testsupport::writeFrameFile(
            dir.file("shot_01" + std::to_string(i / 10) + std::to_string(i % 10) + ".dpx"), fileSpec);
    }
}

void flipByte(const std::string& path, uint64_t offset) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(std::streamoff(offset));
    char byte = 0;
    file.read(&byte, 1);
    file.seekp(std::streamoff(offset));
    byte = char(byte ^ 0x40);
    file.write(&byte, 1);
}

/// Where the movie keeps a sample's bytes.
uint64_t sampleOffset(const std::string& movie, size_t sample) {
    MovieSamples samples;
    std::string problem;
    EXPECT_EQ(ReadMovieSamples(movie, samples, problem), noErr) << problem;
    return samples.count() > sample ? samples.samples[sample].offset : 0;
}

struct Difference {
    int sample;
    std::string frame; // file name; "" for none
    std::string reason;
};

struct AgainstCase {
    const char* name;
    bool reference;
    std::function<void(const TempDir&, const std::string& movie)> change;
    std::string against;
    std::vector<Difference> differ;
};

TEST(VerifyAgainst, NamesEverySampleThatIsNotItsFrame) {
    const std::string elsewhere = ", not in the frame's file";
    const std::vector<AgainstCase> cases = {
        {"identical", false, nullptr, "shot_0100.dpx", {}},
        {"identical reference", true, nullptr, "shot_0100.dpx", {}},
        {"a byte of the movie changed",
         false,
         [](const TempDir&, const std::string& movie) { flipByte(movie, sampleOffset(movie, 2) + 37); },
         "shot_0100.dpx",
         {{3, "shot_0102.dpx", "bytes differ at offset 37"}}},
        {"a frame changed after the export",
         false,
         [](const TempDir& dir, const std::string&) { flipByte(dir.file("shot_0104.dpx"), 2048 + 300); },
         "shot_0100.dpx",
         {{5, "shot_0104.dpx", "bytes differ at offset 300"}}},
        {"fewer frames than samples",
         false,
         [](const TempDir& dir, const std::string&) { fs::remove(dir.path() / "shot_0105.dpx"); },
         "shot_0100.dpx",
         {{6, "", "no frame after shot_0104.dpx"}}},
        {"reference against the wrong start",
         true,
         nullptr,
         "shot_0102.dpx",
         {{1, "shot_0102.dpx", "the sample is in "},
          {2, "shot_0103.dpx", elsewhere},
          {3, "shot_0104.dpx", elsewhere},
          {4, "shot_0105.dpx", elsewhere},
          {5, "", "no frame after shot_0105.dpx"},
          {6, "", "no frame after shot_0105.dpx"}}},
    };
    for (const AgainstCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeShots(dir);
        const std::string movie = dir.file("movie.mov");
        std::vector<std::string> translate = {"translate", dir.file("shot_0100.dpx"), "-o", movie, "--quiet"};
        if (c.reference)
            translate.push_back("--reference");
        ASSERT_EQ(runCli(translate).exitStatus, 0);
        if (c.change)
            c.change(dir, movie);

        testsupport::CommandResult result =
            runCli({"verify", "--json", movie, "--against", dir.file(c.against)});
        EXPECT_EQ(result.exitStatus, c.differ.empty() ? 0 : 1) << result.out << result.err;
        std::optional<testsupport::JsonValue> json = testsupport::parseJson(result.out);
        ASSERT_TRUE(json) << result.out;
        const testsupport::JsonValue& against = (*json)["against"];
        EXPECT_EQ(against["frame"].text, dir.file(c.against));
        EXPECT_EQ(against["compared"].number, kFrames);
        EXPECT_EQ(against["differ_count"].number, double(c.differ.size()));
        ASSERT_EQ(against["differ"].items.size(), c.differ.size()) << result.out;
        for (size_t i = 0; i < c.differ.size(); ++i) {
            const testsupport::JsonValue& found = against["differ"][i];
            EXPECT_EQ(found["sample"].number, c.differ[i].sample);
            EXPECT_EQ(found["frame"].isNull() ? "" : fs::path(found["frame"].text).filename().string(),
                      c.differ[i].frame);
            EXPECT_NE(found["reason"].text.find(c.differ[i].reason), std::string::npos)
                << found["reason"].text;
        }
    }
}

TEST(VerifyAgainst, TextLineAndWhatCannotBeCompared) {
    TempDir dir;
    writeShots(dir);
    const std::string movie = dir.file("movie.mov");
    ASSERT_EQ(runCli({"translate", dir.file("shot_0100.dpx"), "-o", movie, "--quiet"}).exitStatus, 0);
    const std::string first = dir.file("shot_0100.dpx");
    testsupport::CommandResult result = runCli({"verify", movie, "--against", first});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_NE(result.out.find("\nagainst " + first + ": 6 frames compared, all identical\n"),
              std::string::npos)
        << result.out;

    flipByte(dir.file("shot_0101.dpx"), 2048);
    flipByte(dir.file("shot_0103.dpx"), 2048 + 4);
    result = runCli({"verify", movie, "--against", first});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(
        result.out.find("against " + first +
                        ": 6 frames compared, 2 differ: sample 2 (shot_0101.dpx), sample 4 (shot_0103.dpx)\n"
                        "  sample 2: bytes differ at offset 0\n  sample 4: bytes differ at offset 4\n"),
        std::string::npos)
        << result.out;

    // A FRAME that opens no sequence: a failure, said in the problems, not a usage error.
    testsupport::writeFile(dir.file("notes.txt"), std::vector<uint8_t>(3000, 'x'));
    result = runCli({"verify", "--json", movie, "--against", dir.file("notes.txt")});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.out.find("\"not compared against " + dir.file("notes.txt") + ": couldn't open file"),
              std::string::npos)
        << result.out;

    EXPECT_EQ(runCli({"verify", movie, "--against"}).exitStatus, 2);
    result = runCli({"verify", movie, "--against", first, "--against", first});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("--against given twice"), std::string::npos) << result.err;
}

} // namespace
