// A movie file is complete under its name or not there at all: failed writes (a file-size limit in a
// child process stands in for a full disk), failed renames and aborted storages leave no partial movie,
// no temporary file, and any existing movie untouched.
#include "movie/movie_fixtures.h"
#include "platform/movie/movie_reader.h"
#include "platform/movie/movie_storage.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace moviefixtures;
namespace fs = std::filesystem;

std::vector<std::string> listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

/// Runs body in a child process whose files may not grow past `limit` bytes (writes past it fail with
/// EFBIG, as on a full disk) and returns what body returned.
WriteResult inChildWithFileSizeLimit(rlim_t limit, const std::function<WriteResult()>& body) {
    int fds[2];
    if (pipe(fds) != 0)
        return {ioErr, "pipe", ioErr};
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        signal(SIGXFSZ, SIG_IGN);
        rlimit rl{limit, limit};
        setrlimit(RLIMIT_FSIZE, &rl);
        WriteResult result = body();
        char line[256];
        int n = std::snprintf(line, sizeof line, "%d %d %s", result.firstError, result.closeStatus,
                              result.failingCall.c_str());
        (void)!write(fds[1], line, size_t(n));
        _exit(0);
    }
    close(fds[1]);
    char line[256] = {};
    ssize_t n = read(fds[0], line, sizeof line - 1);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    WriteResult result{ioErr, "child process", ioErr};
    char call[200] = {};
    int first = 0, close = 0;
    if (n > 0 && std::sscanf(line, "%d %d %199s", &first, &close, call) >= 2)
        result = {OSErr(first), call, OSErr(close)};
    return result;
}

MoviePlan bigFrames(const std::string& path) {
    MoviePlan plan;
    plan.path = path;
    plan.width = 256;
    plan.height = 256; // 256 KiB per frame
    plan.frames = 20;
    plan.startTimecode = timecode(1, 0, 0, 0);
    return plan;
}

