// Where samples added from a range of another file go: from a 64 KiB boundary when they are the first
// media data, past 4 GiB too, and after samples from memory where those began.
#include "movie/movie_fixtures.h"
#include "platform/movie/movie_reader.h"
#include "platform/read_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace moviefixtures;

/// Where the media data of a movie of samples from files begins.
constexpr uint64_t kDataStart = 65536;

TEST(FileSamples, PastFourGiBTheMediaDataHeaderTakesThePlaceOfWideBeforeTheBlockBoundary) {
    REQUIRE_PROGRAM("ffmpeg");
    testsupport::TempDir dir;
    MoviePlan plan;
    plan.path = dir.file("big.mov");
    plan.width = 64;
    plan.height = 16;
    plan.frames = 3;
    plan.gapAfterFrames = 1;
    plan.gapBytes = (uint64_t(4) << 30) + 4096; // a hole: nothing written
    plan.startTimecode = timecode(1, 0, 0, 0);
    plan.sampleFiles = writeFrameFiles(dir.path().string(), plan, 4096);
    plan.sampleFileOffsets.assign(size_t(plan.frames), 4096);
    const WriteResult written = writeMovie(plan);
    ASSERT_EQ(written.firstError, noErr) << written.failingCall;

    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(plan.path, info), noErr);
    EXPECT_TRUE(info.problems.empty()) << info.problems.front();
    // 'ftyp', 'free', then the 16-byte media data header where 'wide' and the 8-byte header were.
    ASSERT_EQ(info.tree.atoms.size(), 4u);
    EXPECT_EQ(info.tree.atoms[1].type, FourCC("free"));
    const AtomNode& mdat = info.tree.atoms[2];
    EXPECT_EQ(mdat.type, FourCC("mdat"));
    EXPECT_EQ(mdat.offset, kDataStart - 16);
    EXPECT_EQ(mdat.headerSize, 16u);
    const MovieTrackInfo& video = info.tracks.at(0);
    EXPECT_TRUE(video.chunkOffsets64);
    EXPECT_EQ(video.chunkOffsets.at(0), kDataStart);
    const std::string planes = dir.file("expected.raw");
    writeExpectedPlanes(planes, plan);
    EXPECT_EQ(decodedMd5(plan.path), expectedMd5(planes, plan));
}

TEST(FileSamples, MediaDataStartedFromMemoryStaysWhereItBegan) {
    // Only the first media data can move to a block boundary: samples already added keep their place.
    testsupport::TempDir dir;
    MoviePlan plan;
    plan.width = 16;
    plan.height = 16;
    plan.frames = 2;
    const std::vector<std::string> files = writeFrameFiles(dir.path().string(), plan, 2048);
    const uint64_t frameBytes = uint64_t(plan.width) * uint64_t(plan.height) * 4;
    Handle dataRef = nullptr;
    OSType dataRefType = 0;
    ASSERT_EQ(QTNewDataReferenceFromFullPathCFString(dir.file("mixed.mov"), kQTNativeDefaultPathStyle, 0,
                                                     &dataRef, &dataRefType),
              noErr);
    HandleOwner dataRefOwner(dataRef);
    DataHandler dh = nullptr;
    Movie movie = nullptr;
    ASSERT_EQ(CreateMovieStorage(dataRef, dataRefType, FourCC("TVOD"), smCurrentScript, 0, &dh, &movie),
              noErr);
    Track track =
        NewMovieTrack(movie, FixRatio(int16_t(plan.width), 1), FixRatio(int16_t(plan.height), 1), 0);
    Media media = NewTrackMedia(track, VideoMediaType, plan.timeScale, nullptr, 0);
    HandleOwner desc = makeImageDescription(plan.codec, plan.width, plan.height, 1);
    std::vector<uint8_t> pixels = framePixels(plan.width, plan.height, 0);
    HandleOwner first(NewHandle(Size(pixels.size())));
    std::memcpy(*first.get(), pixels.data(), pixels.size());
    ASSERT_EQ(
        AddMediaSample(media, first.get(), 0, frameBytes, plan.frameDuration, desc.get(), 1, 0, nullptr),
        noErr);
    std::unique_ptr<ReadableFile> file = ReadableFile::fileHandleForReadingAtPath(files[1]);
    ASSERT_TRUE(file);
    ASSERT_EQ(
        AddMediaSampleFromFile(media, *file, 2048, frameBytes, plan.frameDuration, desc.get(), 1, 0, nullptr),
        noErr);
    ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1), noErr);
    ASSERT_EQ(CloseMovieStorage(dh), noErr);
    DisposeMovie(movie);

    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(dir.file("mixed.mov"), info), noErr);
    EXPECT_TRUE(info.problems.empty()) << info.problems.front();
    EXPECT_EQ(info.tree.topLevel(FourCC("free")), nullptr);
    EXPECT_EQ(info.tracks.at(0).chunkOffsets, (std::vector<uint64_t>{36, 36 + frameBytes}));
    const std::vector<uint8_t> movieBytes = testsupport::readFile(dir.file("mixed.mov"));
    const std::vector<uint8_t> second = framePixels(plan.width, plan.height, 1);
    EXPECT_EQ(std::memcmp(movieBytes.data() + 36, pixels.data(), frameBytes), 0);
    EXPECT_EQ(std::memcmp(movieBytes.data() + 36 + frameBytes, second.data(), frameBytes), 0);
}

} // namespace
