// Movies that must not come out wrong without a word: the timecode of the range's first frame,
// headers of a layout that can't be copied, reference samples that can't be their frames, the
// cancel after the last frame, the warnings about a range (and --strict), and frames above 2048.
#include "export/export_fixtures.h"
#include "support/json_reader.h"
#include "support/open_gate.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

using namespace exportfixtures;
using testsupport::CommandResult;
using testsupport::FrameSpec;
using testsupport::runCli;
using testsupport::runShell;
using testsupport::TempDir;
using testsupport::timecodeWord;

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr const char* kCopiable = "only 10-bit RGB in 32-bit words can be copied";

FrameSpec smallFrame() {
    FrameSpec fileSpec;
    fileSpec.width = 16;
    fileSpec.height = 8;
    return fileSpec;
}

testsupport::JsonValue parsed(const std::string& text) {
    std::optional<testsupport::JsonValue> value = testsupport::parseJson(text);
    EXPECT_TRUE(value) << "not JSON: " << text;
    return value.value_or(testsupport::JsonValue{});
}

std::string shotName(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "shot_%04d.dpx", number);
    return name;
}

/// shot_0001.dpx... with these header timecodes (kNone: none).
void writeTimecodedFrames(const TempDir& dir, const std::vector<uint32_t>& timecodes) {
    for (size_t i = 0; i < timecodes.size(); ++i) {
        FrameSpec frame = smallFrame();
        frame.timecode = timecodes[i];
        frame.pixels = sequencePixels(frame.width, frame.height, int(i));
        testsupport::writeFrameFile(dir.file(shotName(int(i) + 1)), frame);
    }
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string probedTimecode(const std::string& movie) {
    return trimmed(runShell("ffprobe -v error -select_streams v:0 -show_entries stream_tags=timecode "
                            "-of default=nw=1:nk=1 '" +
                            movie + "'")
                       .out);
}

std::vector<std::string> warningKinds(const testsupport::JsonValue& report) {
    std::vector<std::string> kinds;
    for (const testsupport::JsonValue& warning : report["warnings"].items)
        kinds.push_back(warning["kind"].text);
    return kinds;
}

} // namespace

