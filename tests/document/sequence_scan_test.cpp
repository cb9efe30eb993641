// Finding a sequence from one opened frame: base names, prefix matching, order, what is left out,
// and the state an opening leaves in the document.
#include "document/dpx_movie_file.h"

#include "support/frame_writer.h"
#include "support/test_support.h"

#include "platform/framework/headless/headless_framework.h"
#include "platform/log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testsupport;
using Names = std::vector<std::string>;

namespace {

// The documents here run without a window or an application controller.
fw::Framework& testFramework() {
    static fw::HeadlessFramework framework("");
    return framework;
}

std::shared_ptr<DPXMovieFile> openDocument(const std::string& path) {
    std::shared_ptr<DPXMovieFile> document = DPXMovieFile::create(testFramework());
    EXPECT_TRUE(document->readFromFile(path, "DPX"));
    document->openSequence();
    return document;
}

void writeFrames(const TempDir& dir, const Names& names, const FrameSpec& fileSpec = FrameSpec{}) {
    for (const std::string& name : names)
        writeFrameFile(dir.file(name), fileSpec);
}

void writeText(const TempDir& dir, const std::string& name) {
    writeFile(dir.file(name), {'n', 'o', 't', 'e', 's', '\n'});
}

std::string unknownIDLine(const std::string& path, const std::string& shown) {
    return "Can't identify file " + path + " - contains unknown ID: " + shown + "\n";
}

// What the scan logged: without an output device each frame shown also logs the missing device.
Names scanMessages(const LogCapture& log) {
    Names lines = log.messages();
    std::erase(lines, std::string("Couldn't open VideoOut!\n"));
    return lines;
}

size_t openDescriptors() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

} // namespace

TEST(SequenceScan, BaseNameIsTheNameLessExtensionAndTrailingDigits) {
    struct Case {
        std::string opened;
        std::string base;
    } cases[] = {
        {"shot_0001.dpx", "shot_"},
        {"shot.0001.dpx", "shot."},
        {"shot.0001", "shot"}, // 0001 is the extension
        {"0001.dpx", ""},
        {"frame.dpx", "frame"},
        {"A001C003_0001.dpx", "A001C003_"},
        {"take\xD9\xA3.dpx", "take"}, // Arabic-Indic three is a decimal digit
        {".0001", "."},               // a leading dot begins no extension
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeFrames(dir, {c.opened});
        std::shared_ptr<DPXMovieFile> document = openDocument(dir.file(c.opened));
        EXPECT_EQ(document->fileBaseName(), c.base) << c.opened;
        EXPECT_EQ(document->directoryPath(), dir.path().string());
        EXPECT_EQ(document->fileList(), Names{c.opened});
    }
}

TEST(SequenceScan, FindsTheNumberedFramesAndLeavesOutOtherFilesWithOneLineEach) {
    TempDir dir;
    Names frames;
    for (int i = 1; i <= 10; ++i)
        frames.push_back("shot_" + std::string(i < 10 ? "000" : "00") + std::to_string(i) + ".dpx");
    // Written in shuffled order, so the list can't owe its order to the directory's.
    Names shuffled = frames;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    FrameSpec fileSpec;
    fileSpec.width = 8;
    fileSpec.height = 6;
    fileSpec.timecode = timecodeWord(1, 0, 0, 0);
    writeFrames(dir, shuffled, fileSpec);
    writeFile(dir.file("shot_0003.tif"), {'I', 'I', '*', 0, 8, 0, 0, 0});
    writeText(dir, "shot_notes.txt");
    writeText(dir, "other.txt"); // no prefix: never opened, so never logged

    LogCapture log;
    std::shared_ptr<DPXMovieFile> document = openDocument(dir.file("shot_0001.dpx"));
    EXPECT_EQ(document->fileBaseName(), "shot_");
    EXPECT_EQ(document->fileList(), frames);
    EXPECT_EQ(document->frameCount(), 10);
    EXPECT_EQ(document->lastSlider(), 0);
    EXPECT_EQ(document->inFrame(), 0);
    EXPECT_EQ(document->outFrame(), 10);
    EXPECT_EQ(document->currentFileCode(), 1);
    EXPECT_EQ(document->frameWidth(), 8);
    EXPECT_EQ(document->frameHeight(), 6);
    EXPECT_EQ(document->startTimecode(), 0x01000000u);
    EXPECT_EQ(document->pathOfFrame(9), dir.file("shot_0010.dpx"));
    Names logged = scanMessages(log);
    std::sort(logged.begin(), logged.end());
    EXPECT_EQ(logged,
              (Names{unknownIDLine(dir.file("shot_0003.tif"), std::string("'II*\0' (0x49492a00)", 19)),
                     unknownIDLine(dir.file("shot_notes.txt"), "'note' (0x6e6f7465)")}));

    std::shared_ptr<DPXMovieFile> fifth = openDocument(dir.file("shot_0005.dpx"));
    EXPECT_EQ(fifth->fileList(), frames);
    EXPECT_EQ(fifth->lastSlider(), 4);
    EXPECT_EQ(fifth->inFrame(), 0);
    EXPECT_EQ(fifth->outFrame(), 10);
}

