// Self-contained movies whose samples go from the frame files into the movie without passing through
// memory: the frames' exact pixels and the same movie whichever way the storage writes them, a frame
// that shrinks after its check stopping the export as one found short, a full destination leaving
// nothing, and no frame-sized block in memory.
#include "export/export_fixtures.h"
#include "support/json_reader.h"
#include "support/test_support.h"

#include "platform/log.h"
#include "platform/movie/movie_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

using namespace exportfixtures;
using testsupport::FrameSpec;
using testsupport::TempDir;
namespace fs = std::filesystem;

constexpr int kTag24 = 1;
/// Where the media data of a self-contained movie begins.
constexpr uint64_t kDataStart = 65536;

/// The exports started while it lives, in this process and in the commands it runs, try `way` first
/// (the storage's test-only switch).
class ForcedCopyWay {
public:
    explicit ForcedCopyWay(const std::string& way) { setenv("REELMAKER_TEST_COPY_WAY", way.c_str(), 1); }
    ~ForcedCopyWay() { unsetenv("REELMAKER_TEST_COPY_WAY"); }
};

/// A file system of its own mounted for as long as it lives (root only); problem() says why it isn't.
class ScratchMount {
public:
    /// Mounts by `command`, a shell command in which $FOLDER is the mount point and $IMAGE a file beside it.
    explicit ScratchMount(const std::string& command) {
        fs::create_directory(folder());
        if (geteuid() != 0) {
            m_problem = "mounting a file system needs root";
            return;
        }
        const testsupport::CommandResult result = testsupport::runShell(
            "FOLDER='" + folder() + "' IMAGE='" + m_dir.file("image") + "'; " + command + " 2>&1");
        m_mounted = result.exitStatus == 0;
        if (!m_mounted)
            m_problem = "this machine can't mount it: " + result.out;
    }
    ~ScratchMount() {
        if (m_mounted)
            testsupport::runShell("umount '" + folder() + "'");
    }
    const std::string& problem() const { return m_problem; }
    std::string folder() const { return m_dir.file("mnt"); }
    std::string file(const std::string& name) const { return folder() + "/" + name; }

private:
    TempDir m_dir;
    std::string m_problem;
    bool m_mounted = false;
};

const char kXfsWithReflink[] = "truncate -s 320M \"$IMAGE\" && mkfs.xfs -q -m reflink=1 \"$IMAGE\" && "
                               "mount -o loop \"$IMAGE\" \"$FOLDER\"";
std::string tmpfsOf(int kilobytes) {
    return "mount -t tmpfs -o size=" + std::to_string(kilobytes) + "k tmpfs \"$FOLDER\"";
}

#define REQUIRE_MOUNT(mount)                                                                                 \
    do {                                                                                                     \
        if (!(mount).problem().empty())                                                                      \
            GTEST_SKIP() << (mount).problem();                                                               \
    } while (0)

testsupport::JsonValue parsed(const std::string& text) {
    std::optional<testsupport::JsonValue> json = testsupport::parseJson(text);
    EXPECT_TRUE(json) << text;
    return json.value_or(testsupport::JsonValue{});
}

FrameSpec frameOf(uint32_t width, uint32_t height, uint32_t dataOffset) {
    FrameSpec fileSpec;
    fileSpec.width = width;
    fileSpec.height = height;
    fileSpec.dataOffset = dataOffset;
    fileSpec.timecode = testsupport::timecodeWord(1, 0, 0, 0);
    return fileSpec;
}

/// The video samples' bytes, chunk offsets followed, one after another.
std::vector<uint8_t> videoSampleBytes(const std::string& movie) {
    MovieFileInfo info;
    if (ReadMovieFile(movie, info) != noErr || info.tracks.empty())
        return {};
    const std::vector<uint8_t> file = testsupport::readFile(movie);
    const MovieTrackInfo& video = info.tracks[0];
    std::vector<uint8_t> bytes;
    for (uint64_t offset : video.chunkOffsets)
        if (offset + video.commonSampleSize <= file.size())
            bytes.insert(bytes.end(), file.begin() + long(offset),
                         file.begin() + long(offset + video.commonSampleSize));
    return bytes;
}

/// The frames' pixel data as their files hold it, one after another.
std::vector<uint8_t> framesPixelBytes(const std::vector<std::string>& frames, const FrameSpec& fileSpec) {
    const size_t count = size_t(fileSpec.width) * fileSpec.height * 4;
    std::vector<uint8_t> bytes;
    for (const std::string& frame : frames) {
        const std::vector<uint8_t> file = testsupport::readFile(frame);
        bytes.insert(bytes.end(), file.begin() + fileSpec.dataOffset,
                     file.begin() + fileSpec.dataOffset + long(count));
    }
    return bytes;
}

