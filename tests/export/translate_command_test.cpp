// reelmaker translate: names, refusal to replace, the options, JSON, failures and their exit
// statuses, progress, Ctrl-C, and memory that does not grow with the sequence.
#include "export/export_fixtures.h"
#include "support/json_reader.h"
#include "support/open_gate.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace exportfixtures;
using testsupport::FrameSpec;
using testsupport::runCli;
using testsupport::TempDir;

FrameSpec smallFrame() {
    FrameSpec fileSpec;
    fileSpec.width = 16;
    fileSpec.height = 8;
    fileSpec.timecode = testsupport::timecodeWord(1, 0, 0, 0);
    return fileSpec;
}

testsupport::JsonValue parsed(const std::string& text) {
    std::optional<testsupport::JsonValue> json = testsupport::parseJson(text);
    EXPECT_TRUE(json) << text;
    return json.value_or(testsupport::JsonValue{});
}

/// `count` names of one small frame, f_00001.dpx on (hard links: cheap, and as slow to export).
void linkFrames(const TempDir& dir, int count) {
    writeSequence(dir.file(""), "f_", 1, smallFrame());
    std::filesystem::rename(dir.path() / "f_0001.dpx", dir.path() / "f_00001.dpx");
    for (int i = 2; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f_%05d.dpx", i);
        std::filesystem::create_hard_link(dir.path() / "f_00001.dpx", dir.path() / name);
    }
}

TEST(TranslateCommand, WritesTheProposedNameAndReplacesOnlyWhenForced) {
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 4, smallFrame());
    const std::string movie = dir.file("shot_.mov");
    auto first = runCli({"translate", dir.file("shot_0002.dpx")});
    EXPECT_EQ(first.exitStatus, 0) << first.err;
    EXPECT_EQ(first.out, movie + ": self-contained movie, 4 of 4 frames written\n");

    std::filesystem::resize_file(movie, 10);
    auto again = runCli({"translate", dir.file("shot_0002.dpx")});
    EXPECT_EQ(again.exitStatus, 1);
    EXPECT_NE(again.err.find(movie + " exists (--force replaces it)"), std::string::npos) << again.err;
    EXPECT_EQ(std::filesystem::file_size(movie), 10u);
    auto forced = runCli({"translate", dir.file("shot_0002.dpx"), "--force", "--quiet"});
    EXPECT_EQ(forced.exitStatus, 0) << forced.err;
    EXPECT_GT(std::filesystem::file_size(movie), 10u);
}