TEST(SequenceScan, PrefixIsLiteralAndCaseSensitiveAndSkipsShorterEntriesAndDirectories) {
    TempDir dir;
    writeFrames(dir, {"frame.dpx", "frame2.dpx", "frames_old.dpx", "Frame3.dpx", "FRAME4.dpx", "other.dpx"});
    writeText(dir, "fram"); // shorter than the base name: not opened
    std::filesystem::create_directory(dir.file("frame_dir"));
    std::filesystem::create_directory(dir.file("frame9.dpx"));

    LogCapture log;
    std::shared_ptr<DPXMovieFile> document = openDocument(dir.file("frame.dpx"));
    EXPECT_EQ(document->fileBaseName(), "frame");
    EXPECT_EQ(document->fileList(), (Names{"frame.dpx", "frame2.dpx", "frames_old.dpx"}));
    // The directories with the prefix are tried and left out; nothing else is logged.
    Names logged = scanMessages(log);
    std::sort(logged.begin(), logged.end());
    EXPECT_EQ(logged, (Names{"Error: couldn't open file " + dir.file("frame9.dpx") + "\n",
                             "Error: couldn't open file " + dir.file("frame_dir") + "\n"}));
}

TEST(SequenceScan, EmptyBaseNameTakesEveryFrameFileOfTheDirectory) {
    TempDir dir;
    writeFrames(dir, {"0001.dpx", "0002.dpx", "zz.dpx"});
    FrameSpec cineon;
    cineon.kind = FrameKind::cineon;
    writeFrameFile(dir.file("a.cin"), cineon);
    writeFile(dir.file("readme"), {'r', 'e', 'a', 'd', '\n'});
    LogCapture log;
    std::shared_ptr<DPXMovieFile> document = openDocument(dir.file("0002.dpx"));
    EXPECT_EQ(document->fileBaseName(), "");
    EXPECT_EQ(document->fileList(), (Names{"0001.dpx", "0002.dpx", "a.cin", "zz.dpx"}));
    EXPECT_EQ(document->lastSlider(), 1);
    EXPECT_EQ(scanMessages(log), Names{unknownIDLine(dir.file("readme"), "'read' (0x72656164)")});
}

TEST(SequenceScan, NumericOrderGapsAndTies) {
    {
        TempDir dir;
        Names names{"f10", "f2", "f9", "f1", "f3", "f4", "f5", "f6", "f7", "f8"};
        writeFrames(dir, names);
        std::shared_ptr<DPXMovieFile> document = openDocument(dir.file("f9"));
        EXPECT_EQ(document->fileList(), (Names{"f1", "f2", "f3", "f4", "f5", "f6", "f7", "f8", "f9", "f10"}));
        EXPECT_EQ(document->lastSlider(), 8);
    }
    {
        TempDir dir; // gaps leave no holes
        writeFrames(dir, {"g_0009.dpx", "g_0002.dpx", "g_0005.dpx", "g_0001.dpx"});
        std::shared_ptr<DPXMovieFile> document = openDocument(dir.file("g_0009.dpx"));
        EXPECT_EQ(document->fileList(), (Names{"g_0001.dpx", "g_0002.dpx", "g_0005.dpx", "g_0009.dpx"}));
        EXPECT_EQ(document->lastSlider(), 3);
        EXPECT_EQ(document->outFrame(), 4);
    }
    {
        TempDir dir; // equal numbers: ordered by their bytes, whatever the directory's order
        writeFrames(dir, {"frame1.dpx", "frame001.dpx", "frame01.dpx", "frame1.cin"});
        std::shared_ptr<DPXMovieFile> document = openDocument(dir.file("frame1.dpx"));
        // After the numbers, ".cin" < ".dpx" decides before any tie does.
        EXPECT_EQ(document->fileList(), (Names{"frame1.cin", "frame001.dpx", "frame01.dpx", "frame1.dpx"}));
        EXPECT_EQ(document->lastSlider(), 3);
    }
}

