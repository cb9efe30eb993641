// What an export leaves when it meets another file of its name, another export, a kill, a signal or
// a full disk: the old file, or a complete movie, and never a temporary file.
#include "export/export_fixtures.h"
#include "export/export_problems.h"
#include "platform/log.h"
#include "platform/movie/storage_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace exportfixtures;
using testsupport::TempDir;
namespace fs = std::filesystem;

constexpr int kTag24 = 1;

testsupport::FrameSpec frameOfSize(uint32_t width, uint32_t height) {
    testsupport::FrameSpec fileSpec;
    fileSpec.width = width;
    fileSpec.height = height;
    return fileSpec;
}

/// The temporary files of exports left in a folder.
std::vector<std::string> partFiles(const fs::path& directory) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(directory))
        if (entry.path().extension() == ".part")
            found.push_back(entry.path().filename().string());
    return found;
}

/// A translate started in the background, its output in files.
class Translation {
public:
    explicit Translation(const std::vector<std::string>& args, const std::string& logPrefix) {
        std::vector<std::string> argv{REELMAKER_CLI_PATH, "translate", "--quiet"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> raw;
        for (std::string& arg : argv)
            raw.push_back(arg.data());
        raw.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (logPrefix + ".out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, (logPrefix + ".err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&m_pid, raw[0], &actions, nullptr, raw.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    pid_t pid() const { return m_pid; }
    /// The exit status, or 128 + the signal that ended it.
    int wait() {
        int status = 0;
        waitpid(m_pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t m_pid = -1;
};

TEST(ExportSafety, AFileOfTheNameIsReplacedOnlyWhenTheUserSaidSo) {
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 3, frameOfSize(4, 2));
    HeadlessSession session;
    auto document = openDocument(session, dir.file("shot_0001.dpx"));
    const std::string movie = dir.file("shot_.mov");
    testsupport::writeFile(movie, {'o', 'l', 'd'});

    ExportSettings s = settingsAtRate(*document, movie, false, kTag24);
    EXPECT_EQ(document->saveMovieWithSettings(s), dupFNErr);
    EXPECT_NE(document->exportOutcome().problem.find("exists"), std::string::npos)
        << document->exportOutcome().problem;
    EXPECT_FALSE(document->exportOutcome().movieWritten);
    EXPECT_EQ(testsupport::readFile(movie), (std::vector<uint8_t>{'o', 'l', 'd'}));

    s.replaceExisting = true; // the save panel's "Replace?" answered yes
    EXPECT_EQ(document->saveMovieWithSettings(s), noErr);
    EXPECT_GT(fs::file_size(movie), 3u);

    // A file that appears while the movie is written, under both kinds of temporary file.
    for (StorageFile::TempKind kind : {StorageFile::TempKind::Unnamed, StorageFile::TempKind::Named}) {
        const std::string late = dir.file("late.mov");
        fs::remove(late);
        std::unique_ptr<StorageFile> file;
        ASSERT_EQ(StorageFile::create(late, false, file, kind), noErr);
        ASSERT_EQ(file->writeAt(0, "movie", 5), noErr);
        testsupport::writeFile(late, {'o', 't', 'h', 'e', 'r'});
        EXPECT_EQ(file->commit(false), dupFNErr);
        EXPECT_EQ(testsupport::readFile(late), (std::vector<uint8_t>{'o', 't', 'h', 'e', 'r'}));
    }
    EXPECT_TRUE(partFiles(dir.path()).empty());
}

TEST(ExportSafety, TwoExportsRacingForOneNameLeaveOneMovie) {
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 12, frameOfSize(64, 32));
    const std::string movie = dir.file("race.mov");
    Translation first({dir.file("shot_0001.dpx"), "-o", movie}, dir.file("first"));
    Translation second({dir.file("shot_0001.dpx"), "-o", movie}, dir.file("second"));
    const int statuses[] = {first.wait(), second.wait()};
    // Whichever ends first wins; the other fails, whether it found the file before it began or at its end.
    EXPECT_EQ(std::min(statuses[0], statuses[1]), 0);
    EXPECT_EQ(std::max(statuses[0], statuses[1]), 1);
    const std::string loser = statuses[0] == 1 ? dir.file("first.err") : dir.file("second.err");
    std::vector<uint8_t> message = testsupport::readFile(loser);
    EXPECT_NE(std::string(message.begin(), message.end()).find("exists"), std::string::npos);
    EXPECT_EQ(testsupport::runCli({"verify", movie}).exitStatus, 0);
    EXPECT_TRUE(partFiles(dir.path()).empty());
}

TEST(ExportSafety, AKilledExportLeavesTheOldFileOrACompleteMovie) {
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 40, frameOfSize(256, 128));
    const std::string movie = dir.file("kill.mov");
    std::mt19937 random(12);
    const int signals[] = {SIGKILL, SIGTERM, SIGHUP};
    for (int run = 0; run < 6; ++run) {
        testsupport::writeFile(movie, {'o', 'l', 'd'});
        const int signal = signals[run % 3];
        Translation translation({dir.file("shot_0001.dpx"), "-o", movie, "--force"}, dir.file("kill"));
        // The moment varies from run to run; every outcome below is correct at any moment.
        usleep(useconds_t(std::uniform_int_distribution<int>(0, 60'000)(random)));
        kill(translation.pid(), signal);
        const int status = translation.wait();
        const std::vector<uint8_t> left = testsupport::readFile(movie);
        if (left == std::vector<uint8_t>{'o', 'l', 'd'}) {
            if (signal != SIGKILL)
                EXPECT_TRUE(status == 128 + signal || status == 1) << "run " << run << " status " << status;
        } else {
            testsupport::CommandResult verify = testsupport::runCli({"verify", movie});
            EXPECT_EQ(verify.exitStatus, 0) << "run " << run << ": " << verify.out;
            EXPECT_NE(verify.out.find("40 frames"), std::string::npos) << verify.out;
        }
        EXPECT_TRUE(partFiles(dir.path()).empty()) << "run " << run;
    }
}

TEST(ExportSafety, TemporaryFilesOfKilledWritersAreRemovedByTheNextExport) {
    TempDir dir;
    const std::string movie = dir.file("named.mov");
    // A writer without unnamed temporary files (a FUSE mount), killed while it writes.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::unique_ptr<StorageFile> file;
        if (StorageFile::create(movie, false, file, StorageFile::TempKind::Named) == noErr)
            file->writeAt(0, "partial", 7);
        raise(SIGKILL);
        _exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(partFiles(dir.path()).size(), 1u);

    // One being written by a live process (this one) stays.
    std::unique_ptr<StorageFile> live;
    ASSERT_EQ(StorageFile::create(dir.file("live.mov"), false, live, StorageFile::TempKind::Named), noErr);
    std::unique_ptr<StorageFile> next;
    ASSERT_EQ(StorageFile::create(movie, false, next, StorageFile::TempKind::Named), noErr);
    std::vector<std::string> left = partFiles(dir.path());
    EXPECT_EQ(left.size(), 2u); // the live one and the new one
    for (const std::string& name : left)
        EXPECT_NE(name.find("." + std::to_string(getpid()) + "."), std::string::npos) << name;
}

TEST(ExportSafety, AnExportThatFailsPartWayNeverTakesTheNameOfAFileThere) {
    const struct {
        const char* name;
        bool reference;
        bool vanished; // else cut short before its pixel data ends
    } cases[] = {
        {"self-contained, truncated frame", false, false},
        {"self-contained, vanished frame", false, true},
        {"reference, truncated frame", true, false},
        {"reference, vanished frame", true, true},
    };
    for (const auto& c : cases) {
        for (const bool fileThere : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (fileThere ? ", a movie under the name" : ", the name free"));
            TempDir dir;
            const auto frames = writeSequence(dir.file(""), "shot_", 6, frameOfSize(64, 32));
            HeadlessSession session;
            auto document = openDocument(session, frames[0]);
            // The sequence was found whole; frame 4 changes before the export reaches it.
            if (c.vanished)
                fs::remove(frames[3]);
            else
                fs::resize_file(frames[3], 2048 + 64 * 32 * 4 - 8);
            const std::string movie = dir.file("good.mov");
            if (fileThere)
                testsupport::writeFile(movie, {'g', 'o', 'o', 'd'});
            ExportSettings s = settingsAtRate(*document, movie, c.reference, kTag24);
            s.replaceExisting = true; // --force
            LogCapture log;
            EXPECT_NE(document->saveMovieWithSettings(s), noErr);
            const ExportOutcome& outcome = document->exportOutcome();
            EXPECT_FALSE(outcome.complete());
            EXPECT_NE(outcome.problem.find("shot_0004.dpx"), std::string::npos) << outcome.problem;
            if (fileThere) {
                EXPECT_EQ(testsupport::readFile(movie), (std::vector<uint8_t>{'g', 'o', 'o', 'd'}));
                EXPECT_FALSE(outcome.movieWritten);
                EXPECT_EQ(outcome.framesWritten, 0);
                EXPECT_NE(outcome.problem.find(movie + " was left as it was"), std::string::npos)
                    << outcome.problem;
            } else {
                // Where nothing stood, the frames before the failure are kept.
                EXPECT_TRUE(outcome.movieWritten);
                EXPECT_EQ(outcome.framesWritten, 3);
                EXPECT_EQ(testsupport::runCli({"verify", movie}).exitStatus, 0);
            }
            EXPECT_TRUE(partFiles(dir.path()).empty());
        }
    }
}

TEST(ExportSafety, AMovieIsNeverWrittenOverOneOfItsOwnFrames) {
    const struct {
        const char* name;
        const char* destination; // relative to the folder of the frames
        bool vanished;           // the frame is gone since the scan
    } cases[] = {
        {"the frame's own path", "shot_0003.dpx", false},
        {"the frame reached through a linked folder", "link/shot_0003.dpx", false},
        {"the frame reached through a link", "alias.mov", false},
        {"the name of a frame gone since the scan", "shot_0003.dpx", true},
    };
    for (const auto& c : cases) {
        for (const bool reference : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (reference ? ", reference" : ", self-contained"));
            TempDir dir;
            const auto frames = writeSequence(dir.file(""), "shot_", 5, frameOfSize(16, 8));
            fs::create_directory_symlink(dir.path(), dir.path() / "link");
            fs::create_symlink(frames[2], dir.path() / "alias.mov");
            const std::vector<uint8_t> before = testsupport::readFile(frames[2]);
            HeadlessSession session;
            auto document = openDocument(session, frames[0]);
            if (c.vanished)
                fs::remove(frames[2]);
            ExportSettings s = settingsAtRate(*document, dir.file(c.destination), reference, kTag24);
            s.replaceExisting = true; // --force
            LogCapture log;
            EXPECT_EQ(document->saveMovieWithSettings(s), paramErr);
            const ExportOutcome& outcome = document->exportOutcome();
            EXPECT_FALSE(outcome.movieWritten);
            EXPECT_EQ(outcome.problem, dir.file(c.destination) +
                                           " is shot_0003.dpx, one of the frames the movie is made from; "
                                           "nothing was written");
            if (c.vanished)
                EXPECT_FALSE(fs::exists(frames[2]));
            else
                EXPECT_EQ(testsupport::readFile(frames[2]), before);
            EXPECT_TRUE(partFiles(dir.path()).empty());
        }
    }
}

TEST(ExportSafety, AFullDiskFailsTheExportAndLeavesNothing) {
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 8, frameOfSize(128, 64));
    const std::string movie = dir.file("full.mov");
    testsupport::writeFile(movie, {'o', 'l', 'd'});
    // A child whose files may not grow beyond 100 KB: the fourth frame of 32 KB does not fit.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            100 * 1024, 100 * 1024
        };
        setrlimit(RLIMIT_FSIZE, &limit);
        HeadlessSession session;
        auto document = openDocument(session, dir.file("shot_0001.dpx"));
        ExportSettings s = settingsAtRate(*document, movie, false, kTag24);
        s.replaceExisting = true;
        OSErr err = document->saveMovieWithSettings(s);
        _exit(err == dskFulErr ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // The frames that fit may make a shorter movie; else the old file stays.
    if (testsupport::readFile(movie) != std::vector<uint8_t>{'o', 'l', 'd'})
        EXPECT_EQ(testsupport::runCli({"verify", movie}).exitStatus, 0);
    EXPECT_TRUE(partFiles(dir.path()).empty());
}

} // namespace

TEST(ExportSafety, EveryNameThatFitsItsFolderGetsANamedTemporaryFileToo) {
    // Where the file system has no unnamed temporary files (NFS, many FUSE file systems) the
    // temporary file is named after the movie: a long movie name must not make it too long.
    TempDir dir;
    for (const std::string& name : {std::string(247, 'a') + ".mov", std::string(20, 'b') + [] {
             std::string accents;
             for (int i = 0; i < 113; ++i)
                 accents += "\xC3\xA9"; // é: two bytes each, 246 bytes in all with the rest
             return accents;
         }() + ".mov"}) {
        ASSERT_LE(name.size(), 255u);
        const std::string movie = dir.file(name);
        std::unique_ptr<StorageFile> file;
        ASSERT_EQ(StorageFile::create(movie, false, file, StorageFile::TempKind::Named), noErr) << name.size();
        ASSERT_EQ(file->writeAt(0, "movie", 5), noErr);
        EXPECT_EQ(file->commit(false), noErr) << name.size();
        EXPECT_EQ(testsupport::readFile(movie), (std::vector<uint8_t>{'m', 'o', 'v', 'i', 'e'}));
    }
    // A name that doesn't fit says so, with either kind of temporary file, and leaves nothing.
    for (StorageFile::TempKind kind : {StorageFile::TempKind::Named, StorageFile::TempKind::Unnamed}) {
        std::unique_ptr<StorageFile> file;
        OSErr status = StorageFile::create(dir.file(std::string(252, 'c') + ".mov"), false, file, kind);
        if (status == noErr && file->writeAt(0, "movie", 5) == noErr)
            status = file->commit(false);
        EXPECT_EQ(status, bdNamErr);
        EXPECT_EQ(exportStatusText(status), "the name is too long for its folder");
    }
    EXPECT_TRUE(partFiles(dir.path()).empty());
}