TEST(TranslateCommand, JsonReportAndTheChosenPathWithTheMovieExtension) {
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 3, smallFrame());
    auto result =
        runCli({"translate", "--json", dir.file("shot_0001.dpx"), "-o", dir.file("take.mp4"), "--reference"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    testsupport::JsonValue json = parsed(result.out);
    EXPECT_EQ(json.keys, (std::vector<std::string>{"sequence", "movie", "frames_requested", "frames_written", "reference",
                                                   "frames_differ", "complete", "problems", "warnings"}));
    EXPECT_EQ(json["movie"].text, dir.file("take.mov"));
    EXPECT_EQ(json["frames_requested"].number, 3);
    EXPECT_EQ(json["frames_written"].number, 3);
    EXPECT_TRUE(json["reference"].boolean);
    EXPECT_FALSE(json["frames_differ"].boolean);
    EXPECT_TRUE(json["complete"].boolean);
    EXPECT_TRUE(json["problems"].items.empty());
    EXPECT_EQ(runCli({"verify", dir.file("take.mov")}).exitStatus, 0);
}

TEST(TranslateCommand, WarnsWhenReferencedFramesDiffer) {
    TempDir dir;
    FrameSpec fileSpec = smallFrame();
    writeSequence(dir.file(""), "mix_", 2, fileSpec);
    fileSpec.dataOffset = 4096;
    fileSpec.pixels = sequencePixels(fileSpec.width, fileSpec.height, 2);
    testsupport::writeFrameFile(dir.file("mix_0003.dpx"), fileSpec);
    auto text = runCli({"translate", dir.file("mix_0001.dpx"), "--reference", "-o", dir.file("r.mov")});
    EXPECT_EQ(text.exitStatus, 0) << text.err;
    EXPECT_EQ(text.out,
              dir.file("r.mov") +
                  ": reference movie, 3 of 3 frames written\n"
                  "warning: Some source frames in this sequence had different sizes or file offsets. If "
                  "you change or swap source .dpx frames you may have to re-build this reference Movie.\n");
    auto json = runCli(
        {"translate", "--json", dir.file("mix_0001.dpx"), "--reference", "-o", dir.file("r.mov"), "--force"});
    EXPECT_TRUE(parsed(json.out)["frames_differ"].boolean);
    EXPECT_TRUE(parsed(json.out)["complete"].boolean);

    // The frames are compared with the range's first frame, not the sequence's.
    writeSequence(dir.file(""), "odd_", 3, smallFrame());
    testsupport::writeFrameFile(dir.file("odd_0001.dpx"), fileSpec);
    auto later = runCli({"translate", "--json", dir.file("odd_0002.dpx"), "--reference", "--in", "1", "-o",
                         dir.file("odd.mov")});
    EXPECT_EQ(later.exitStatus, 0) << later.err;
    EXPECT_FALSE(parsed(later.out)["frames_differ"].boolean) << later.out;
}

TEST(TranslateCommand, OptionsSetRateCodecRangeAndSourceName) {
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 6, smallFrame());
    auto result =
        runCli({"translate", dir.file("shot_0001.dpx"), "-o", dir.file("m.mov"), "--rate", "29.97df",
                "--codec", "R10g", "--in", "1", "--out", "3", "--source-id", "A001_C002"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, dir.file("m.mov") + ": self-contained movie, 3 of 3 frames written\n");
    testsupport::JsonValue json = parsed(runCli({"verify", "--json", dir.file("m.mov")}).out);
    EXPECT_EQ(json["codec"].text, "R10g");
    EXPECT_EQ(json["timescale"].number, 2997);
    EXPECT_EQ(json["frame_duration"].number, 100);
    EXPECT_EQ(json["frames"].number, 3);
    EXPECT_EQ(json["timecode"].text, "01:00:00;01"); // the in point's, the second frame's own
    EXPECT_TRUE(json["drop_frame"].boolean);
    EXPECT_EQ(json["source_name"].text, "A001_C002");
}

TEST(TranslateCommand, AMovieIsConsolidatedIntoASelfContainedOneWithItsTimecodeMoved) {
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 8, smallFrame());
    ASSERT_EQ(runCli({"translate", dir.file("shot_0001.dpx"), "-o", dir.file("ref.mov"), "--reference", "--rate",
                      "25", "--source-id", "reel9"})
                  .exitStatus,
              0);
    auto result = runCli({"translate", dir.file("ref.mov"), "-o", dir.file("own.mov"), "--in", "2", "--out", "5"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    testsupport::JsonValue json = parsed(runCli({"verify", "--json", dir.file("own.mov")}).out);
    EXPECT_TRUE(json["self_contained"].boolean);
    EXPECT_EQ(json["frames"].number, 4);
    EXPECT_EQ(json["timescale"].number, 2500);
    EXPECT_EQ(json["timecode"].text, "01:00:00:02");
    EXPECT_EQ(json["source_name"].text, "reel9");
    EXPECT_EQ(runCli({"verify", dir.file("own.mov"), "--against", dir.file("shot_0003.dpx")}).exitStatus, 0);
    // A movie's samples are always copied, at the movie's own rate.
    for (const char* refused : {"--reference", "--rate"}) {
        std::vector<std::string> args{"translate", dir.file("ref.mov"), "-o", dir.file("x.mov"), refused};
        if (std::string(refused) == "--rate")
            args.push_back("24");
        EXPECT_EQ(runCli(args).exitStatus, 2) << refused;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.mov")));
}

TEST(TranslateCommand, RangesByFrameNumberAndTimecode) {
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 6, smallFrame()); // 0001-0006, 01:00:00:00 on
    std::filesystem::remove(dir.path() / "shot_0004.dpx");
    auto references = [&](const std::vector<std::string>& range) {
        std::vector<std::string> args{"translate", "--reference",    "--force", dir.file("shot_0001.dpx"),
                                      "-o",        dir.file("r.mov")};
        args.insert(args.end(), range.begin(), range.end());
        auto run = runCli(args);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        std::vector<std::string> names;
        const testsupport::JsonValue json = parsed(runCli({"verify", "--json", dir.file("r.mov")}).out);
        for (const testsupport::JsonValue& ref : json["references"].items)
            names.push_back(std::filesystem::path(ref["path"].text).filename().string());
        return names;
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(references({"--from", "2", "--to", "5"}),
              (Names{"shot_0002.dpx", "shot_0003.dpx", "shot_0005.dpx"}));
    EXPECT_EQ(references({"--from", "5"}), (Names{"shot_0005.dpx", "shot_0006.dpx"}));
    EXPECT_EQ(references({"--from-tc", "01:00:00:01", "--to-tc", "01:00:00:02"}),
              (Names{"shot_0002.dpx", "shot_0003.dpx"}));
    EXPECT_EQ(references({"--to-tc", "01:00:00:01"}), (Names{"shot_0001.dpx", "shot_0002.dpx"}));
    // The movie's timecode starts at its first frame's.
    references({"--from", "5"});
    EXPECT_EQ(parsed(runCli({"verify", "--json", dir.file("r.mov")}).out)["timecode"].text, "01:00:00:04");

    // Numbers and timecodes that no frame has are usage errors that name the nearest frames.
    auto missing = runCli({"translate", dir.file("shot_0001.dpx"), "--from", "4"});
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_NE(
        missing.err.find("--from 4: no frame of the sequence has that number (nearest: shot_0003.dpx (3), "
                         "shot_0005.dpx (5))"),
        std::string::npos)
        << missing.err;
    auto late = runCli({"translate", dir.file("shot_0001.dpx"), "--to-tc", "02:00:00:00"});
    EXPECT_EQ(late.exitStatus, 2);
    EXPECT_NE(late.err.find("(nearest: shot_0006.dpx (01:00:00:05))"), std::string::npos) << late.err;
    EXPECT_EQ(runCli({"translate", dir.file("shot_0001.dpx"), "--from", "2", "--in", "1"}).exitStatus, 2);
    EXPECT_EQ(runCli({"translate", dir.file("shot_0001.dpx"), "--from-tc", "1:00:00:00"}).exitStatus, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("shot_.mov")));
}

TEST(TranslateCommand, SeveralSequencesAtOnceIntoAFolder) {
    TempDir dir;
    for (const char* base : {"a_", "b_", "c_"})
        writeSequence(dir.file(""), base, 3, smallFrame());
    std::filesystem::resize_file(dir.path() / "c_0002.dpx", 2100); // its pixel data cut short
    TempDir out;
    const std::string folder = out.file("movies") + "/"; // made, as it ends in /
    auto run = runCli({"translate", "--json", "--all", dir.file(""), "--jobs", "2", "-o", folder});
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    testsupport::JsonValue json = parsed(run.out);
    EXPECT_EQ(json["sequences"].number, 3);
    EXPECT_EQ(json["complete"].number, 2);
    EXPECT_EQ(json["failed"].number, 1);
    ASSERT_EQ(json["movies"].items.size(), 3u);
    int sound = 0;
    for (const testsupport::JsonValue& movie : json["movies"].items) {
        const std::string name = std::filesystem::path(movie["movie"].text).filename().string();
        EXPECT_EQ(std::filesystem::path(movie["movie"].text).parent_path(), out.path() / "movies");
        const testsupport::JsonValue verified = parsed(runCli({"verify", "--json", movie["movie"].text}).out);
        if (name == "c_.mov") {
            EXPECT_FALSE(movie["complete"].boolean);
            EXPECT_EQ(verified["frames"].number, 1); // the frame before the cut one
        } else {
            EXPECT_TRUE(movie["complete"].boolean) << name;
            EXPECT_EQ(verified["frames"].number, 3) << name;
            sound += verified["problems"].items.empty() ? 1 : 0;
        }
    }
    EXPECT_EQ(sound, 2);

    // Text: a line per movie and the total; an existing folder given without its slash is a folder.
    auto text = runCli({"translate", dir.file("a_0001.dpx"), dir.file("b_0002.dpx"), "-o", out.file("movies"),
                        "--force", "--quiet"});
    EXPECT_EQ(text.exitStatus, 0) << text.err;
    EXPECT_EQ(text.out, out.file("movies/a_.mov") + ": self-contained movie, 3 of 3 frames written\n" +
                            out.file("movies/b_.mov") + ": self-contained movie, 3 of 3 frames written\n" +
                            "2 sequences: 2 movies complete, 0 incomplete or not made\n");
    EXPECT_EQ(runCli({"translate", dir.file("a_0001.dpx"), dir.file("b_0001.dpx"), "-o", out.file("one.mov")})
                  .exitStatus,
              2);
}

TEST(TranslateCommand, EveryMovieNameIsKnownBeforeTheFirstExportStarts) {
    // Camera folders that name frames by number alone, and shot folders that repeat one name.
    TempDir dir;
    for (const char* shot : {"reel1/A001C003", "reel1/A001C004"}) {
        std::filesystem::create_directories(dir.path() / shot);
        writeSequence(dir.file(shot), "", 2, smallFrame()); // 0001.dpx, 0002.dpx
    }
    const std::string tree = dir.file("reel1");
    const struct {
        std::vector<std::string> options;
        int exitStatus;
        std::vector<std::string> movies; // below out/, or the words of the refusal
    } cases[] = {
        {{}, 2, {"reel1/A001C003/0001.dpx and ", "/reel1/A001C004/0001.dpx would both be written to ", "--tree"}},
        {{"--force"}, 2, {"would both be written to "}},
        {{"--name-after", "none"}, 2, {"would both be written to "}},
        {{"--name-after", "folder"}, 0, {"A001C003.mov", "A001C004.mov"}},
        {{"--tree"}, 0, {"A001C003/0001.mov", "A001C004/0001.mov"}},
        {{"--tree", "--name-after", "folder"}, 0, {"A001C003/A001C003.mov", "A001C004/A001C004.mov"}},
    };
    for (const auto& c : cases) {
        TempDir out;
        std::vector<std::string> args{"translate", "--quiet", "--reference", "--all", tree, "-R", "-o",
                                      out.file("movies/")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const testsupport::CommandResult run = runCli(args);
        ASSERT_EQ(run.exitStatus, c.exitStatus) << run.err;
        if (c.exitStatus == 2) {
            for (const std::string& words : c.movies)
                EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
            EXPECT_FALSE(std::filesystem::exists(out.file("movies"))) << "nothing is written";
            continue;
        }
        for (const std::string& movie : c.movies)
            EXPECT_EQ(runCli({"verify", out.file("movies/" + movie)}).exitStatus, 0) << movie;
    }
    // ls names the movies as translate would.
    const testsupport::JsonValue listed = parsed(runCli({"ls", "--json", "-R", "--name-after", "folder", tree}).out);
    ASSERT_EQ(listed["sequences"].items.size(), 2u);
    EXPECT_EQ(listed["sequences"][1]["movie_name"].text, "A001C004.mov");
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--tree", dir.file("reel1/A001C003/0001.dpx"), "-o", dir.file("x/")},
          {"--name-after", "shot", "--all", tree}, {"--name-after", "base", "--name-after", "file", "--all", tree}})
        EXPECT_EQ(runCli([&] {
                      std::vector<std::string> args{"translate"};
                      args.insert(args.end(), wrong.begin(), wrong.end());
                      return args;
                  }())
                      .exitStatus,
                  2);
}

TEST(TranslateCommand, MessagesSayWhatTheUserGaveAndWhatIsWrong) {
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 6, smallFrame()); // 0001-0006, 01:00:00:00 on
    const std::string first = dir.file("shot_0001.dpx");
    std::filesystem::create_directories(dir.path() / "out" / "shot_.mov");
    testsupport::writeFile(dir.file("afile"), {0});
    std::filesystem::create_directory(dir.path() / "empty");
    const std::string tooLong = dir.file(std::string(252, 'x') + ".mov"); // 256 bytes
    const struct {
        std::vector<std::string> args;
        int exitStatus;
        std::string text;
    } cases[] = {
        {{first, "--from", "5", "--to", "2"}, 2, "--from 5 is after --to 2"},
        {{first, "--from-tc", "01:00:00:59", "--rate", "24"},
         2,
         "--from-tc 01:00:00:59: there is no frame 59 in a second at the movie's rate (frames 00-23)"},
        {{first, "--in", "1", "--in", "2"}, 2, "--in given twice"},
        {{first, "-o", dir.file("a.mov"), "-o", dir.file("b.mov")}, 2, "-o given twice"},
        {{first, "--jobs", " 2"}, 2, "--jobs needs a number from 1 to 64, not ' 2'"},
        {{first, "--jobs", "+2"}, 2, "--jobs needs a number from 1 to 64, not '+2'"},
        {{first, "-o", dir.file("out/")},
         1,
         dir.file("out/shot_.mov") + " is a folder; a movie can't take its name"},
        {{first, "-o", dir.file("out/"), "--force"},
         1,
         dir.file("out/shot_.mov") + " is a folder; a movie can't take its name"},
        {{first, "-o", dir.file("afile/x.mov")},
         1,
         "can't create the movie file (" + dir.file("afile") + " is a file, not a folder)"},
        {{"--all", dir.file("empty"), "-o", dir.file("new/")}, 1, "no sequence in " + dir.file("empty")},
        {{first, "-o", tooLong}, 1, tooLong + ": the name is too long for its folder"},
        {{first, "-o", tooLong, "--force"}, 1, tooLong + ": the name is too long for its folder"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"translate", "--quiet"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        testsupport::CommandResult run = runCli(args);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << c.text;
        EXPECT_NE(run.err.find("reelmaker translate: " + c.text + "\n"), std::string::npos) << run.err;
    }
    // Nothing was made on the way.
    EXPECT_FALSE(std::filesystem::exists(dir.file("new")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("shot_.mov")));

    // The command list names every option of translate and describe's range.
    const std::string help = runCli({"help"}).out;
    for (const char* option : {"--all DIR", "--jobs N", "--strict", "--from N", "--to M", "--from-tc T"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_NE(help.find("describe [--json] FILE [--rate R] [--codec C] [--in I | --from N"),
              std::string::npos)
        << help;
}

TEST(TranslateCommand, FailuresExitOneAndSayWhy) {
    TempDir dir;
    FrameSpec fileSpec = smallFrame();
    writeSequence(dir.file(""), "shot_", 3, fileSpec);
    fileSpec.width = 20;
    fileSpec.pixels.reset();
    testsupport::writeFrameFile(dir.file("shot_0002.dpx"), fileSpec);
    testsupport::writeFile(dir.file("plain"), {0});

    // A frame of another size: the movie keeps the frame before it.
    auto sized = runCli({"translate", "--json", dir.file("shot_0001.dpx"), "-o", dir.file("m.mov")});
    EXPECT_EQ(sized.exitStatus, 1);
    testsupport::JsonValue json = parsed(sized.out);
    EXPECT_EQ(json["movie"].text, dir.file("m.mov"));
    EXPECT_EQ(json["frames_written"].number, 1);
    EXPECT_FALSE(json["complete"].boolean);
    ASSERT_EQ(json["problems"].items.size(), 1u);
    EXPECT_EQ(json["problems"][0].text, "shot_0002.dpx: the frame is 20x8, not 16x8");
    // With --force as well, the failed export leaves the movie that stands under the name.
    auto sizedText = runCli({"translate", dir.file("shot_0001.dpx"), "-o", dir.file("m.mov"), "--force"});
    EXPECT_EQ(sizedText.exitStatus, 1);
    EXPECT_EQ(sizedText.out, "");
    EXPECT_NE(sizedText.err.find("reelmaker translate: shot_0002.dpx: the frame is 20x8, not 16x8; " +
                                 dir.file("m.mov") +
                                 " was left as it was: a failed export replaces no file (1 of 3 frames "
                                 "were written)\n"),
              std::string::npos)
        << sizedText.err;

    // A destination that can't be created, even by root: its folder is a regular file.
    auto unwritable =
        runCli({"translate", "--json", dir.file("shot_0001.dpx"), "-o", dir.file("plain/m.mov")});
    EXPECT_EQ(unwritable.exitStatus, 1);
    json = parsed(unwritable.out);
    EXPECT_TRUE(json["movie"].isNull());
    EXPECT_EQ(json["frames_written"].number, 0);
    ASSERT_EQ(json["problems"].items.size(), 1u);
    EXPECT_NE(json["problems"][0].text.find("can't create the movie file"), std::string::npos);
    EXPECT_NE(unwritable.err.find("Could not create file for movie! (2) error"), std::string::npos);

    // A folder without write permission; root writes there all the same, so only others can check it.
    if (geteuid() != 0) {
        std::filesystem::create_directory(dir.path() / "locked");
        std::filesystem::permissions(dir.path() / "locked",
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        auto locked = runCli({"translate", dir.file("shot_0001.dpx"), "-o", dir.file("locked/m.mov")});
        EXPECT_EQ(locked.exitStatus, 1);
        EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "locked"));
        std::filesystem::permissions(dir.path() / "locked", std::filesystem::perms::owner_all);
    }

    testsupport::writeFile(dir.file("notes.txt"), {'h', 'i', '!', '!'});
    auto notFrame = runCli({"translate", "--json", dir.file("notes.txt")});
    EXPECT_EQ(notFrame.exitStatus, 1);
    EXPECT_EQ(parsed(notFrame.out)["problems"][0].text,
              "couldn't open file " + dir.file("notes.txt") + ": unknown ID 'hi!!' (0x68692121)");

    EXPECT_EQ(runCli({"translate"}).exitStatus, 2);
    EXPECT_EQ(runCli({"translate", dir.file("shot_0001.dpx"), "--bogus"}).exitStatus, 2);
    EXPECT_EQ(runCli({"translate", dir.file("shot_0001.dpx"), "--in", "2", "--out", "1"}).exitStatus, 2);
    EXPECT_EQ(runCli({"translate", dir.file("shot_0001.dpx"), "--out", "9"}).exitStatus, 2);
    EXPECT_EQ(runCli({"translate", dir.file("shot_0001.dpx"), "-o"}).exitStatus, 2);
}

class TranslateInterrupted : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<TempDir>();
        linkFrames(*s_dir, kFrames);
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    /// Runs `translate` with these options while its worker is held at the opening of the gated
    /// frame (index 9); then, for each step, runs its shell line and waits until standard error shows
    /// its text, and lets the worker go. Returns the exit status (as "exit N" on standard output) and
    /// standard error.
    testsupport::CommandResult interrupt(const std::string& options,
                                         const std::vector<std::pair<std::string, std::string>>& steps) {
        testsupport::OpenGate gate(kGatedFrame);
        TempDir scratch;
        const std::string err = scratch.file("err");
        // Bounded waits (two minutes), so that a broken command fails the test instead of hanging it.
        auto waitFor = [](const std::string& condition) {
            return "n=0; until " + condition +
                   "; do [ $n -ge 12000 ] && break; sleep 0.01; n=$((n+1)); done\n";
        };
        std::string script = gate.environment() + " '" + REELMAKER_CLI_PATH + "' translate " + options +
                             " '" + s_dir->file("f_00001.dpx") + "' 2>'" + err + "' & pid=$!\n" +
                             waitFor("[ -e '" + gate.reachedMarker() + "' ]");
        for (const auto& [action, text] : steps)
            script += action + "\n" + waitFor("grep -q '" + text + "' '" + err + "'");
        script +=
            "touch '" + gate.releaseMarker() + "'\nwait $pid; echo \"exit $?\"; cat '" + err + "' >&2\n";
        return testsupport::runShell(script);
    }

    static constexpr int kFrames = 30;
    static constexpr int kGatedIndex = 9;
    static constexpr const char* kGatedFrame = "f_00010.dpx";
    static std::unique_ptr<TempDir> s_dir;
};
std::unique_ptr<TempDir> TranslateInterrupted::s_dir;

TEST_F(TranslateInterrupted, CtrlCCompletesAShorterMovieAndExits130) {
    TempDir out;
    const std::string movie = out.file("cut.mov");
    // Held at frame 9 until a progress line shows the worker there (one a second when standard
    // error is no terminal), then Ctrl-C: the frame being written is the last.
    auto result = interrupt("--reference -o '" + movie + "'",
                            {{"", "9/30 frames"}, {"kill -INT $pid", "cancelling: the movie keeps"}});
    ASSERT_NE(result.out.find("exit 130"), std::string::npos) << result.out << result.err;
    EXPECT_NE(result.err.find("9/30 frames"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("reelmaker translate: cancelled after 10 of 30 frames"), std::string::npos)
        << result.err;
    EXPECT_NE(result.out.find(movie + ": reference movie, 10 of 30 frames written"), std::string::npos)
        << result.out;

    testsupport::JsonValue json = parsed(runCli({"verify", "--json", movie}).out);
    EXPECT_EQ(json["frames"].number, kGatedIndex + 1);
    EXPECT_EQ(json["timecode"].text, "01:00:00:00");
    EXPECT_TRUE(json["problems"].items.empty());
}

TEST_F(TranslateInterrupted, ASecondCtrlCOrAnEndRequestAbortsAndLeavesNoFile) {
    const struct {
        std::vector<std::pair<std::string, std::string>> steps;
        const char* exit;
    } cases[] = {
        {{{"kill -INT $pid", "cancelling: the movie keeps"},
          {"kill -INT $pid", "aborting: no movie will be left"}},
         "exit 130"},
        {{{"kill -TERM $pid", "aborting: no movie will be left"}}, "exit 143"},
        {{{"kill -HUP $pid", "aborting: no movie will be left"}}, "exit 129"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exit);
        TempDir out;
        testsupport::writeFile(out.file("old.mov"), {'o', 'l', 'd'});
        auto result = interrupt("--force -o '" + out.file("old.mov") + "'", c.steps);
        ASSERT_NE(result.out.find(c.exit), std::string::npos) << result.out << result.err;
        EXPECT_NE(result.err.find("the export was aborted; no movie was written"), std::string::npos)
            << result.err;
        EXPECT_EQ(result.err.find("cancelled after"), std::string::npos) << result.err;
        // What stood under the name is untouched and nothing else was left.
        EXPECT_EQ(testsupport::readFile(out.file("old.mov")), (std::vector<uint8_t>{'o', 'l', 'd'}));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path()), {}), 1);
    }
}

