// ReadMovieSamples: where each video sample of a movie is, and the movies it refuses with why.
#include "movie/movie_fixtures.h"
#include "platform/bigendian.h"
#include "platform/movie/movie_errors.h"
#include "platform/movie/movie_reader.h"
#include "platform/movie/movie_samples.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using namespace moviefixtures;
namespace fs = std::filesystem;

/// Overwrites the image description's width in the written movie.
void setDescribedWidth(const std::string& movie, uint16_t width) {
    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(movie, info), noErr);
    const AtomNode* stsd = info.tree.topLevel(FourCC("moov"))->find("trak/mdia/minf/stbl/stsd");
    ASSERT_NE(stsd, nullptr);
    std::fstream file(movie, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(std::streamoff(stsd->offset + stsd->headerSize + 8 + 32));
    uint8_t bytes[2];
    be::writeU16(bytes, width);
    file.write(reinterpret_cast<const char*>(bytes), 2);
}

struct SamplesCase {
    const char* name;
    std::function<void(MoviePlan&, const testsupport::TempDir&)> plan;
    std::function<void(const MoviePlan&)> damage;
    OSErr status;
    std::string problem;
};

TEST(MovieSamples, LocatesSamplesOrSaysWhyNot) {
    const std::vector<SamplesCase> cases = {
        {"self-contained", [](MoviePlan&, const testsupport::TempDir&) {}, nullptr, noErr, ""},
        {"reference",
         [](MoviePlan& plan, const testsupport::TempDir& dir) {
             plan.referenceFiles = writeFrameFiles(dir.path().string(), plan, 1024);
             plan.referenceOffsets.assign(size_t(plan.frames), 1024);
         },
         nullptr, noErr, ""},
        {"another codec", [](MoviePlan& plan, const testsupport::TempDir&) { plan.codec = FourCC("v210"); },
         nullptr, featureUnsupported, "the video is 'v210', not 10-bit RGB ('R10k' or 'R10g')"},
        {"wrong sample size", [](MoviePlan&, const testsupport::TempDir&) {},
         [](const MoviePlan& plan) { setDescribedWidth(plan.path, 49); }, invalidMedia,
         "frame 1 is 6144 bytes; a 49x32 frame is 6272"},
    };
    for (const SamplesCase& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        MoviePlan plan;
        plan.path = dir.file("movie.mov");
        plan.startTimecode = timecode(1, 0, 0, 2);
        plan.sourceName = "reel 7";
        c.plan(plan, dir);
        ASSERT_EQ(writeMovie(plan).firstError, noErr);
        if (c.damage)
            c.damage(plan);

        MovieSamples movie;
        std::string problem;
        EXPECT_EQ(ReadMovieSamples(plan.path, movie, problem), c.status);
        EXPECT_EQ(problem, c.problem);
        if (c.status != noErr)
            continue;
        EXPECT_EQ(movie.codec, plan.codec);
        EXPECT_EQ(movie.width, plan.width);
        EXPECT_EQ(movie.timeScale, plan.timeScale);
        EXPECT_EQ(movie.frameDuration, uint32_t(plan.frameDuration));
        ASSERT_EQ(movie.count(), size_t(plan.frames));
        const bool reference = !plan.referenceFiles.empty();
        EXPECT_EQ(movie.selfContained, !reference);
        EXPECT_EQ(movie.files.size(), reference ? plan.referenceFiles.size() : 1u);
        for (size_t i = 0; i < movie.count(); ++i) {
            EXPECT_EQ(movie.samples[i].size, movie.frameBytes());
            // The bytes the sample locates are the frame's pixels.
            std::vector<uint8_t> bytes = testsupport::readFile(movie.pathOf(i));
            ASSERT_GE(bytes.size(), movie.samples[i].offset + movie.samples[i].size);
            EXPECT_EQ(
                std::vector<uint8_t>(bytes.begin() + long(movie.samples[i].offset),
                                     bytes.begin() + long(movie.samples[i].offset + movie.samples[i].size)),
                framePixels(plan.width, plan.height, int(i)));
        }
        ASSERT_TRUE(movie.timecodeDef.has_value());
        EXPECT_EQ(movie.timecodeStartFrame, 24 * 3600 + 2);
        EXPECT_EQ(movie.sourceName, std::optional<std::string>("reel 7"));
    }
}

TEST(MovieSamples, RefusesWhatIsNoMovie) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("text.mov"), std::vector<uint8_t>(100, 'x'));
    MovieSamples movie;
    std::string problem;
    EXPECT_EQ(ReadMovieSamples(dir.file("absent.mov"), movie, problem), fnfErr);
    EXPECT_EQ(problem, "no such file");
    EXPECT_NE(ReadMovieSamples(dir.file("text.mov"), movie, problem), noErr);
    EXPECT_FALSE(problem.empty());
}

} // namespace
