// Movies opened as documents: ours (self-contained and by reference) and other writers', browsed,
// their samples' placeholders, and consolidated into a self-contained movie.
#include "export/export_fixtures.h"

#include "document/movie_document.h"
#include "framefiles/frame_file_code.h"
#include "platform/movie/movie_check.h"
#include "platform/movie/movie_samples.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;
using namespace exportfixtures;

namespace {

constexpr uint32_t kWidth = 16;
constexpr uint32_t kHeight = 8;
constexpr int kFrames = 12;

struct MovieOfFrames {
    TempDir dir;
    HeadlessSession session;
    std::vector<std::string> frames;
    std::string movie;

    /// kFrames frames from 01:00:00:00, and their movie at 24 fps with the source ID "reel7".
    explicit MovieOfFrames(bool reference) {
        FrameSpec fileSpec;
        fileSpec.width = kWidth;
        fileSpec.height = kHeight;
        fileSpec.timecode = timecodeWord(1, 0, 0, 0);
        std::filesystem::create_directories(dir.file("frames"));
        frames = writeSequence(dir.file("frames"), "shot_", kFrames, fileSpec);
        std::shared_ptr<DPXMovieFile> sequence = openDocument(session, frames.front());
        ExportSettings s = settingsAtRate(*sequence, dir.file("made.mov"), reference, 1);
        s.sourceID = "reel7";
        EXPECT_EQ(sequence->saveMovieWithSettings(s), noErr);
        sequence->close();
        movie = dir.file("made.mov");
    }

    std::shared_ptr<MovieDocument> open() {
        return std::dynamic_pointer_cast<MovieDocument>(session.openDocument(movie));
    }
};

std::string descriptionOf(DPXMovieFile& document) { return document.descriptText()->stringValue(); }

/// The bytes of frame i's pixel data.
std::vector<uint8_t> pixelBytes(int index) {
    std::vector<uint8_t> bytes;
    for (uint32_t word : sequencePixels(kWidth, kHeight, index))
        for (int shift : {24, 16, 8, 0})
            bytes.push_back(uint8_t(word >> shift));
    return bytes;
}

void step(DPXMovieFile& document, int index) {
    document.frameSlider()->setIntValue(index);
    document.frameSlider()->sendAction();
}

} // namespace

TEST(MovieDocument, OpensOursSelfContainedOrByReferenceAndStepsWithNumbersAndTimecodes) {
    for (bool reference : {false, true}) {
        MovieOfFrames made(reference);
        std::shared_ptr<MovieDocument> document = made.open();
        ASSERT_TRUE(document) << reference;
        ASSERT_EQ(document->currentFileCode(), kFileCodeMovie) << document->openProblem();
        EXPECT_EQ(document->frameCount(), kFrames);
        EXPECT_EQ(document->codecType(), FourCC("R10k"));
        EXPECT_EQ(document->playbackRate(), 24.0);
        EXPECT_EQ(document->sourceID(), "reel7");
        EXPECT_FALSE(document->frameRatePopup()->isEnabled());
        EXPECT_EQ(document->positionText()->stringValue(),
                  "sample 1  01:00:00:00    in sample 1  01:00:00:00    out sample 12  01:00:00:11");
        step(*document, 5);
        EXPECT_EQ(document->positionText()->stringValue().substr(0, 22), "sample 6  01:00:00:05 ");
        // The picture is the frame's pixels, 10 bits made 8.
        const NSBitmapImageRep* shown = document->imageView()->image()->bitmap();
        ASSERT_TRUE(shown);
        const std::vector<uint8_t> words = pixelBytes(5);
        EXPECT_EQ(shown->bitmapData()[0], uint8_t(((uint32_t(words[0]) << 8 | words[1]) >> 6) >> 2)) << reference;
        EXPECT_EQ(document->window()->title(), "made.mov");
        EXPECT_EQ(descriptionOf(*document).substr(0, reference ? 23 : 8),
                  reference ? "made.mov: shot_0006.dpx" : "made.mov");
    }
}

TEST(MovieDocument, AReferencedFrameThatIsGoneOrShortShowsThePlaceholderAndNamesTheFile) {
    MovieOfFrames made(true);
    std::filesystem::remove(made.frames[3]);
    std::filesystem::resize_file(made.frames[4], 2100);
    std::shared_ptr<MovieDocument> document = made.open();
    ASSERT_EQ(document->currentFileCode(), kFileCodeMovie);
    step(*document, 3);
    EXPECT_NE(descriptionOf(*document).find("can't show sample 4: " + made.frames[3] + " is missing"),
              std::string::npos)
        << descriptionOf(*document);
    step(*document, 4);
    EXPECT_NE(descriptionOf(*document).find("can't show sample 5: " + made.frames[4] + " is too short"),
              std::string::npos)
        << descriptionOf(*document);
    step(*document, 6);
    EXPECT_EQ(descriptionOf(*document).find("can't show"), std::string::npos);
}