TEST(SequenceScan, MixedExtensionsAndACineonFrameAmongDPXFrames) {
    TempDir dir;
    FrameSpec dpx;
    dpx.timecode = timecodeWord(10, 0, 0, 0);
    writeFrames(dir, {"shot_0001.dpx", "shot_0003", "shot_0004.DPX"}, dpx);
    FrameSpec cineon;
    cineon.kind = FrameKind::cineon;
    cineon.width = 6;
    cineon.height = 3;
    writeFrameFile(dir.file("shot_0002.cin"), cineon);
    Names all{"shot_0001.dpx", "shot_0002.cin", "shot_0003", "shot_0004.DPX"};

    // A name without a dot has no extension to lose: shot_0003 gives shot_ as well.
    std::shared_ptr<DPXMovieFile> fromBare = openDocument(dir.file("shot_0003"));
    EXPECT_EQ(fromBare->fileBaseName(), "shot_");
    EXPECT_EQ(fromBare->fileList(), all);
    std::shared_ptr<DPXMovieFile> first = openDocument(dir.file("shot_0001.dpx"));
    EXPECT_EQ(first->fileList(), all);
    EXPECT_EQ(first->startTimecode(), 0x10000000u);

    // Opened from the Cineon frame: its size, code 2, and no start time code.
    std::shared_ptr<DPXMovieFile> fromCineon = openDocument(dir.file("shot_0002.cin"));
    EXPECT_EQ(fromCineon->fileList(), all);
    EXPECT_EQ(fromCineon->lastSlider(), 1);
    EXPECT_EQ(fromCineon->currentFileCode(), 2);
    EXPECT_EQ(fromCineon->frameWidth(), 6);
    EXPECT_EQ(fromCineon->frameHeight(), 3);
    EXPECT_EQ(fromCineon->startTimecode(), DPXMovieFile::kNoStartTimecode);
}

TEST(SequenceScan, UnusableFramesAreLeftOutWithTheirOneLine) {
    TempDir dir;
    writeFrames(dir, {"s_1.dpx", "s_2.dpx"});
    FrameSpec swapped;
    swapped.littleEndian = true;
    writeFrameFile(dir.file("s_3.dpx"), swapped);
    FrameSpec headerOnly;
    headerOnly.fileSize = 2048;
    writeFrameFile(dir.file("s_4.dpx"), headerOnly);
    writeFile(dir.file("s_5.dpx"), {'S', 'D'});
    FrameSpec wide;
    wide.width = 2049;
    wide.pixels = std::vector<uint32_t>{};
    wide.fileSize = 4096;
    writeFrameFile(dir.file("s_6.dpx"), wide);

    LogCapture log;
    std::shared_ptr<DPXMovieFile> document = openDocument(dir.file("s_2.dpx"));
    EXPECT_EQ(document->fileList(), (Names{"s_1.dpx", "s_2.dpx"}));
    EXPECT_EQ(document->lastSlider(), 1);
    Names logged = scanMessages(log);
    std::sort(logged.begin(), logged.end());
    EXPECT_EQ(logged, (Names{unknownIDLine(dir.file("s_3.dpx"), "'XPDS' (0x58504453)"),
                             unknownIDLine(dir.file("s_5.dpx"), "'  00' (0x00000000)"),
                             "Error: couldn't open dpx file " + dir.file("s_4.dpx") + "\n",
                             "WARNING: excessive frame size! 2049x2\n"}));
}