/// The movie's top-level atoms in order.
std::vector<OSType> topLevelAtoms(const std::string& movie) {
    MovieFileInfo info;
    std::vector<OSType> types;
    if (ReadMovieFile(movie, info) == noErr)
        for (const AtomNode& atom : info.tree.atoms)
            types.push_back(atom.type);
    return types;
}

TEST(CopiedSamples, EveryWayGivesTheFramesExactPixelsInTheSameMovie) {
    REQUIRE_PROGRAM("ffmpeg");
    ASSERT_EQ(setenv("SOURCE_DATE_EPOCH", "1700000000", 1), 0);
    const struct {
        const char* name;
        FrameSpec fileSpec;
    } shapes[] = {
        {"whole blocks at a block of the file (as GraphicsMagick writes)", frameOf(64, 64, 8192)},
        {"whole blocks at 2048 in the file", frameOf(64, 64, 2048)},
        {"2000x1000: not whole blocks", frameOf(2000, 1000, 2048)},
    };
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.name);
        TempDir dir;
        const std::vector<std::string> frames = writeSequence(dir.file(""), "shot_", 3, shape.fileSpec);
        const std::string expectedMd5 = framesMd5(dir.file("shot_%04d.dpx"), 1, 3);
        ASSERT_NE(expectedMd5.find("MD5="), std::string::npos);
        const std::vector<uint8_t> pixelBytes = framesPixelBytes(frames, shape.fileSpec);

        std::vector<std::vector<uint8_t>> movies;
        for (const std::string way : {"shared", "kernel", "user"}) {
            SCOPED_TRACE(way);
            ForcedCopyWay forced(way);
            const std::string movie = dir.file(way + ".mov");
            const auto result = testsupport::runCli({"translate", "--json", frames[0], "-o", movie});
            ASSERT_EQ(result.exitStatus, 0) << result.err;
            const testsupport::JsonValue json = parsed(result.out);
            ASSERT_EQ(json["copy"].type, testsupport::JsonValue::Type::string) << result.out;
            // Where the storage can't share, the next way does the work; forced to copy, it never shares.
            if (way == "user")
                EXPECT_EQ(json["copy"].text, "user");
            else if (way == "kernel")
                EXPECT_NE(json["copy"].text, "shared");
            EXPECT_EQ(testsupport::runCli({"verify", movie}).exitStatus, 0);
            EXPECT_EQ(topLevelAtoms(movie),
                      (std::vector<OSType>{FourCC("ftyp"), FourCC("free"), FourCC("wide"), FourCC("mdat"),
                                           FourCC("moov")}));
            EXPECT_TRUE(videoSampleBytes(movie) == pixelBytes);
            EXPECT_EQ(movieMd5(movie), expectedMd5);
            movies.push_back(testsupport::readFile(movie));
        }
        EXPECT_TRUE(movies[0] == movies[1] && movies[1] == movies[2]);

        // A reference movie copies nothing: no way to report, and its file is laid out as before.
        const std::string reference = dir.file("reference.mov");
        const auto result =
            testsupport::runCli({"translate", "--json", "--reference", frames[0], "-o", reference});
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(parsed(result.out).members.count("copy"), 0u) << result.out;
        EXPECT_EQ(topLevelAtoms(reference),
                  (std::vector<OSType>{FourCC("ftyp"), FourCC("wide"), FourCC("mdat"), FourCC("moov")}));
        EXPECT_EQ(testsupport::runCli({"verify", "--against", frames[0], reference}).exitStatus, 0);
    }
    unsetenv("SOURCE_DATE_EPOCH");
}

TEST(CopiedSamples, SharedBlocksOnAFileSystemThatSharesThem) {
    REQUIRE_PROGRAM("ffmpeg");
    ScratchMount xfs(kXfsWithReflink);
    REQUIRE_MOUNT(xfs);
    const FrameSpec fileSpec = frameOf(512, 512, 8192);
    const std::vector<std::string> frames = writeSequence(xfs.folder(), "shot_", 8, fileSpec);
    const std::string movie = xfs.file("movie.mov");
    sync();
    struct statvfs before {};
    ASSERT_EQ(statvfs(xfs.folder().c_str(), &before), 0);
    const auto result = testsupport::runCli({"translate", "--json", frames[0], "-o", movie});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(parsed(result.out)["copy"].text, "shared") << result.out;
    EXPECT_TRUE(videoSampleBytes(movie) == framesPixelBytes(frames, fileSpec));
    EXPECT_EQ(movieMd5(movie), framesMd5(xfs.file("shot_%04d.dpx"), 1, 8));
    sync();
    struct statvfs after {};
    ASSERT_EQ(statvfs(xfs.folder().c_str(), &after), 0);
    const uint64_t grown = (uint64_t(before.f_bfree) - uint64_t(after.f_bfree)) * before.f_frsize;
    EXPECT_LT(grown, fs::file_size(movie) / 100) << "the frames' blocks should be shared";
}