// The movie starts at the timecode of the range's first frame: its own header's where it has one,
// else the opened file's moved by the difference of the indices at the movie's rate.
TEST(WrongMovie, TimecodeFollowsTheFirstFrameOfTheRange) {
    REQUIRE_PROGRAM("ffprobe");
    struct Case {
        const char* what;
        std::vector<uint32_t> timecodes;
        int opened; // index of the opened file
        const char* rate;
        int in;
        const char* expected;
    };
    const uint32_t t16 = timecodeWord(1, 0, 0, 16);
    const std::vector<uint32_t> counting{t16, timecodeWord(1, 0, 0, 17), timecodeWord(1, 0, 0, 18),
                                         timecodeWord(1, 0, 0, 19), timecodeWord(1, 0, 0, 20)};
    const Case cases[] = {
        {"24, own timecodes, --in 4", counting, 0, "24", 4, "01:00:00:20"},
        {"24, own timecodes, opened the fifth, whole sequence", counting, 4, "24", 0, "01:00:00:16"},
        {"24, only the opened fifth has one",
         {kNone, kNone, kNone, kNone, timecodeWord(1, 0, 0, 20)},
         4,
         "24",
         0,
         "01:00:00:16"},
        {"29.97 DF, derived across the dropped labels",
         {timecodeWord(0, 0, 59, 28), kNone, kNone, kNone, kNone},
         0,
         "29.97df",
         4,
         "00:01:00;04"},
        {"29.97 DF, the in frame's own wins",
         {timecodeWord(0, 0, 59, 28), kNone, kNone, kNone, timecodeWord(0, 2, 0, 4)},
         0,
         "29.97df",
         4,
         "00:02:00;04"},
        {"50, frames 40-59", {timecodeWord(1, 0, 0, 45), kNone, kNone, kNone}, 0, "50", 0, "01:00:00:45"},
        {"50, derived", {timecodeWord(1, 0, 0, 45), kNone, kNone, kNone}, 0, "50", 3, "01:00:00:48"},
        {"50, own",
         {timecodeWord(1, 0, 0, 45), kNone, kNone, timecodeWord(2, 0, 0, 41)},
         0,
         "50",
         3,
         "02:00:00:41"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        writeTimecodedFrames(dir, c.timecodes);
        const std::string opened = dir.file(shotName(c.opened + 1));
        const std::vector<std::string> options{"--rate", c.rate, "--in", std::to_string(c.in)};

        std::vector<std::string> describe{"describe", "--json", opened};
        describe.insert(describe.end(), options.begin(), options.end());
        EXPECT_EQ(parsed(runCli(describe).out)["timecode"].text, c.expected);

        std::vector<std::string> translate{"translate", opened, "-o", dir.file("m.mov")};
        translate.insert(translate.end(), options.begin(), options.end());
        CommandResult run = runCli(translate);
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_EQ(probedTimecode(dir.file("m.mov")), c.expected);
    }
}

// A header that positively claims another layout is refused with its reason; undefined (all ones)
// or zero fields claim nothing.
TEST(WrongMovie, LayoutsThatCantBeCopiedAreRefusedWithTheirReason) {
    REQUIRE_PROGRAM("ffmpeg");
    struct Case {
        const char* what;
        const char* ffmpegFormat; // or null: the frame writer with the fields below
        uint8_t descriptor, bitDepth;
        uint16_t packing;
        bool littleEndian;
        const char* reason; // null: accepted
    };
    const Case cases[] = {
        {"16-bit (ffmpeg rgb48be)", "rgb48be", 0, 0, 0, false,
         "16-bit RGB: only 10-bit RGB in 32-bit words can be copied"},
        {"little-endian (ffmpeg rgb48le)", "rgb48le", 0, 0, 0, false,
         "little-endian DPX: its pixels would have to be converted"},
        {"12-bit packed", nullptr, 50, 12, 0, false,
         "12-bit RGB packed: only 10-bit RGB in 32-bit words can be copied"},
        {"8-bit", nullptr, 50, 8, 0, false, "8-bit RGB: only 10-bit RGB in 32-bit words can be copied"},
        {"10-bit RGBA", nullptr, 51, 10, 1, false,
         "10-bit RGBA filled A: only 10-bit RGB in 32-bit words can be copied"},
        {"little-endian 10-bit", nullptr, 50, 10, 1, true,
         "little-endian DPX: its pixels would have to be converted"},
        {"zero-filled layout", nullptr, 0, 0, 0, false, nullptr},
        {"undefined layout (all bits set)", nullptr, 0xFF, 0xFF, 0xFFFF, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string file = dir.file("shot_0001.dpx");
        if (c.ffmpegFormat) {
            ASSERT_EQ(
                runShell(std::string("ffmpeg -v error -nostdin -f lavfi -i testsrc=size=32x18 -frames:v 1 "
                                     "-pix_fmt ") +
                         c.ffmpegFormat + " '" + file + "'")
                    .exitStatus,
                0);
        } else {
            FrameSpec frame = smallFrame();
            frame.descriptor = c.descriptor;
            frame.bitDepth = c.bitDepth;
            frame.packing = c.packing;
            frame.littleEndian = c.littleEndian;
            testsupport::writeFrameFile(file, frame);
        }
        CommandResult translate = runCli({"translate", file, "-o", dir.file("m.mov")});
        CommandResult describe = runCli({"describe", file});
        if (!c.reason) {
            EXPECT_EQ(translate.exitStatus, 0) << translate.err;
            EXPECT_EQ(describe.exitStatus, 0) << describe.err;
            continue;
        }
        EXPECT_EQ(translate.exitStatus, 1);
        EXPECT_NE(translate.err.find("couldn't open file " + file + ": " + c.reason), std::string::npos)
            << translate.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("m.mov")));
        EXPECT_EQ(describe.exitStatus, 1);
        EXPECT_NE(describe.err.find("Error: couldn't open file " + file + ": " + c.reason), std::string::npos)
            << describe.err;
    }

    // The window says why; a frame that turns into another layout after the opening stops the export.
    TempDir dir;
    FrameSpec sixteen = smallFrame();
    sixteen.bitDepth = 16;
    testsupport::writeFrameFile(dir.file("deep_0001.dpx"), sixteen);
    HeadlessSession session;
    std::shared_ptr<DPXMovieFile> refused = session.openDocument(dir.file("deep_0001.dpx"));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->descriptText()->stringValue(),
              std::string("Error: couldn't open file\n16-bit RGB: ") + kCopiable);

    writeSequence(dir.file(""), "shot_", 3, smallFrame());
    auto document = openDocument(session, dir.file("shot_0001.dpx"));
    FrameSpec twelve = smallFrame();
    twelve.bitDepth = 12;
    testsupport::writeFrameFile(dir.file("shot_0002.dpx"), twelve);
    for (bool reference : {false, true}) {
        document->saveMovieWithSettings(
            document->exportSettingsFor(dir.file(reference ? "ref.mov" : "self.mov"), reference));
        const ExportOutcome& outcome = document->exportOutcome();
        EXPECT_EQ(outcome.framesWritten, 1);
        EXPECT_EQ(outcome.problem, std::string("shot_0002.dpx: 12-bit RGB filled A: ") + kCopiable);
    }
    // A new look at the folder leaves that frame out, and says why.
    testsupport::JsonValue scan = parsed(runCli({"scan", "--json", dir.file("shot_0001.dpx")}).out);
    ASSERT_EQ(scan["left_out"].items.size(), 1u);
    EXPECT_EQ(scan["left_out"][0]["name"].text, "shot_0002.dpx");
    EXPECT_EQ(scan["left_out"][0]["reason"].text,
              std::string("12-bit RGB filled A: ") + kCopiable);
}

