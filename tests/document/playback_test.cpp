// Playing a document on a clock the test moves: what each tick shows, drops, the out point, looping.
#include "document_fixtures.h"

#include "support/manual_clock.h"
#include "support/open_gate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace testsupport;
using namespace docfixtures;

namespace {

constexpr uint32_t kWidth = 8;
constexpr uint32_t kHeight = 4;

/// Frames shot_0001 ... whose first pixel's red holds the frame's number, with timecodes from
/// 01:00:00:00 at 24 fps.
void writeNumberedFrames(const TempDir& dir, int count) {
    for (int i = 0; i < count; ++i) {
        FrameSpec fileSpec;
        fileSpec.width = kWidth;
        fileSpec.height = kHeight;
        fileSpec.timecode = timecodeWord(1, 0, unsigned(i / 24), unsigned(i % 24));
        std::vector<uint32_t> pixels(kWidth * kHeight, rgb10Word(0, 512, 0));
        pixels[0] = rgb10Word(uint32_t(4 * (i + 1)), 0, 0);
        fileSpec.pixels = pixels;
        writeFrameFile(dir.file(shotNames(i + 1, i + 1).front()), fileSpec);
    }
}

/// The red byte of the first pixel on show: the frame's number as written above.
int shownNumber(DPXMovieFile& document) {
    auto image = document.imageView()->image();
    return image && image->bitmap() ? image->bitmap()->bitmapData()[0] : -1;
}

/// Waits (without a deadline that could fail a slow machine) until the reader has `position` ready.
void waitReadAhead(const DPXMovieFile& document, int64_t position) {
    while (document.player() && !document.player()->isReadAhead(position))
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

struct Playing {
    TempDir dir;
    HeadlessSession session;
    ManualClock clock;
    std::shared_ptr<DPXMovieFile> document;
    double period = 0;

    explicit Playing(int frames) {
        writeNumberedFrames(dir, frames);
        document = session.openDocument(dir.file("shot_0001.dpx"));
        frameRatePopup(*document).selectItemWithTag(1); // 24 fps
        frameRatePopup(*document).sendAction();
        document->setPlaybackClock(clock);
        period = 1.0 / 24.0;
    }
    /// One frame's time passes once the frame is ready; the tick shows it.
    void step(int64_t position) {
        waitReadAhead(*document, position);
        clock.advance(period);
        document->playbackTick();
    }
};

} // namespace

TEST(Playback, EachTickAtTheRateShowsTheNextFrameWithItsNumberAndTimecode) {
    Playing p(30);
    ASSERT_EQ(p.document->frameCount(), 30);
    p.document->togglePlay();
    ASSERT_TRUE(p.document->isPlaying());
    EXPECT_EQ(p.document->playButton()->title(), DPXMovieFile::kPauseTitle);
    for (int n = 1; n <= 12; ++n) {
        p.step(n);
        EXPECT_EQ(p.document->lastSlider(), n);
        EXPECT_EQ(frameSlider(*p.document).intValue(), n);
        EXPECT_EQ(shownNumber(*p.document), n + 1);
    }
    EXPECT_EQ(p.document->positionText()->stringValue().substr(0, 25), "frame 0013  01:00:00:12  ");
    // A tick before the next frame is due shows nothing new.
    p.document->playbackTick();
    EXPECT_EQ(p.document->lastSlider(), 12);
    p.document->togglePlay();
    EXPECT_FALSE(p.document->isPlaying());
    EXPECT_EQ(p.document->droppedFrames(), 0);
    // Stopped, the frame on show is the current frame as browsing makes it.
    EXPECT_EQ(p.document->fileName(), "shot_0013.dpx");
    EXPECT_NE(p.document->currentFile(), nullptr);
    EXPECT_EQ(p.document->positionText()->stringValue(),
              "frame 0013  01:00:00:12    in frame 0001  01:00:00:00    out frame 0030  01:00:01:05");
}

TEST(Playback, StopsAtTheOutPointOrLoopsToTheInPoint) {
    for (bool loop : {false, true}) {
        Playing p(10);
        // The range 3..6 (indices 2..5), played from the in point.
        frameSlider(*p.document).setIntValue(2);
        frameSlider(*p.document).sendAction();
        p.document->markIn();
        frameSlider(*p.document).setIntValue(5);
        frameSlider(*p.document).sendAction();
        p.document->markOut();
        p.document->setLoopPlayback(loop);
        p.document->togglePlay(); // on the out frame: from the top of the range
        ASSERT_TRUE(p.document->isPlaying()) << loop;
        EXPECT_EQ(p.document->lastSlider(), 2);
        std::vector<int32_t> shown;
        for (int n = 1; n <= 6 && p.document->isPlaying(); ++n) {
            if (n <= 3 || loop)
                waitReadAhead(*p.document, n);
            p.clock.advance(p.period);
            p.document->playbackTick();
            shown.push_back(p.document->lastSlider());
        }
        if (loop) {
            EXPECT_EQ(shown, (std::vector<int32_t>{3, 4, 5, 2, 3, 4}));
            EXPECT_TRUE(p.document->isPlaying());
        } else {
            EXPECT_EQ(shown, (std::vector<int32_t>{3, 4, 5, 5}));
            EXPECT_FALSE(p.document->isPlaying());
        }
        EXPECT_EQ(p.document->droppedFrames(), 0) << loop;
    }
}

TEST(Playback, AFrameNotReadInTimeIsDroppedAndCountedNeverShownLate) {
    REQUIRE_OPEN_GATE();
    Playing p(20);
    OpenGate gate("shot_0010.dpx"); // position 9, past the frames read before the clock starts
    p.document->togglePlay();
    for (int n = 1; n <= 8; ++n)
        p.step(n);
    ASSERT_TRUE(gate.waitUntilReached());
    // Frame 10's time comes while its file is still being opened: nothing new is shown.
    p.clock.advance(p.period);
    p.document->playbackTick();
    EXPECT_EQ(p.document->lastSlider(), 8);
    gate.release();
    p.step(10);
    EXPECT_EQ(p.document->lastSlider(), 10);
    EXPECT_EQ(shownNumber(*p.document), 11);
    EXPECT_EQ(p.document->droppedFrames(), 1);
    EXPECT_NE(p.document->positionText()->stringValue().find("1 frame dropped"), std::string::npos);
}

TEST(Playback, AMissingFrameShowsThePlaceholderAndSaysWhichFile) {
    Playing p(6);
    std::filesystem::remove(p.dir.file("shot_0003.dpx"));
    p.document->togglePlay();
    p.step(1);
    p.step(2);
    EXPECT_EQ(p.document->lastSlider(), 2);
    EXPECT_EQ(shownNumber(*p.document), 200); // the placeholder's red cross, corner to corner
    EXPECT_NE(description(*p.document).find("can't show frame 0003: " + p.dir.file("shot_0003.dpx") + " is missing"),
              std::string::npos)
        << description(*p.document);
    p.step(3);
    EXPECT_EQ(shownNumber(*p.document), 4);
    EXPECT_EQ(description(*p.document).find("can't show"), std::string::npos);
}