/// A document whose frame shrinks to `keptBytes` of its pixel data once it has been checked for the
/// copy: between the check and the copy, as a file rewritten meanwhile.
class ShrinkingDocument : public DPXMovieFile {
public:
    ShrinkingDocument(fw::Framework& framework, int32_t frame, uint64_t keptBytes)
        : DPXMovieFile(framework), m_frame(frame), m_keptBytes(keptBytes) {}

protected:
    FetchedFrame fetchExportFrame(int32_t frame, bool forCopy) const override {
        FetchedFrame fetched = DPXMovieFile::fetchExportFrame(frame, forCopy);
        if (frame == m_frame)
            EXPECT_EQ(truncate(exportPathOfFrame(frame).c_str(), off_t(fetched.pixelOffset + m_keptBytes)),
                      0);
        return fetched;
    }

private:
    const int32_t m_frame;
    const uint64_t m_keptBytes;
};

TEST(CopiedSamples, AFrameThatShrinksAfterItsCheckStopsTheExportAsOneFoundShort) {
    const FrameSpec fileSpec = frameOf(64, 64, 8192);
    const uint64_t frameBytes = 64 * 64 * 4;
    // The stop of a frame already short when it is checked.
    std::string shortAtItsCheck;
    {
        TempDir dir;
        const auto frames = writeSequence(dir.file(""), "shot_", 5, fileSpec);
        HeadlessSession session;
        auto document = openDocument(session, frames[0]);
        fs::resize_file(frames[2], 8192 + frameBytes / 2);
        LogCapture log;
        EXPECT_EQ(
            document->saveMovieWithSettings(settingsAtRate(*document, dir.file("m.mov"), false, kTag24)),
            eofErr);
        shortAtItsCheck = document->exportOutcome().problem;
        EXPECT_EQ(shortAtItsCheck,
                  "shot_0003.dpx: couldn't read its pixel data (the file ends before its pixel "
                  "data does)");
    }
    for (const char* way : {"shared", "kernel", "user"}) {
        for (const uint64_t kept : {uint64_t(0), frameBytes / 2, frameBytes - 1}) {
            SCOPED_TRACE(std::string(way) + ", " + std::to_string(kept) + " bytes kept");
            ForcedCopyWay forced(way);
            TempDir dir;
            const auto frames = writeSequence(dir.file(""), "shot_", 5, fileSpec);
            const std::vector<uint8_t> firstTwo = framesPixelBytes({frames[0], frames[1]}, fileSpec);
            HeadlessSession session;
            session.controller().setDocumentFactory(
                [kept](fw::Framework& framework, const std::string&) -> std::shared_ptr<fw::Document> {
                    auto document = std::make_shared<ShrinkingDocument>(framework, 2, kept);
                    document->setShowsFrames(false);
                    return document;
                });
            auto document = openDocument(session, frames[0]);
            for (const int threads : {1, 16}) {
                fs::resize_file(frames[2], 8192 + frameBytes); // whole again until its check
                const std::string movie = dir.file("m" + std::to_string(threads) + ".mov");
                ExportSettings s = settingsAtRate(*document, movie, false, kTag24);
                s.readThreads = threads;
                LogCapture log;
                EXPECT_EQ(document->saveMovieWithSettings(s), eofErr);
                const ExportOutcome& outcome = document->exportOutcome();
                EXPECT_EQ(outcome.problem, shortAtItsCheck);
                EXPECT_EQ(log.count("Frame #2 ends before its pixel data in addVideoFramesToMedia:\n"), 1);
                // The frames before it make the movie, one after the other, nothing of the third.
                EXPECT_TRUE(outcome.movieWritten);
                EXPECT_EQ(outcome.framesWritten, 2);
                EXPECT_EQ(testsupport::runCli({"verify", movie}).exitStatus, 0);
                EXPECT_TRUE(videoSampleBytes(movie) == firstTwo);
                // No hole where the third was begun: the timecode sample follows the second frame.
                MovieFileInfo info;
                ASSERT_EQ(ReadMovieFile(movie, info), noErr);
                EXPECT_EQ(info.tracks.at(0).chunkOffsets,
                          (std::vector<uint64_t>{kDataStart, kDataStart + frameBytes}));
                EXPECT_EQ(info.tracks.at(1).chunkOffsets, std::vector<uint64_t>{kDataStart + 2 * frameBytes});
                EXPECT_EQ(info.tree.topLevel(FourCC("mdat"))->size, 8 + 2 * frameBytes + 4);
            }
        }
    }
}

