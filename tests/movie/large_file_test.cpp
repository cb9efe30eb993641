// Movies past 4 GiB, made sparse: a gap in the media data (or a frame file with a hole), so that no
// gigabytes are written. Chunk offsets must be 64-bit and the media data header too.
#include "movie/movie_fixtures.h"
#include "platform/movie/movie_check.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace moviefixtures;
using testsupport::runShell;

constexpr uint64_t kGiB = uint64_t(1) << 30;

uint64_t allocatedBytes(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return uint64_t(info.st_blocks) * 512;
}

TEST(LargeFile, MediaDataPastFourGiBUses64BitOffsets) {
    REQUIRE_PROGRAM("ffprobe");
    testsupport::TempDir dir;
    MoviePlan plan;
    plan.path = dir.file("big.mov");
    plan.frames = 4;
    plan.gapAfterFrames = 2;
    plan.gapBytes = 4 * kGiB + 123456;
    plan.startTimecode = timecode(1, 0, 0, 0);
    WriteResult written = writeMovie(plan);
    ASSERT_EQ(written.firstError, noErr) << written.failingCall;
    EXPECT_GT(std::filesystem::file_size(plan.path), 4 * kGiB);
    EXPECT_LT(allocatedBytes(plan.path), 16u << 20) << "the gap should be a hole";

    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(plan.path, info), noErr);
    EXPECT_TRUE(info.problems.empty());
    // 'wide' and the 8-byte header became one 16-byte header: size field 1, then 64 bits.
    ASSERT_EQ(info.tree.atoms.size(), 3u);
    const AtomNode& mdat = info.tree.atoms[1];
    EXPECT_EQ(mdat.type, FourCC("mdat"));
    EXPECT_EQ(mdat.offset, 20u);
    EXPECT_EQ(mdat.headerSize, 16u);
    EXPECT_EQ(mdat.size, 16 + plan.gapBytes + 4 * uint64_t(plan.width * plan.height * 4) + 4);
    ASSERT_EQ(info.tracks.size(), 2u);
    const MovieTrackInfo& video = info.tracks[0];
    EXPECT_TRUE(video.chunkOffsets64);
    ASSERT_EQ(video.chunkOffsets.size(), 4u);
    EXPECT_EQ(video.chunkOffsets[0], 36u);
    EXPECT_GT(video.chunkOffsets[2], 4 * kGiB);
    EXPECT_TRUE(info.tracks[1].chunkOffsets64);

    // ffmpeg reads the frames at their 64-bit offsets, bit-exact.
    std::string streams = runShell("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                                   "stream=nb_read_frames,width,height -of csv=p=0 '" +
                                   plan.path + "'")
                              .out;
    EXPECT_EQ(streams, "48,32,4\n");
    std::string planes = dir.file("expected.raw");
    writeExpectedPlanes(planes, plan);
    EXPECT_EQ(decodedMd5(plan.path), expectedMd5(planes, plan));

    MovieInspection inspection;
    ASSERT_EQ(InspectMovie(plan.path, inspection), noErr);
    EXPECT_TRUE(inspection.sound()) << inspection.problems.front();
    EXPECT_EQ(inspection.timecode, "01:00:00:00");
}

TEST(LargeFile, OffsetsBetweenTwoAndFourGiBStayThirtyTwoBit) {
    REQUIRE_PROGRAM("ffmpeg");
    testsupport::TempDir dir;
    MoviePlan plan;
    plan.path = dir.file("mid.mov");
    plan.frames = 3;
    plan.gapAfterFrames = 1;
    plan.gapBytes = 3 * kGiB;
    WriteResult written = writeMovie(plan);
    ASSERT_EQ(written.firstError, noErr) << written.failingCall;

    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(plan.path, info), noErr);
    EXPECT_TRUE(info.problems.empty());
    // The media data's header keeps 32 bits, and 'wide' stays in front of it.
    ASSERT_NE(info.tree.topLevel(FourCC("wide")), nullptr);
    EXPECT_EQ(info.tree.topLevel(FourCC("mdat"))->headerSize, 8u);
    ASSERT_EQ(info.tracks.size(), 1u);
    EXPECT_FALSE(info.tracks[0].chunkOffsets64);
    ASSERT_EQ(info.tracks[0].chunkOffsets.size(), 3u);
    EXPECT_GT(info.tracks[0].chunkOffsets[1], 3 * kGiB);
    std::string planes = dir.file("expected.raw");
    writeExpectedPlanes(planes, plan);
    EXPECT_EQ(decodedMd5(plan.path), expectedMd5(planes, plan));
}

TEST(LargeFile, ReferenceIntoAFramePastFourGiB) {
    REQUIRE_PROGRAM("ffmpeg");
    testsupport::TempDir dir;
    MoviePlan plan;
    plan.frames = 1;
    plan.path = dir.file("ref.mov");
    // One frame file with its pixels 5 GiB in, after a hole.
    const long offset = long(5 * kGiB);
    std::string frame = dir.file("huge_0001.raw");
    {
        std::vector<uint8_t> pixels = framePixels(plan.width, plan.height, 0);
        int fd = open(frame.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, pixels.data(), pixels.size(), offset), ssize_t(pixels.size()));
        close(fd);
    }
    plan.referenceFiles = {frame};
    plan.referenceOffsets = {offset};
    ASSERT_EQ(writeMovie(plan).firstError, noErr);

    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(plan.path, info), noErr);
    ASSERT_EQ(info.tracks.size(), 1u);
    EXPECT_TRUE(info.tracks[0].chunkOffsets64);
    EXPECT_EQ(info.tracks[0].chunkOffsets, std::vector<uint64_t>{uint64_t(offset)});

    std::string planes = dir.file("expected.raw");
    writeExpectedPlanes(planes, plan);
    EXPECT_EQ(runShell("ffmpeg -v error -nostdin -enable_drefs 1 -i '" + plan.path +
                       "' -map 0:v:0 -pix_fmt gbrp10le -f md5 -")
                  .out,
              expectedMd5(planes, plan));
    MovieInspection inspection;
    ASSERT_EQ(InspectMovie(plan.path, inspection), noErr);
    ASSERT_EQ(inspection.references.size(), 1u);
    EXPECT_TRUE(inspection.references[0].ok);
    EXPECT_EQ(inspection.references[0].offset, uint64_t(offset));
}

} // namespace