// The reference export stops where a sample couldn't be its frame, as the self-contained one does.
TEST(WrongMovie, ReferenceExportStopsAtAFrameThatCantBeItsSample) {
    struct Case {
        const char* what;
        FrameSpec second;
        const char* problem;
    };
    FrameSpec smaller = smallFrame();
    smaller.width = 8;
    smaller.height = 4;
    FrameSpec truncated = smallFrame();
    truncated.fileSize = 2048 + 16 * 8 * 4 - 4; // more than width x height x 4, less than offset + that
    const Case cases[] = {
        {"another size", smaller, "shot_0002.dpx: the frame is 8x4, not 16x8"},
        {"file shorter than its pixel data", truncated,
         "shot_0002.dpx: the file is 2556 bytes, shorter than its pixel data offset 2048 + 512 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        writeSequence(dir.file(""), "shot_", 3, smallFrame());
        testsupport::writeFrameFile(dir.file("shot_0002.dpx"), c.second);
        HeadlessSession session;
        auto document = openDocument(session, dir.file("shot_0001.dpx"));
        ASSERT_EQ(document->frameCount(), 3);
        document->saveMovieWithSettings(document->exportSettingsFor(dir.file("ref.mov"), true));
        const ExportOutcome& outcome = document->exportOutcome();
        EXPECT_EQ(outcome.problem, c.problem);
        EXPECT_EQ(outcome.framesWritten, 1);
        EXPECT_TRUE(outcome.movieWritten);
        EXPECT_FALSE(outcome.complete());
    }
}

// Cancelling once the last frame is written leaves the out point where it was: the next export of
// the document is whole again.
TEST(WrongMovie, CancelAfterTheLastFrameKeepsTheOutPoint) {
    REQUIRE_OPEN_GATE();
    TempDir dir;
    constexpr int kFrames = 12;
    writeSequence(dir.file(""), "f_", kFrames, smallFrame());
    HeadlessSession session;
    auto document = openDocument(session, dir.file("f_0001.dpx"));
    session.framework().setSavePanelResponder([&](fw::HeadlessSavePanel& panel) {
        panel.setFilename(dir.file("m.mov"));
        std::error_code ec;
        panel.setReplaceConfirmed(std::filesystem::exists(dir.file("m.mov"), ec));
        panel.accessoryView()->find<fw::Matrix>(DPXMovieFile::kSaveOptionMatrixID)->selectCellWithTag(1);
        return fw::SavePanel::OKButton;
    });
    fw::HeadlessRunLoop& runLoop = session.framework().mainRunLoop();
    {
        // Held as the finished movie takes its name: every frame is written, the worker still runs.
        testsupport::OpenGate gate("m.mov");
        document->translateButton()->performClick();
        runLoop.pumpOnce();
        ASSERT_TRUE(gate.waitUntilReached());
        ASSERT_TRUE(document->isConverting());
        ASSERT_EQ(document->currentFrame(), kFrames);
        document->translateButton()->performClick(); // Cancel, with nothing left to cancel
        gate.release();
        ASSERT_TRUE(
            runLoop.runUntil([&] { return !document->exportInProgress(); }, std::chrono::seconds(60)));
    }
    EXPECT_EQ(document->outFrame(), kFrames);
    EXPECT_EQ(document->exportOutcome().framesWritten, kFrames);
    document->translateButton()->performClick();
    runLoop.pumpOnce();
    ASSERT_TRUE(runLoop.runUntil([&] { return !document->exportInProgress(); }, std::chrono::seconds(60)));
    EXPECT_TRUE(document->exportOutcome().complete()) << document->exportOutcome().problem;
}

// Every warning about a range: with it the movie is made and the warning said; with --strict it
// is refused. JSON lists them under "warnings".
TEST(WrongMovie, EveryWarningIsSaidAndStrictRefuses) {
    struct Case {
        const char* what;
        std::function<void(const TempDir&)> write;
        std::vector<std::string> kinds;
        bool stops = false; // the export itself stops there (a frame of another size)
    };
    auto frames = [](const TempDir& dir, std::vector<int> numbers) {
        for (int number : numbers)
            testsupport::writeFrameFile(dir.file(shotName(number)), smallFrame());
    };
    const std::vector<Case> cases{
        {"a clean sequence, the movie, notes and a folder beside it",
         [&](const TempDir& d) {
             frames(d, {1, 2, 3});
             testsupport::writeFile(d.file("shot_.mov"), {0, 0, 0, 8, 'f', 'r', 'e', 'e'});
             testsupport::writeFile(d.file("shot_notes.txt"), {'h', 'i', '!', '!'});
             std::filesystem::create_directory(d.path() / "shot_old");
         },
         {}},
        {"a break in the numbering",
         [&](const TempDir& d) {
             frames(d, {1, 2, 4});
         },
         {"numbering_break"}},
        {"entries left out",
         [&](const TempDir& d) {
             frames(d, {1, 2, 3});
             FrameSpec twelve = smallFrame();
             twelve.bitDepth = 12;
             testsupport::writeFrameFile(d.file("shot_0004.dpx"), twelve);
             testsupport::writeFile(d.file("shot_0005.dpx"), {'h', 'i', '!', '!'}); // named like a frame
         },
         {"left_out"}},
        {"two names with one number",
         [&](const TempDir& d) {
             frames(d, {1, 2, 3});
             testsupport::writeFrameFile(d.file("shot_002.dpx"), smallFrame());
         },
         {"same_number"}},
        {"names of another pattern",
         [&](const TempDir& d) {
             frames(d, {1, 2, 3});
             testsupport::writeFrameFile(d.file("shot_v2_0001.dpx"), smallFrame());
             testsupport::writeFrameFile(d.file("shot_0001_old1.dpx"), smallFrame());
         },
         {"other_pattern"}},
        {"a frame of another size",
         [&](const TempDir& d) {
             frames(d, {1, 3});
             FrameSpec smaller = smallFrame();
             smaller.width = 8;
             testsupport::writeFrameFile(d.file(shotName(2)), smaller);
         },
         {"size_differs"},
         true},
        {"a frame with its pixels elsewhere",
         [&](const TempDir& d) {
             frames(d, {1, 3});
             FrameSpec later = smallFrame();
             later.dataOffset = 4096;
             testsupport::writeFrameFile(d.file(shotName(2)), later);
         },
         {"offset_differs"}},
        {"a break in the header timecodes",
         [&](const TempDir& d) {
             writeTimecodedFrames(
                 d, {timecodeWord(1, 0, 0, 0), timecodeWord(1, 0, 0, 1), timecodeWord(1, 0, 0, 5)});
         },
         {"timecode_break"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        c.write(dir);
        const std::string first = dir.file("shot_0001.dpx");
        CommandResult made = runCli({"translate", "--json", first, "--rate", "24", "-o", dir.file("m.mov")});
        EXPECT_EQ(made.exitStatus, c.stops ? 1 : 0) << made.err;
        testsupport::JsonValue report = parsed(made.out);
        EXPECT_EQ(warningKinds(report), c.kinds);
        EXPECT_EQ(report["complete"].boolean, !c.stops);

        CommandResult strict =
            runCli({"translate", "--json", "--strict", first, "--rate", "24", "-o", dir.file("s.mov")});
        report = parsed(strict.out);
        EXPECT_EQ(warningKinds(report), c.kinds);
        EXPECT_EQ(strict.exitStatus, c.kinds.empty() ? 0 : 1);
        EXPECT_EQ(std::filesystem::exists(dir.file("s.mov")), c.kinds.empty());
    }

    // One line per warning on standard error, the frames named; many grouped.
    TempDir dir;
    frames(dir, {1, 3, 5, 7, 9, 11, 13, 15});
    CommandResult text = runCli({"translate", dir.file("shot_0001.dpx"), "-o", dir.file("m.mov")});
    EXPECT_EQ(text.exitStatus, 0) << text.err;
    const std::string line =
        "reelmaker translate: warning: the numbering breaks: shot_0001.dpx to shot_0003.dpx "
        "(1 missing), shot_0003.dpx to shot_0005.dpx (1 missing), shot_0005.dpx to "
        "shot_0007.dpx (1 missing), shot_0007.dpx to shot_0009.dpx (1 missing), shot_0009.dpx "
        "to shot_0011.dpx (1 missing) and 2 more\n";
    EXPECT_NE(text.err.find(line), std::string::npos) << text.err;
    CommandResult strict =
        runCli({"translate", "--strict", dir.file("shot_0001.dpx"), "-o", dir.file("s.mov")});
    EXPECT_EQ(strict.exitStatus, 1);
    EXPECT_NE(strict.err.find("--strict: 1 warning about the range; no movie was written"), std::string::npos)
        << strict.err;

    // The window: in the description, and in the save panel before the export is confirmed.
    HeadlessSession session;
    auto document = openDocument(session, dir.file("shot_0009.dpx"));
    document->markOut(); // the range 0-4: two breaks fewer in it
    const std::string warning = "warning: the numbering breaks: shot_0001.dpx to shot_0003.dpx (1 missing), "
                                "shot_0003.dpx to shot_0005.dpx (1 missing), shot_0005.dpx to shot_0007.dpx "
                                "(1 missing), shot_0007.dpx to shot_0009.dpx (1 missing)";
    const std::string description = document->descriptText()->stringValue();
    EXPECT_EQ(description.substr(description.rfind('\n') + 1), warning);
    EXPECT_EQ(document->saveWarningsText()->stringValue(), warning);
    EXPECT_FALSE(document->saveWarningsText()->isHidden());
}

// Frames above 2048 are refused unless allowed; allowed, a 4096 x 2160 sequence exports bit-exact.
TEST(WrongMovie, LargeFramesExportBitExactWhenAllowed) {
    REQUIRE_PROGRAM("ffmpeg");
    TempDir dir;
    ASSERT_EQ(runShell("ffmpeg -v error -nostdin -f lavfi -i testsrc=size=4096x2160:rate=24 -frames:v 3 "
                       "-pix_fmt gbrp10be -start_number 1 '" +
                       dir.file("uhd_%04d.dpx") + "'")
                  .exitStatus,
              0);
    CommandResult refused = runCli({"translate", dir.file("uhd_0001.dpx"), "-o", dir.file("m.mov")});
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_NE(refused.err.find(": width 4096 > 2048"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("WARNING: excessive frame size! 4096x2160"), std::string::npos) << refused.err;

    for (const char* kind : {"self-contained", "reference"}) {
        SCOPED_TRACE(kind);
        std::vector<std::string> args{"translate", "--large-frames",  dir.file("uhd_0001.dpx"),
                                      "-o",        dir.file("m.mov"), "--force"};
        if (std::string(kind) == "reference")
            args.push_back("--reference");
        CommandResult run = runCli(args);
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_EQ(run.err.find("excessive frame size"), std::string::npos) << run.err;
        // ffmpeg decodes the copied samples; it can't follow a reference movie's many files, which
        // verify checks instead.
        if (std::string(kind) == "self-contained")
            EXPECT_EQ(movieMd5(dir.file("m.mov")), framesMd5(dir.file("uhd_%04d.dpx"), 1, 3));
        else
            EXPECT_EQ(runCli({"verify", dir.file("m.mov")}).exitStatus, 0);
    }
}