TEST(SequenceScan, FailedOpeningLeavesTheInitialStateAndScansNothing) {
    TempDir dir;
    FrameSpec swapped;
    swapped.littleEndian = true;
    writeFrameFile(dir.file("le_0001.dpx"), swapped);
    writeFrameFile(dir.file("le_0002.dpx"), swapped);
    LogCapture log;
    std::shared_ptr<DPXMovieFile> document = openDocument(dir.file("le_0001.dpx"));
    EXPECT_FALSE(document->openSequence());
    EXPECT_EQ(document->currentFileCode(), 0);
    EXPECT_EQ(document->frameCount(), 0);
    EXPECT_TRUE(document->fileList().empty());
    EXPECT_EQ(document->frameBuffer(), nullptr);
    EXPECT_EQ(document->currentFile(), nullptr);
    EXPECT_EQ(document->previewImage(), nullptr);
    EXPECT_EQ(document->outFrame(), 0);
    EXPECT_EQ(document->startTimecode(), DPXMovieFile::kNoStartTimecode);
    // Only the opened file was looked at (twice: once per openSequence).
    EXPECT_EQ(log.messages(), (Names(2, unknownIDLine(dir.file("le_0001.dpx"), "'XPDS' (0x58504453)"))));

    log.clear();
    std::shared_ptr<DPXMovieFile> missing = openDocument(dir.file("gone.dpx"));
    EXPECT_EQ(missing->currentFileCode(), 0);
    EXPECT_EQ(log.messages(), Names{"Can't find file at path: " + dir.file("gone.dpx") + "\n"});

    log.clear();
    std::shared_ptr<DPXMovieFile> untitled = DPXMovieFile::create(testFramework());
    EXPECT_FALSE(untitled->openSequence()); // no path: nothing to open
    EXPECT_TRUE(log.messages().empty());
}

TEST(SequenceScan, AnUnlistableDirectoryFailsTheOpeningInsteadOfPointingNowhere) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root lists every directory";
    TempDir dir;
    std::filesystem::create_directory(dir.file("hidden"));
    writeFrameFile(dir.file("hidden/h_0001.dpx"), FrameSpec{});
    ::chmod(dir.file("hidden").c_str(), 0311); // files reachable by name, the listing refused
    LogCapture log;
    std::shared_ptr<DPXMovieFile> document = openDocument(dir.file("hidden/h_0001.dpx"));
    EXPECT_EQ(document->currentFileCode(), 0);
    EXPECT_EQ(document->frameCount(), 0);
    EXPECT_EQ(document->frameBuffer(), nullptr);
    EXPECT_EQ(log.messages(),
              Names{"Error: couldn't read directory " + dir.file("hidden") + " (Permission denied)\n"});
}

TEST(SequenceScan, ADirectoryThatCantBeListedIsLoggedAndGivesNoFrames) {
    LogCapture log;
    std::shared_ptr<DPXMovieFile> document = DPXMovieFile::create(testFramework());
    EXPECT_EQ(document->countFramesInPath("/nonexistent-reelmaker/x_0001.dpx"), 0);
    EXPECT_EQ(document->fileBaseName(), "x_");
    EXPECT_EQ(log.messages(),
              Names{"Error: couldn't read directory /nonexistent-reelmaker (No such file or directory)\n"});
}

TEST(SequenceScan, OpeningDrawsThePreviewOfTheOpenedFrameIntoTheBuffer) {
    TempDir dir;
    FrameSpec first;
    first.width = 2;
    first.height = 1;
    first.pixels = std::vector<uint32_t>{rgb10Word(1023, 512, 3), rgb10Word(4, 8, 1020)};
    writeFrameFile(dir.file("p_1.dpx"), first);
    FrameSpec second = first;
    second.pixels = std::vector<uint32_t>{rgb10Word(0, 0, 0), rgb10Word(1023, 1023, 1023)};
    writeFrameFile(dir.file("p_2.dpx"), second);
    FrameSpec larger;
    larger.width = 3;
    writeFrameFile(dir.file("p_3.dpx"), larger);

    std::shared_ptr<DPXMovieFile> document = openDocument(dir.file("p_1.dpx"));
    ASSERT_NE(document->frameBuffer(), nullptr);
    EXPECT_EQ(GetPtrSize(document->frameBuffer()), 2 * 1 * 4);
    ASSERT_NE(document->previewImage(), nullptr);
    EXPECT_EQ(document->previewImage()->bitmap()->bitmapData(),
              reinterpret_cast<uint8_t*>(document->frameBuffer()));
    auto bytes = [&] {
        const auto* p = reinterpret_cast<const uint8_t*>(document->frameBuffer());
        return std::vector<uint8_t>(p, p + 8);
    };
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{255, 128, 0, 255, 1, 2, 255, 255}));

    // Another frame is drawn into the same buffer.
    int32_t code;
    document->setFile(DPXMovieFile::openFileAtPath(dir.file("p_2.dpx"), code));
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{0, 0, 0, 255, 255, 255, 255, 255}));
    ASSERT_NE(document->previewImage(), nullptr);

    // A frame larger than the buffer gives no preview and leaves the buffer alone.
    document->setFile(DPXMovieFile::openFileAtPath(dir.file("p_3.dpx"), code));
    EXPECT_NE(document->currentFile(), nullptr);
    EXPECT_EQ(document->previewImage(), nullptr);
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{0, 0, 0, 255, 255, 255, 255, 255}));
}

