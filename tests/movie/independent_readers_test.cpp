// Movies written through the toolbox calls, read back by ffprobe/ffmpeg and MediaInfo: codec, size,
// rate, frame count, bit-exact pixels, timecode and source name, at every rate of the rate table.
#include "movie/movie_fixtures.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

namespace moviefixtures {
void PrintTo(const Rate& rate, std::ostream* out) {
    *out << rate.name;
}
} // namespace moviefixtures

namespace {

using namespace moviefixtures;
using testsupport::runShell;

/// Every stream's header facts, frame count and timecode tags, as `streams.stream.N.key=value` lines.
std::string probeStreams(const std::string& movie) {
    return runShell("ffprobe -v error -count_frames -show_entries stream=index,codec_type,codec_name,"
                    "codec_tag_string,width,height,sample_aspect_ratio,r_frame_rate,nb_frames,nb_read_frames:"
                    "stream_tags=timecode,reel_name -of flat '" +
                    movie + "'")
        .out;
}

void expectLines(const std::string& text, const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        EXPECT_NE(text.find(line + "\n"), std::string::npos) << line << "\n" << text;
}

std::string inQuotes(const std::string& text) {
    return "\"" + text + "\"";
}

std::string mediaInfo(const std::string& inform, const std::string& movie) {
    return runShell("mediainfo --Inform=\"" + inform + "\" '" + movie + "'").out;
}

class IndependentReaders : public ::testing::TestWithParam<Rate> {};

TEST_P(IndependentReaders, ReadTheFramesRateAndTimecode) {
    REQUIRE_PROGRAM("ffprobe");
    REQUIRE_PROGRAM("mediainfo");
    const Rate& rate = GetParam();
    testsupport::TempDir dir;
    MoviePlan plan;
    plan.path = dir.file("movie.mov");
    plan.width = 40;
    plan.height = 22;
    plan.frames = 5;
    plan.timeScale = rate.timeScale;
    plan.frameDuration = rate.frameDuration;
    plan.dropFrame = rate.dropFrame;
    plan.codec = rate.dropFrame ? FourCC("R10g") : FourCC("R10k");
    plan.startTimecode = timecode(1, 0, 0, 0);
    plan.sourceName = "A001_C002";
    WriteResult written = writeMovie(plan);
    ASSERT_EQ(written.firstError, noErr) << written.failingCall;

    std::string tc = rate.dropFrame ? "01:00:00;00" : "01:00:00:00"; // ';' before the frames: drop frame
    expectLines(
        probeStreams(plan.path),
        {"streams.stream.0.codec_name=\"r10k\"",
         "streams.stream.0.codec_tag_string=" + inQuotes(FourCCString(plan.codec)),
         "streams.stream.0.width=40", "streams.stream.0.height=22",
         "streams.stream.0.sample_aspect_ratio=\"N/A\"",
         "streams.stream.0.r_frame_rate=" + inQuotes(rate.probedRate), "streams.stream.0.nb_frames=\"5\"",
         "streams.stream.0.nb_read_frames=\"5\"", "streams.stream.0.tags.timecode=" + inQuotes(tc),
         "streams.stream.1.codec_tag_string=\"tmcd\"", "streams.stream.1.tags.timecode=" + inQuotes(tc),
         "streams.stream.1.tags.reel_name=\"A001_C002\""});

    std::string planes = dir.file("expected.raw");
    writeExpectedPlanes(planes, plan);
    std::string expected = expectedMd5(planes, plan);
    ASSERT_NE(expected.find("MD5="), std::string::npos);
    EXPECT_EQ(decodedMd5(plan.path), expected);

    EXPECT_EQ(mediaInfo("Video;%Format%|%Width%|%Height%|%FrameCount%\\n\nOther;%Type%|%Format%|"
                        "%TimeCode_FirstFrame%|%Title%",
                        plan.path),
              FourCCString(plan.codec) + "|40|22|5\nTime code|QuickTime TC|" + tc + "|A001_C002\n");
}

INSTANTIATE_TEST_SUITE_P(Rates, IndependentReaders, ::testing::ValuesIn(testRates()),
                         [](const ::testing::TestParamInfo<Rate>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == '.')
                                     c = '_';
                             return "fps" + name;
                         });

TEST(IndependentReaders, MovieWithoutTimecodeHasOnlyTheVideoStream) {
    REQUIRE_PROGRAM("ffprobe");
    testsupport::TempDir dir;
    MoviePlan plan;
    plan.path = dir.file("plain.mov");
    ASSERT_EQ(writeMovie(plan).firstError, noErr);
    std::string streams = probeStreams(plan.path);
    expectLines(streams, {"streams.stream.0.nb_read_frames=\"3\""});
    EXPECT_EQ(streams.find("streams.stream.1"), std::string::npos) << streams;
}

TEST(IndependentReaders, ResolveTheFramesOfAReferenceMovie) {
    REQUIRE_PROGRAM("ffprobe");
    REQUIRE_PROGRAM("mediainfo");
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.path() / "shots");
    std::filesystem::create_directories(dir.path() / "movies");
    MoviePlan plan;
    plan.frames = 4;
    plan.path = dir.file("movies/ref.mov");
    plan.referenceFiles = writeFrameFiles(dir.file("shots"), plan, 2048);
    plan.referenceOffsets.assign(4, 2048);
    plan.startTimecode = timecode(0, 59, 59, 20);
    ASSERT_EQ(writeMovie(plan).firstError, noErr);

    expectLines(probeStreams(plan.path), {"streams.stream.0.codec_name=\"r10k\"", "streams.stream.0.width=48",
                                          "streams.stream.0.height=32", "streams.stream.0.nb_frames=\"4\"",
                                          "streams.stream.0.tags.timecode=\"00:59:59:20\""});
    // ffmpeg parses every alias: one level up from the movie's directory, then shots/NAME ...
    std::string debug = runShell("ffprobe -v debug '" + plan.path + "' 2>&1").out;
    for (int i = 1; i <= 4; ++i) {
        std::string name = "frame_000" + std::to_string(i) + ".raw";
        EXPECT_NE(debug.find("] path " + dir.file("shots/" + name) + "\n"), std::string::npos) << name;
        EXPECT_NE(debug.find("] filename " + name + ", len 14\n"), std::string::npos) << name;
    }
    EXPECT_NE(debug.find("] nlvl from 2, nlvl to 2\n"), std::string::npos);
    // ... and MediaInfo names the first one by its parent directory and file name.
    EXPECT_EQ(mediaInfo("Video;%Source%", plan.path), "shots/frame_0001.raw\n");
}

TEST(IndependentReaders, DecodeTheReferencedPixels) {
    REQUIRE_PROGRAM("ffmpeg");
    // ffmpeg opens one file per track, so a one-frame reference movie is what it can decode exactly.
    testsupport::TempDir dir;
    MoviePlan plan;
    plan.frames = 1;
    plan.path = dir.file("one.mov");
    plan.referenceFiles = writeFrameFiles(dir.path().string(), plan, 1664);
    plan.referenceOffsets = {1664};
    ASSERT_EQ(writeMovie(plan).firstError, noErr);
    std::string planes = dir.file("expected.raw");
    writeExpectedPlanes(planes, plan);
    std::string decoded = runShell("ffmpeg -v error -nostdin -enable_drefs 1 -i '" + plan.path +
                                   "' -map 0:v:0 -pix_fmt gbrp10le -f md5 -")
                              .out;
    EXPECT_EQ(decoded, expectedMd5(planes, plan));
}

} // namespace