TEST(StorageFailure, FullDiskPartWayKeepsTheExistingMovieAndLeavesNoTemporaryFile) {
    testsupport::TempDir dir;
    MoviePlan plan = bigFrames(dir.file("shot.mov"));
    testsupport::writeFile(plan.path, {'o', 'l', 'd'});

    WriteResult result = inChildWithFileSizeLimit(2u << 20, [&] { return writeMovie(plan); });
    EXPECT_EQ(result.firstError, dskFulErr);
    EXPECT_EQ(result.failingCall, "AddMediaSample");
    EXPECT_EQ(result.closeStatus, dskFulErr);
    EXPECT_EQ(testsupport::readFile(plan.path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(listing(dir.path()), std::vector<std::string>{"shot.mov"});

    // Without a movie there before, nothing at all is left.
    fs::remove(plan.path);
    result = inChildWithFileSizeLimit(2u << 20, [&] { return writeMovie(plan); });
    EXPECT_EQ(result.closeStatus, dskFulErr);
    EXPECT_TRUE(listing(dir.path()).empty());

    // The same movie within the limit is written whole and replaces the old one.
    testsupport::writeFile(plan.path, {'o', 'l', 'd'});
    plan.frames = 4;
    result = inChildWithFileSizeLimit(2u << 20, [&] { return writeMovie(plan); });
    EXPECT_EQ(result.firstError, noErr) << result.failingCall;
    EXPECT_GT(fs::file_size(plan.path), 4u * 256 * 256 * 4);
}

TEST(StorageFailure, NamedTemporaryFileIsRemovedAtTheFailure) {
    // Where unnamed temporary files are not available, a hidden file beside the destination is used.
    testsupport::TempDir dir;
    std::string destination = dir.file("named.mov");
    WriteResult result = inChildWithFileSizeLimit(1u << 20, [&] {
        std::unique_ptr<MovieStorage> storage;
        OSErr err = MovieStorage::create(destination, true, storage, StorageFile::TempKind::Named);
        if (err != noErr)
            return WriteResult{err, "create", err};
        std::string temp = storage->tempPath();
        bool visible = !temp.empty() && fs::exists(temp) && fs::path(temp).parent_path() == dir.path() &&
                       fs::path(temp).filename().string().rfind(".named.mov.", 0) == 0;
        std::vector<uint8_t> block(300 << 10, 0x5A);
        uint64_t offset = 0;
        for (int i = 0; i < 10 && err == noErr; ++i)
            err = storage->appendData(block.data(), block.size(), offset);
        bool goneAtFailure = !fs::exists(temp);
        OSErr later = storage->writeMovieAtom({0, 0, 0, 8, 'm', 'o', 'o', 'v'});
        return WriteResult{err, visible && goneAtFailure ? "temp-seen-then-removed" : "temp-not-as-expected",
                           later};
    });
    EXPECT_EQ(result.firstError, dskFulErr);
    EXPECT_EQ(result.failingCall, "temp-seen-then-removed");
    EXPECT_EQ(result.closeStatus, dskFulErr); // every later call reports the first failure
    EXPECT_TRUE(listing(dir.path()).empty());
}

TEST(StorageFailure, UnusableDestinationsAreRefusedAtCreation) {
    testsupport::TempDir dir;
    auto create = [](const std::string& path, int32_t flags) {
        Handle dataRef = nullptr;
        OSType type = 0;
        OSErr err =
            QTNewDataReferenceFromFullPathCFString(path, kQTNativeDefaultPathStyle, 0, &dataRef, &type);
        if (err != noErr)
            return err;
        DataHandler dh = nullptr;
        Movie movie = nullptr;
        err = CreateMovieStorage(dataRef, type, FourCC("TVOD"), smCurrentScript, flags, &dh, &movie);
        DisposeHandle(dataRef);
        if (err == noErr) {
            AbortMovieStorage(dh);
            DisposeMovie(movie);
        }
        return err;
    };
    EXPECT_EQ(create(dir.file("missing/movie.mov"), createMovieFileDeleteCurFile), dirNFErr);
    testsupport::writeFile(dir.file("taken.mov"), {'x'});
    EXPECT_EQ(create(dir.file("taken.mov"), 0), dupFNErr); // without the delete flag
    fs::create_directory(dir.file("folder.mov"));
    EXPECT_EQ(create(dir.file("folder.mov"), createMovieFileDeleteCurFile), dupFNErr);
    EXPECT_EQ(create(dir.file("new.mov"), 0x1234), paramErr);
    if (geteuid() != 0) { // permissions do not bind the superuser
        fs::create_directory(dir.file("locked"));
        fs::permissions(dir.file("locked"), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(create(dir.file("locked/movie.mov"), createMovieFileDeleteCurFile), wrPermErr);
    }
    EXPECT_EQ(listing(dir.path()), (std::vector<std::string>{"folder.mov", "taken.mov"}));
    EXPECT_EQ(testsupport::readFile(dir.file("taken.mov")), std::vector<uint8_t>{'x'});
}

TEST(StorageFailure, FailedRenameAndAbortLeaveNothing) {
    for (StorageFile::TempKind kind : {StorageFile::TempKind::Automatic, StorageFile::TempKind::Named}) {
        testsupport::TempDir dir;
        std::string destination = dir.file("movie.mov");
        std::unique_ptr<MovieStorage> storage;
        ASSERT_EQ(MovieStorage::create(destination, true, storage, kind), noErr);
        uint64_t offset = 0;
        ASSERT_EQ(storage->appendData("data", 4, offset), noErr);
        ASSERT_EQ(storage->writeMovieAtom({0, 0, 0, 8, 'm', 'o', 'o', 'v'}), noErr);
        // Something that cannot be replaced by a file takes the name meanwhile.
        fs::create_directory(destination);
        EXPECT_NE(storage->finish(false), noErr);
        EXPECT_EQ(listing(dir.path()), std::vector<std::string>{"movie.mov"});
        EXPECT_TRUE(fs::is_directory(destination));
        fs::remove(destination);

        ASSERT_EQ(MovieStorage::create(destination, true, storage, kind), noErr);
        ASSERT_EQ(storage->appendData("data", 4, offset), noErr);
        storage->abort();
        EXPECT_EQ(storage->status(), dataAlreadyClosed);
        EXPECT_TRUE(listing(dir.path()).empty());
    }
}

TEST(StorageFailure, AFileAppearingMeanwhileIsNotReplacedWithoutTheDeleteFlag) {
    testsupport::TempDir dir;
    std::string destination = dir.file("movie.mov");
    std::unique_ptr<MovieStorage> storage;
    ASSERT_EQ(MovieStorage::create(destination, false, storage), noErr);
    ASSERT_EQ(storage->writeMovieAtom({0, 0, 0, 8, 'm', 'o', 'o', 'v'}), noErr);
    testsupport::writeFile(destination, {'n', 'e', 'w'});
    EXPECT_EQ(storage->finish(false), dupFNErr);
    EXPECT_EQ(testsupport::readFile(destination), (std::vector<uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(listing(dir.path()), std::vector<std::string>{"movie.mov"});
}

TEST(StorageFailure, NothingIsVisibleUnderTheDestinationUntilClosed) {
    testsupport::TempDir dir;
    MoviePlan plan;
    plan.path = dir.file("late.mov");
    Handle dataRef = nullptr;
    OSType type = 0;
    ASSERT_EQ(
        QTNewDataReferenceFromFullPathCFString(plan.path, kQTNativeDefaultPathStyle, 0, &dataRef, &type),
        noErr);
    HandleOwner owner(dataRef);
    DataHandler dh = nullptr;
    Movie movie = nullptr;
    ASSERT_EQ(CreateMovieStorage(dataRef, type, FourCC("TVOD"), smCurrentScript, 0, &dh, &movie), noErr);
    EXPECT_FALSE(fs::exists(plan.path));
    ASSERT_EQ(AddMovieToStorage(movie, dh), noErr);
    EXPECT_FALSE(fs::exists(plan.path));
    EXPECT_EQ(CloseMovieStorage(dh), noErr);
    EXPECT_TRUE(fs::exists(plan.path));
    // The movie outlives its storage; its samples have nowhere to go now.
    Track track = NewMovieTrack(movie, FixRatio(2, 1), FixRatio(2, 1), 0);
    Media media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
    HandleOwner data(NewHandleClear(16));
    HandleOwner desc = makeImageDescription(FourCC("R10k"), 2, 2, 1);
    EXPECT_EQ(AddMediaSample(media, data.get(), 0, 16, 20, desc.get(), 1, 0, nullptr), dataAlreadyClosed);
    DisposeMovie(movie);
}

} // namespace

namespace {

TEST(StorageHeader, FollowsChangesAfterAddMovieToStorage) {
    testsupport::TempDir dir;
    auto start = [&](const std::string& name, DataHandler& dh, Movie& movie, Media& media) {
        Handle dataRef = nullptr;
        OSType type = 0;
        ASSERT_EQ(QTNewDataReferenceFromFullPathCFString(dir.file(name), kQTNativeDefaultPathStyle, 0,
                                                         &dataRef, &type),
                  noErr);
        ASSERT_EQ(CreateMovieStorage(dataRef, type, FourCC("TVOD"), smCurrentScript, 0, &dh, &movie), noErr);
        DisposeHandle(dataRef);
        Track track = NewMovieTrack(movie, FixRatio(2, 1), FixRatio(2, 1), 0);
        media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
    };
    HandleOwner desc = makeImageDescription(FourCC("R10k"), 2, 2, 1);
    HandleOwner data(NewHandleClear(16));

    // A sample added after the header was written: the header is written again at the close.
    DataHandler dh = nullptr;
    Movie movie = nullptr;
    Media media = nullptr;
    start("later.mov", dh, movie, media);
    ASSERT_EQ(AddMediaSample(media, data.get(), 0, 16, 20, desc.get(), 1, 0, nullptr), noErr);
    ASSERT_EQ(AddMovieToStorage(movie, dh), noErr);
    ASSERT_EQ(AddMediaSample(media, data.get(), 0, 16, 20, desc.get(), 1, 0, nullptr), noErr);
    ASSERT_EQ(CloseMovieStorage(dh), noErr);
    DisposeMovie(movie);
    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(dir.file("later.mov"), info), noErr);
    EXPECT_TRUE(info.problems.empty());
    EXPECT_EQ(info.tracks.at(0).sampleCount, 2u);
    EXPECT_EQ(info.tree.topLevel(FourCC("mdat"))->size, 8u + 32);

    // A movie disposed after its header was written can still be closed ...
    start("kept.mov", dh, movie, media);
    ASSERT_EQ(AddMovieToStorage(movie, dh), noErr);
    DisposeMovie(movie);
    EXPECT_EQ(CloseMovieStorage(dh), noErr);
    EXPECT_TRUE(fs::exists(dir.file("kept.mov")));
    // ... but not one disposed before: there is no header to write.
    start("lost.mov", dh, movie, media);
    ASSERT_EQ(AddMediaSample(media, data.get(), 0, 16, 20, desc.get(), 1, 0, nullptr), noErr);
    DisposeMovie(movie);
    EXPECT_EQ(CloseMovieStorage(dh), invalidMovie);
    EXPECT_EQ(listing(dir.path()), (std::vector<std::string>{"kept.mov", "later.mov"}));
}

} // namespace
