// Samples added from a range of another file: whichever way the storage writes them, the movie holds
// the files' bytes in order from a 64 KiB boundary, and a file that shrinks before its copy adds
// nothing and leaves no hole.
#include "movie/movie_fixtures.h"
#include "platform/bigendian.h"
#include "platform/movie/movie_reader.h"
#include "platform/read_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

using namespace moviefixtures;
namespace fs = std::filesystem;

/// Where the media data of a movie of samples from files begins.
constexpr uint64_t kDataStart = 65536;

/// The storages made while it lives try `way` first (the storage's test-only switch).
class ForcedCopyWay {
public:
    explicit ForcedCopyWay(const char* way) {
        if (way)
            setenv("REELMAKER_TEST_COPY_WAY", way, 1);
    }
    ~ForcedCopyWay() { unsetenv("REELMAKER_TEST_COPY_WAY"); }
};

std::vector<uint8_t> bytesAt(const std::vector<uint8_t>& file, uint64_t offset, uint64_t count) {
    if (offset > file.size() || count > file.size() - offset)
        return {};
    return std::vector<uint8_t>(file.begin() + long(offset), file.begin() + long(offset + count));
}

/// The video samples' bytes, chunk offsets followed, one after another.
std::vector<uint8_t> videoSampleBytes(const MovieFileInfo& info) {
    const std::vector<uint8_t> file = testsupport::readFile(info.path);
    std::vector<uint8_t> bytes;
    const MovieTrackInfo& video = info.tracks.at(0);
    for (uint64_t offset : video.chunkOffsets) {
        std::vector<uint8_t> sample = bytesAt(file, offset, video.commonSampleSize);
        bytes.insert(bytes.end(), sample.begin(), sample.end());
    }
    return bytes;
}

std::vector<uint8_t> framesBytes(const MoviePlan& plan, const std::vector<int>& frames) {
    std::vector<uint8_t> bytes;
    for (int i : frames) {
        std::vector<uint8_t> pixels = framePixels(plan.width, plan.height, i);
        bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    }
    return bytes;
}

TEST(FileSamples, EveryWayMakesTheSameMovieOfTheFilesBytesFromABlockBoundary) {
    ASSERT_EQ(setenv("SOURCE_DATE_EPOCH", "1700000000", 1), 0);
    const struct {
        const char* name;
        int width, height;
        long dataOffset;
    } shapes[] = {
        {"whole blocks, at a block in the file", 64, 64, 8192},
        {"whole blocks, at 2048 in the file", 64, 16, 2048},
        {"not whole blocks", 50, 10, 2048},
    };
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.name);
        testsupport::TempDir dir;
        MoviePlan plan;
        plan.width = shape.width;
        plan.height = shape.height;
        plan.frames = 4;
        plan.startTimecode = timecode(1, 0, 0, 0);
        plan.sampleFiles = writeFrameFiles(dir.path().string(), plan, shape.dataOffset);
        plan.sampleFileOffsets.assign(size_t(plan.frames), shape.dataOffset);
        const uint64_t frameBytes = uint64_t(plan.width) * uint64_t(plan.height) * 4;

        std::vector<std::vector<uint8_t>> movies;
        for (const char* way : {"shared", "kernel", "user"}) {
            SCOPED_TRACE(way);
            ForcedCopyWay forced(way);
            plan.path = dir.file(std::string(way) + ".mov");
            const WriteResult written = writeMovie(plan);
            ASSERT_EQ(written.firstError, noErr) << written.failingCall;
            const MovieStorageCopies& copies = written.copies;
            EXPECT_EQ(copies.shared + copies.kernel + copies.user, plan.frames * frameBytes);
            if (std::string(way) != "shared")
                EXPECT_EQ(copies.shared, 0u);
            if (std::string(way) == "user")
                EXPECT_EQ(copies.user, plan.frames * frameBytes);

            MovieFileInfo info;
            ASSERT_EQ(ReadMovieFile(plan.path, info), noErr);
            EXPECT_TRUE(info.problems.empty()) << info.problems.front();
            // 'ftyp', 'free' up to the 16 bytes of 'wide' and the media data's header, then the samples
            // from 64 KiB on: the timecode sample after the frames.
            ASSERT_EQ(info.tree.atoms.size(), 5u);
            EXPECT_EQ(info.tree.atoms[1].type, FourCC("free"));
            EXPECT_EQ(info.tree.atoms[1].offset, 20u);
            EXPECT_EQ(info.tree.atoms[2].type, FourCC("wide"));
            EXPECT_EQ(info.tree.atoms[3].type, FourCC("mdat"));
            EXPECT_EQ(info.tree.atoms[3].offset + info.tree.atoms[3].headerSize, kDataStart);
            EXPECT_EQ(info.tree.atoms[3].size, 8 + plan.frames * frameBytes + 4);
            ASSERT_EQ(info.tracks.at(0).chunkOffsets.size(), size_t(plan.frames));
            EXPECT_EQ(info.tracks[0].chunkOffsets[0], kDataStart);
            EXPECT_TRUE(videoSampleBytes(info) == framesBytes(plan, {0, 1, 2, 3}));
            EXPECT_EQ(info.tracks.at(1).chunkOffsets.at(0), kDataStart + plan.frames * frameBytes);
            movies.push_back(testsupport::readFile(plan.path));
        }
        EXPECT_TRUE(movies[0] == movies[1] && movies[1] == movies[2]);

        if (testsupport::haveProgram("ffmpeg")) {
            const std::string planes = dir.file("expected.raw");
            writeExpectedPlanes(planes, plan);
            EXPECT_EQ(decodedMd5(dir.file("user.mov")), expectedMd5(planes, plan));
        }
    }
    unsetenv("SOURCE_DATE_EPOCH");
}