TEST(CopiedSamples, AFullDestinationFailsTheExportAndLeavesNothing) {
    // Frames in the movie's file system are copied in the kernel (or shared); from another, through
    // the process. Either way the disk fills part-way through the movie.
    const FrameSpec fileSpec = frameOf(128, 128, 2048); // 64 KiB of pixels
    const struct {
        const char* name;
        bool framesBeside;
        const char* way;
    } cases[] = {
        {"frames beside the movie", true, "shared"},
        {"frames beside the movie, copied in the kernel", true, "kernel"},
        {"frames beside the movie, copied through the process", true, "user"},
        {"frames on another file system", false, "shared"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // 20 frames of 66 KiB, and a movie of their 1280 KiB of pixels: 2 MiB can't hold both, 1 MiB
        // can't hold the movie.
        ScratchMount full(tmpfsOf(c.framesBeside ? 2048 : 1024));
        REQUIRE_MOUNT(full);
        ForcedCopyWay forced(c.way);
        TempDir elsewhere;
        const std::string frameFolder = c.framesBeside ? full.folder() : elsewhere.path().string();
        const auto frames = writeSequence(frameFolder, "shot_", 20, fileSpec);
        const std::string movie = full.file("full.mov");
        for (const bool fileThere : {false, true}) {
            SCOPED_TRACE(fileThere ? "a file under the name" : "the name free");
            if (fileThere)
                testsupport::writeFile(movie, {'o', 'l', 'd'});
            std::vector<std::string> before;
            for (const auto& entry : fs::directory_iterator(full.folder()))
                before.push_back(entry.path().filename().string());
            HeadlessSession session;
            auto document = openDocument(session, frames[0]);
            ExportSettings s = settingsAtRate(*document, movie, false, kTag24);
            s.replaceExisting = true; // --force
            LogCapture log;
            EXPECT_EQ(document->saveMovieWithSettings(s), dskFulErr);
            const ExportOutcome& outcome = document->exportOutcome();
            EXPECT_FALSE(outcome.movieWritten);
            EXPECT_EQ(outcome.problem.rfind("couldn't write shot_", 0), 0u) << outcome.problem;
            EXPECT_NE(outcome.problem.find(" into the movie: the disk is full"), std::string::npos)
                << outcome.problem;
            std::vector<std::string> after;
            for (const auto& entry : fs::directory_iterator(full.folder()))
                after.push_back(entry.path().filename().string());
            std::sort(before.begin(), before.end());
            std::sort(after.begin(), after.end());
            EXPECT_EQ(after, before);
            if (fileThere)
                EXPECT_EQ(testsupport::readFile(movie), (std::vector<uint8_t>{'o', 'l', 'd'}));
        }
    }
}

TEST(CopiedSamples, NoFrameSizedBlockInMemory) {
    if (testsupport::kSanitizedBuild)
        GTEST_SKIP() << "a sanitizer's memory figures mean nothing";
    // A 2K frame is 12.7 MB. The reference export reads the same headers and copies nothing: the
    // self-contained export may take no more than a 1 MiB block beyond it, whichever way it copies.
    TempDir dir;
    const auto frames = writeSequence(dir.file(""), "shot_", 3, frameOf(2048, 1556, 8192));
    const long reference =
        testsupport::runCli({"translate", "--quiet", "--reference", frames[0], "-o", dir.file("r.mov")})
            .peakKilobytes;
    ASSERT_GT(reference, 0);
    for (const char* way : {"shared", "user"}) {
        SCOPED_TRACE(way);
        ForcedCopyWay forced(way);
        const auto result = testsupport::runCli(
            {"translate", "--quiet", frames[0], "-o", dir.file(std::string(way) + ".mov")});
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_LT(result.peakKilobytes, reference + 4096)
            << "the reference export took " << reference << " KB";
    }
}

} // namespace