TEST(MovieDocument, AMovieOfAnotherCodecIsRefusedWithItsReason) {
    REQUIRE_PROGRAM("ffmpeg");
    TempDir dir;
    const std::string movie = dir.file("v210.mov");
    ASSERT_EQ(runShell("ffmpeg -v error -nostdin -f lavfi -i testsrc=size=64x32:rate=24 -frames:v 2 -c:v v210 '" +
                       movie + "'")
                  .exitStatus,
              0);
    HeadlessSession session;
    std::shared_ptr<DPXMovieFile> document = session.openDocument(movie);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->currentFileCode(), 0);
    EXPECT_NE(document->openProblem().find("'v210'"), std::string::npos) << document->openProblem();
    EXPECT_NE(descriptionOf(*document).find("Error: couldn't open file"), std::string::npos);
    EXPECT_FALSE(document->translateButton()->isEnabled());
}

TEST(MovieDocument, OtherWritersR10kMoviesOpenWhateverTheirAtomOrder) {
    REQUIRE_PROGRAM("ffmpeg");
    TempDir dir;
    const std::string movie = dir.file("ff.mov");
    ASSERT_EQ(runShell("ffmpeg -v error -nostdin -f lavfi -i testsrc=size=64x32:rate=25 -frames:v 3 -c:v r10k "
                       "-timecode 10:00:00:00 '" + movie + "'")
                  .exitStatus,
              0);
    // The same samples with the movie atom ahead of the media data, and ours remuxed by ffmpeg.
    ASSERT_EQ(runShell("ffmpeg -v error -nostdin -i '" + movie + "' -c copy -movflags +faststart '" +
                       dir.file("faststart.mov") + "'")
                  .exitStatus,
              0);
    for (const char* name : {"ff.mov", "faststart.mov"}) {
        HeadlessSession session;
        std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file(name));
        ASSERT_TRUE(document) << name;
        ASSERT_EQ(document->currentFileCode(), kFileCodeMovie) << name << ": " << document->openProblem();
        EXPECT_EQ(document->frameCount(), 3) << name;
        EXPECT_EQ(document->playbackRate(), 25.0) << name;
        EXPECT_EQ(document->positionText()->stringValue().substr(0, 21), "sample 1  10:00:00:00") << name;
        const std::string out = dir.file(std::string("own-") + name);
        ASSERT_EQ(document->saveMovieWithSettings(document->exportSettingsFor(out, false)), noErr) << name;
        EXPECT_EQ(movieMd5(out), movieMd5(dir.file(name))) << name;
    }
}

TEST(MovieDocument, ConsolidatingARangeCopiesTheSamplesAndMovesTheTimecodeToItsFirstFrame) {
    MovieOfFrames made(true);
    std::shared_ptr<MovieDocument> document = made.open();
    ASSERT_EQ(document->currentFileCode(), kFileCodeMovie);
    step(*document, 2);
    document->markIn();
    step(*document, 8);
    document->markOut();
    const std::string out = made.dir.file("consolidated.mov");
    ASSERT_EQ(document->saveMovieWithSettings(document->exportSettingsFor(out, false)), noErr);

    MovieSamples written;
    std::string problem;
    ASSERT_EQ(ReadMovieSamples(out, written, problem), noErr) << problem;
    EXPECT_TRUE(written.selfContained);
    ASSERT_EQ(written.count(), 7u);
    const std::vector<uint8_t> bytes = readFile(out);
    for (size_t i = 0; i < written.count(); ++i) {
        const SampleSource& sample = written.samples[i];
        ASSERT_LE(sample.offset + sample.size, bytes.size());
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + long(sample.offset), bytes.begin() + long(sample.offset + sample.size)),
                  pixelBytes(int(i) + 2))
            << "sample " << i;
    }
    MovieInspection inspection;
    InspectMovie(out, inspection);
    EXPECT_EQ(inspection.timecode.value_or(""), "01:00:00:02");
    EXPECT_EQ(inspection.sourceName.value_or(""), "reel7");
}

TEST(MovieDocument, ConsolidatingStopsAtAMissingOrRewrittenFrameWithItsReason) {
    for (bool rewritten : {false, true}) {
        MovieOfFrames made(true);
        if (rewritten) {
            FrameSpec other;
            other.width = kWidth * 2;
            other.height = kHeight;
            writeFrameFile(made.frames[5], other);
        } else {
            std::filesystem::remove(made.frames[5]);
        }
        std::shared_ptr<MovieDocument> document = made.open();
        ASSERT_EQ(document->currentFileCode(), kFileCodeMovie);
        const std::string out = made.dir.file("consolidated.mov");
        EXPECT_NE(document->saveMovieWithSettings(document->exportSettingsFor(out, false)), noErr) << rewritten;
        const std::string& problem = document->exportOutcome().problem;
        EXPECT_NE(problem.find(rewritten ? "shot_0006.dpx: the frame is 32x8, not 16x8" : made.frames[5]),
                  std::string::npos)
            << problem;
        EXPECT_EQ(document->exportOutcome().framesWritten, 5) << rewritten;
    }
}