TEST(SequenceScan, NoFileStaysOpenBeyondTheCurrentFrame) {
    TempDir dir;
    Names names;
    for (int i = 1; i <= 40; ++i)
        names.push_back("fd_" + std::to_string(i) + ".dpx");
    writeFrames(dir, names);
    writeText(dir, "fd_notes");
    std::filesystem::create_directory(dir.file("fd_dir"));
    LogCapture log;

    size_t before = openDescriptors();
    {
        std::shared_ptr<DPXMovieFile> scanner = DPXMovieFile::create(testFramework());
        EXPECT_EQ(scanner->countFramesInPath(dir.file("fd_1.dpx")), 40);
        EXPECT_EQ(openDescriptors(), before);

        std::shared_ptr<DPXMovieFile> document = openDocument(dir.file("fd_7.dpx"));
        EXPECT_EQ(document->frameCount(), 40);
        // Only the reader of the frame on show keeps its file open.
        EXPECT_EQ(openDescriptors(), before + 1);
    }
    EXPECT_EQ(openDescriptors(), before);
}

namespace {

// Everything a scan leaves in the document and logs, one line each, for comparing two scans.
Names scanOutcome(const std::string& opened, int readThreads) {
    std::shared_ptr<DPXMovieFile> document = DPXMovieFile::create(testFramework());
    document->setReadThreads(readThreads);
    LogCapture log;
    Names lines{std::to_string(document->countFramesInPath(opened)) + " frames, opened at " +
                std::to_string(document->lastSlider())};
    for (size_t i = 0; i < document->fileList().size(); ++i) {
        const ScannedFrame& frame = document->scannedFrames()[i];
        lines.push_back(document->fileList()[i] + " " + std::to_string(frame.width) + "x" +
                        std::to_string(frame.height) + " @" + std::to_string(frame.dataOffset) + " tc " +
                        std::to_string(frame.timecode));
    }
    for (const LeftOutEntry& entry : document->leftOutEntries())
        lines.push_back("left out " + entry.name + ": " + entry.reason);
    for (const std::string& message : log.messages())
        lines.push_back("log " + message);
    return lines;
}

} // namespace

TEST(SequenceScan, ReadingAheadOnManyThreadsFindsWhatOneReaderFinds) {
    // A folder of frames among refused, unreadable and foreign entries of the same prefix.
    TempDir dir;
    FrameSpec fileSpec;
    for (int i = 1; i <= 300; ++i) {
        fileSpec.timecode = timecodeWord(1, 0, i / 24 % 60, i % 24);
        fileSpec.dataOffset = i % 50 == 0 ? 4096 : 2048;
        writeFrameFile(dir.file("shot_" + std::to_string(1000 + i) + ".dpx"), fileSpec);
    }
    FrameSpec refused;
    refused.littleEndian = true;
    writeFrameFile(dir.file("shot_1301.dpx"), refused);
    refused = FrameSpec{};
    refused.bitDepth = 16;
    writeFrameFile(dir.file("shot_1302.dpx"), refused);
    refused = FrameSpec{};
    refused.kind = FrameKind::cineon;
    writeFrameFile(dir.file("shot_1303.cin"), refused);
    writeFile(dir.file("shot_1304.dpx"), {'S', 'D'});
    std::filesystem::create_directory(dir.file("shot_1305.dpx"));
    ASSERT_EQ(mkfifo(dir.file("shot_1306.dpx").c_str(), 0600), 0);
    std::filesystem::create_symlink("shot_1308.dpx", dir.file("shot_1307.dpx"));
    std::filesystem::create_symlink("shot_1307.dpx", dir.file("shot_1308.dpx"));
    std::filesystem::create_symlink("gone.dpx", dir.file("shot_1309.dpx"));
    writeFile(dir.file("shot_1310.tif"), {'I', 'I', '*', 0, 8, 0, 0, 0});
    writeText(dir, "shot_notes.txt");

    Names opened{dir.file("shot_1150.dpx")};
    // And every file of the shared corpus, each opened as the user would open it.
    if (!sharedDir().empty()) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(sharedDir() / "samples"))
            if (entry.is_regular_file())
                opened.push_back(entry.path().string());
    } else {
        std::printf("shared sample corpus not found: only the generated folder is compared\n");
    }
    for (const std::string& path : opened) {
        const Names one = scanOutcome(path, 1);
        EXPECT_EQ(scanOutcome(path, 16), one) << path;
        EXPECT_EQ(scanOutcome(path, 3), one) << path;
    }
}