/// Peak resident size in KB of a child running the command line tool with these arguments.
long peakResidentKB(const std::vector<std::string>& args) {
    std::vector<std::string> argv{REELMAKER_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& arg : argv)
        raw.push_back(arg.data());
    raw.push_back(nullptr);
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, 1);
        dup2(devNull, 2);
        execv(raw[0], raw.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return usage.ru_maxrss;
}

TEST(TranslateCommand, MemoryDoesNotGrowWithTheSequence) {
    if (testsupport::kSanitizedBuild)
        GTEST_SKIP() << "a sanitizer's own memory (shadow, quarantine) hides the export's; skipping";
    TempDir few, many;
    linkFrames(few, 20);
    linkFrames(many, 2000);
    for (const char* kind : {"--quiet", "--reference"}) {
        long small = peakResidentKB(
            {"translate", "--quiet", kind, few.file("f_00001.dpx"), "-o", few.file("m.mov"), "--force"});
        long large = peakResidentKB(
            {"translate", "--quiet", kind, many.file("f_00001.dpx"), "-o", many.file("m.mov"), "--force"});
        // A few hundred bytes of tables per frame (reference movies: a data reference each).
        EXPECT_LT(large - small, 4096)
            << kind << ": " << small << " KB for 20 frames, " << large << " KB for 2000";
        std::printf("peak resident size, %s: %ld KB for 20 frames, %ld KB for 2000\n",
                    std::string(kind) == "--quiet" ? "self-contained" : "reference", small, large);
    }
}

} // namespace

TEST(TranslateCommand, ASourceIdLongerThanTheTimecodeTrackHoldsIsAUsageError) {
    testsupport::CommandResult result =
        testsupport::runCli({"translate", "f_0001.dpx", "--source-id", std::string(65536, 'x')});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("at most 65535"), std::string::npos) << result.err;

    // The desktop field keeps what fits, cut before a partial character.
    TempDir dir;
    writeSequence(dir.file(""), "f_", 1, smallFrame());
    HeadlessSession session;
    auto document = openDocument(session, dir.file("f_0001.dpx"));
    document->sourceIDTextField()->setStringValue(std::string(65534, 'x') + "\xc3\xa9");
    document->controlTextDidChange();
    EXPECT_EQ(document->sourceID(), std::string(65534, 'x'));
}
