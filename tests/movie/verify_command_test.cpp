// reelmaker verify: movies of ffmpeg and our own, reference movies whose frame files are there, moved,
// missing or cut short, damaged movies, and usage errors.
#include "movie/movie_fixtures.h"
#include "platform/bigendian.h"
#include "platform/movie/movie_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace moviefixtures;
using testsupport::runCli;
namespace fs = std::filesystem;

/// The keys of a JSON object's top level, in order.
std::vector<std::string> topLevelKeys(const std::string& json) {
    std::vector<std::string> keys;
    int depth = 0;
    bool inString = false;
    std::string current;
    for (size_t i = 0; i < json.size(); ++i) {
        char c = json[i];
        if (inString) {
            if (c == '\\') {
                current += json[++i];
            } else if (c == '"') {
                inString = false;
                size_t next = json.find_first_not_of(' ', i + 1);
                if (depth == 1 && next != std::string::npos && json[next] == ':')
                    keys.push_back(current);
            } else {
                current += c;
            }
        } else if (c == '"') {
            inString = true;
            current.clear();
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return keys;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(VerifyCommand, ReadsAMovieWrittenByFfmpeg) {
    REQUIRE_PROGRAM("ffmpeg");
    testsupport::TempDir dir;
    std::string movie = dir.file("ff.mov");
    ASSERT_EQ(
        testsupport::runShell("ffmpeg -v error -nostdin -f lavfi -i testsrc=size=64x48:rate=24 -frames:v 6 "
                              "-c:v r10k -timecode 10:20:30:12 '" +
                              movie + "'")
            .exitStatus,
        0);
    testsupport::CommandResult text = runCli({"verify", movie});
    EXPECT_EQ(text.exitStatus, 0) << text.out << text.err;
    EXPECT_TRUE(contains(text.out, "video 'R10k' 64x48")) << text.out;
    EXPECT_TRUE(contains(text.out, "(24 fps), 6 frames")) << text.out;
    EXPECT_TRUE(contains(text.out, "timecode 10:20:30:12 (24 fps, non-drop)")) << text.out;

    testsupport::CommandResult json = runCli({"verify", "--json", movie});
    EXPECT_EQ(json.exitStatus, 0);
    EXPECT_EQ(topLevelKeys(json.out),
              (std::vector<std::string>{"codec", "width", "height", "timescale", "frame_duration", "frames",
                                        "self_contained", "timecode", "drop_frame", "source_name",
                                        "references", "reference_count", "problems"}));
    EXPECT_TRUE(contains(json.out, R"({"codec":"R10k","width":64,"height":48,)")) << json.out;
    EXPECT_TRUE(contains(json.out,
                         R"("frames":6,"self_contained":true,"timecode":"10:20:30:12","drop_frame":false,)"
                         R"("source_name":null,"references":[],"reference_count":0,"problems":[]})"))
        << json.out;
}

TEST(VerifyCommand, ShowsDropFrameTimecodeOfFfmpegMovies) {
    REQUIRE_PROGRAM("ffmpeg");
    testsupport::TempDir dir;
    std::string movie = dir.file("df.mov");
    ASSERT_EQ(testsupport::runShell("ffmpeg -v error -nostdin -f lavfi -i testsrc=size=32x16:rate=30000/1001 "
                                    "-frames:v 3 -c:v r10k -timecode '00:59:59;28' '" +
                                    movie + "'")
                  .exitStatus,
              0);
    testsupport::CommandResult json = runCli({"verify", "--json", movie});
    EXPECT_EQ(json.exitStatus, 0);
    EXPECT_TRUE(contains(json.out, R"("frames":3,)")) << json.out;
    EXPECT_TRUE(contains(json.out, R"("timecode":"00:59:59;28","drop_frame":true)")) << json.out;
}

TEST(VerifyCommand, ChecksEveryReferencedFrameFile) {
    testsupport::TempDir dir;
    fs::create_directories(dir.path() / "project/shots");
    MoviePlan plan;
    plan.frames = 4;
    plan.path = dir.file("project/ref.mov");
    plan.referenceFiles = writeFrameFiles(dir.file("project/shots"), plan, 2048);
    plan.referenceOffsets.assign(4, 2048);
    plan.startTimecode = timecode(1, 0, 0, 0);
    plan.sourceName = "Shot \"A\"";
    ASSERT_EQ(writeMovie(plan).firstError, noErr);

    testsupport::CommandResult json = runCli({"verify", "--json", plan.path});
    EXPECT_EQ(json.exitStatus, 0) << json.out;
    EXPECT_TRUE(
        contains(json.out, R"("self_contained":false,"timecode":"01:00:00:00","drop_frame":false,)"
                           R"("source_name":"Shot \"A\"","references":[{"path":")" +
                               plan.referenceFiles[0] +
                               R"(","offset":2048,"size":6144,"ok":true,"present":true,"file_size":8192},)"))
        << json.out;

    // One frame gone, one cut short: both are named, and the movie is not sound.
    fs::remove(plan.referenceFiles[1]);
    fs::resize_file(plan.referenceFiles[3], 2048 + 100);
    json = runCli({"verify", "--json", plan.path});
    EXPECT_EQ(json.exitStatus, 1);
    EXPECT_TRUE(contains(json.out,
                         plan.referenceFiles[1] +
                             R"(","offset":2048,"size":6144,"ok":false,"present":false,"file_size":null})"));
    EXPECT_TRUE(contains(json.out, "frame 2: " + plan.referenceFiles[1] + " is missing")) << json.out;
    EXPECT_TRUE(contains(json.out, "frame 4: " + plan.referenceFiles[3] + " holds 2148 bytes")) << json.out;
    testsupport::CommandResult text = runCli({"verify", plan.path});
    EXPECT_EQ(text.exitStatus, 1);
    EXPECT_TRUE(contains(text.out, "frame 2: " + plan.referenceFiles[1] + " at 2048, 6144 bytes: missing"));
    EXPECT_TRUE(contains(text.out, "file too short"));
}

TEST(VerifyCommand, FindsFramesMovedAlongWithTheMovie) {
    testsupport::TempDir dir;
    fs::create_directories(dir.path() / "before/shots");
    MoviePlan plan;
    plan.frames = 2;
    plan.path = dir.file("before/ref.mov");
    plan.referenceFiles = writeFrameFiles(dir.file("before/shots"), plan, 512);
    plan.referenceOffsets.assign(2, 512);
    ASSERT_EQ(writeMovie(plan).firstError, noErr);
    fs::rename(dir.path() / "before", dir.path() / "after");
    testsupport::CommandResult json = runCli({"verify", "--json", dir.file("after/ref.mov")});
    EXPECT_EQ(json.exitStatus, 0) << json.out;
    EXPECT_TRUE(contains(json.out, dir.file("after/shots/frame_0002.raw"))) << json.out;
}

TEST(VerifyCommand, DamagedMoviesAreNotSound) {
    testsupport::TempDir dir;
    MoviePlan plan;
    plan.path = dir.file("movie.mov");
    ASSERT_EQ(writeMovie(plan).firstError, noErr);
    EXPECT_EQ(runCli({"verify", plan.path}).exitStatus, 0);

    // A chunk offset moved past the end of the file.
    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(plan.path, info), noErr);
    const AtomNode* stco = info.tree.topLevel(FourCC("moov"))->find("trak/mdia/minf/stbl/stco");
    ASSERT_NE(stco, nullptr);
    {
        std::fstream file(plan.path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(std::streamoff(stco->offset + 8 + 8));
        uint8_t far[4];
        be::writeU32(far, 0x7FFFFFF0);
        file.write(reinterpret_cast<const char*>(far), 4);
    }
    testsupport::CommandResult result = runCli({"verify", "--json", plan.path});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_TRUE(contains(result.out, "frame 1 lies past the end of the movie file")) << result.out;

    // A movie cut off before its header, and a file that is no movie at all.
    fs::resize_file(plan.path, 1000);
    result = runCli({"verify", plan.path});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_TRUE(contains(result.out, "'mdat' at offset 28 claims")) << result.out;
    EXPECT_TRUE(contains(result.out, "no 'moov' atom")) << result.out;
    testsupport::writeFile(dir.file("text.mov"), std::vector<uint8_t>(100, 'x'));
    EXPECT_EQ(runCli({"verify", dir.file("text.mov")}).exitStatus, 1);
    result = runCli({"verify", "--json", dir.file("absent.mov")});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_TRUE(contains(result.out, R"("codec":null)")) << result.out;
    EXPECT_TRUE(contains(result.out, "absent.mov: no such file")) << result.out;
}

TEST(VerifyCommand, UsageErrors) {
    EXPECT_EQ(runCli({"verify"}).exitStatus, 2);
    EXPECT_EQ(runCli({"verify", "--json"}).exitStatus, 2);
    EXPECT_EQ(runCli({"verify", "a.mov", "b.mov"}).exitStatus, 2);
    testsupport::CommandResult result = runCli({"verify", "--frames", "a.mov"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_TRUE(contains(result.err, "usage: reelmaker verify [--json] [--against FRAME] MOVIE"));
}

} // namespace