TEST(SequenceScan, AFolderListingGivenBeforehandIsTakenInsteadOfReadingTheFolderAgain) {
    TempDir dir;
    writeFrames(dir, {"s1_0001.dpx", "s1_0002.dpx", "s1_v2_0001.dpx", "s10_0001.dpx", "s2_0001.dpx", "s0_0001.dpx"});
    // The listing as read before s1_0002.dpx was written: the scan goes by it, not by the folder.
    Names listing{"s0_0001.dpx", "s10_0001.dpx", "s1_0001.dpx", "s1_v2_0001.dpx", "s2_0001.dpx"};
    std::sort(listing.begin(), listing.end());
    std::shared_ptr<DPXMovieFile> document = DPXMovieFile::create(testFramework());
    document->setFolderEntries(std::make_shared<const Names>(listing));
    ASSERT_TRUE(document->readFromFile(dir.file("s1_0001.dpx"), "DPX"));
    ASSERT_TRUE(document->openSequence()) << document->openProblem();
    EXPECT_EQ(document->fileList(), (Names{"s1_0001.dpx", "s1_v2_0001.dpx"}));
}

namespace {

// Takes every descriptor but `spare` under a lowered limit, and gives them all back.
class DescriptorHog {
public:
    explicit DescriptorHog(int spare) {
        getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = std::min<rlim_t>(m_saved.rlim_cur, 256);
        setrlimit(RLIMIT_NOFILE, &lowered);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            m_held.push_back(fd);
        for (int i = 0; i < spare && !m_held.empty(); ++i) {
            ::close(m_held.back());
            m_held.pop_back();
        }
    }
    ~DescriptorHog() {
        for (int fd : m_held)
            ::close(fd);
        setrlimit(RLIMIT_NOFILE, &m_saved);
    }

private:
    rlimit m_saved{};
    std::vector<int> m_held;
};

} // namespace

TEST(SequenceScan, RunningOutOfDescriptorsFailsTheOpeningInsteadOfLeavingFramesOut) {
    if (kSanitizedBuild)
        GTEST_SKIP() << "the sanitizers' checks open descriptors of their own (a pipe per memory probe)";
    TempDir dir;
    writeFrames(dir, {"fd_0001.dpx", "fd_0002.dpx", "fd_0003.dpx"});
    struct Case {
        bool listedBeforehand;
        std::string problem;
    };
    for (const Case& c : {Case{false, "its folder can't be read (Too many open files)"},
                          Case{true, "fd_0001.dpx: the file can't be opened (Too many open files)"}}) {
        std::shared_ptr<DPXMovieFile> document = DPXMovieFile::create(testFramework());
        document->setReadThreads(1);
        document->setShowsFrames(false);
        if (c.listedBeforehand)
            document->setFolderEntries(
                std::make_shared<const Names>(Names{"fd_0001.dpx", "fd_0002.dpx", "fd_0003.dpx"}));
        ASSERT_TRUE(document->readFromFile(dir.file("fd_0002.dpx"), "DPX"));
        LogCapture log;
        bool opened = false;
        {
            // One descriptor: the opened frame takes it; nothing else can be opened.
            DescriptorHog hog(1);
            opened = document->openSequence();
        }
        EXPECT_FALSE(opened) << "a sequence of " << document->frameCount() << " frames";
        EXPECT_EQ(document->openResourceError(), EMFILE);
        EXPECT_EQ(document->openProblem(), c.problem);
        EXPECT_TRUE(document->leftOutEntries().empty());
    }
}