TEST(FileSamples, AFileThatShrankBeforeItsCopyAddsNoSampleAndLeavesNoHole) {
    const struct {
        const char* way;
        int shrunk;         // the frame cut short
        uint64_t keptBytes; // of its pixel data
    } cases[] = {
        {"shared", 0, 0},     {"shared", 2, 8192}, {"kernel", 0, 4000},
        {"kernel", 1, 16383}, {"user", 0, 0},      {"user", 3, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.way) + ", frame " + std::to_string(c.shrunk) + " keeps " +
                     std::to_string(c.keptBytes) + " bytes");
        ForcedCopyWay forced(c.way);
        testsupport::TempDir dir;
        MoviePlan plan;
        plan.width = 64;
        plan.height = 64;
        plan.frames = 4;
        plan.path = dir.file("movie.mov");
        const long dataOffset = 4096;
        const std::vector<std::string> files = writeFrameFiles(dir.path().string(), plan, dataOffset);
        const uint64_t frameBytes = uint64_t(plan.width) * uint64_t(plan.height) * 4;

        Handle dataRef = nullptr;
        OSType dataRefType = 0;
        ASSERT_EQ(QTNewDataReferenceFromFullPathCFString(plan.path, kQTNativeDefaultPathStyle, 0, &dataRef,
                                                         &dataRefType),
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
        ASSERT_EQ(BeginMediaEdits(media), noErr);
        std::vector<int> added;
        for (int i = 0; i < plan.frames; ++i) {
            // Opened and looked at first, as the export does; then cut short before the copy.
            std::unique_ptr<ReadableFile> file = ReadableFile::fileHandleForReadingAtPath(files[size_t(i)]);
            ASSERT_TRUE(file);
            if (i == c.shrunk)
                ASSERT_EQ(truncate(files[size_t(i)].c_str(), off_t(dataOffset + c.keptBytes)), 0);
            const OSErr status = AddMediaSampleFromFile(media, *file, uint64_t(dataOffset), frameBytes,
                                                        plan.frameDuration, desc.get(), 1, 0, nullptr);
            EXPECT_EQ(status, i == c.shrunk ? eofErr : noErr) << "frame " << i;
            if (status == noErr)
                added.push_back(i);
        }
        ASSERT_EQ(EndMediaEdits(media), noErr);
        ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1), noErr);
        ASSERT_EQ(CloseMovieStorage(dh), noErr);
        DisposeMovie(movie);

        MovieFileInfo info;
        ASSERT_EQ(ReadMovieFile(plan.path, info), noErr);
        EXPECT_TRUE(info.problems.empty()) << info.problems.front();
        EXPECT_EQ(info.tracks.at(0).sampleCount, 3u);
        EXPECT_TRUE(videoSampleBytes(info) == framesBytes(plan, added));
        // The samples lie one after the other from the first; the movie atom follows the last.
        EXPECT_EQ(info.tracks[0].chunkOffsets,
                  (std::vector<uint64_t>{kDataStart, kDataStart + frameBytes, kDataStart + 2 * frameBytes}));
        const AtomNode* mdat = info.tree.topLevel(FourCC("mdat"));
        ASSERT_NE(mdat, nullptr);
        EXPECT_EQ(mdat->size, 8 + 3 * frameBytes);
        EXPECT_EQ(fs::file_size(plan.path),
                  mdat->offset + mdat->size + info.tree.topLevel(FourCC("moov"))->size);
    }
}

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
    EXPECT_TRUE(videoSampleBytes(info) == framesBytes(plan, {0, 1}));
}

} // namespace
