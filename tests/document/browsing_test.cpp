// Browsing with the slider, marking the range, the description text and the window's size.
#include "document_fixtures.h"

#include "document/description_text.h"
#include "document/window_size.h"
#include "platform/log.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;
using namespace docfixtures;

TEST(WindowContentSize, TheUsersSizeElseThePictureInTwoThirdsOfTheScreenNeverAboveItsPixels) {
    const NSSize controls{40, 250};
    const NSSize fullHD{1920, 1080};
    struct Case {
        const char* what;
        NSSize picture, screen;
        std::optional<NSSize> user;
        NSSize expect;
    } cases[] = {
        {"2K, width bound", {2048, 1080}, fullHD, std::nullopt, {1280 + 40, 675 + 250}},
        {"full aperture, height bound", {2048, 1556}, fullHD, std::nullopt, {947 + 40, 720 + 250}},
        {"UHD on a UHD screen", {3840, 2160}, {3840, 2160}, std::nullopt, {2560 + 40, 1440 + 250}},
        {"small frames stay at their pixels", {320, 180}, fullHD, std::nullopt, {320 + 40, 180 + 250}},
        {"no frame size yet", {0, 0}, fullHD, std::nullopt, {640 + 40, 360 + 250}},
        {"a small screen bounds the window", {2048, 1556}, {800, 400}, std::nullopt, {350 + 40, 400}},
        {"the user's size wins", {2048, 1080}, fullHD, NSSize{900, 700}, {900, 700}},
        {"the user's size, on a smaller screen now", {2048, 1080}, {1280, 720}, NSSize{1600, 1000}, {1280, 720}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pictureWindowContentSize(c.picture, controls, c.screen, c.user), c.expect) << c.what;
}

TEST(WindowContentSize, TheStoredTextIsTwoPositiveWholeNumbers) {
    EXPECT_EQ(windowSizeText({1280, 720}), "1280x720");
    EXPECT_EQ(parseWindowSizeText("1280x720"), (NSSize{1280, 720}));
    for (const char* bad : {"", "1280", "x720", "1280x", "0x720", "-5x7", "12x7x", " 12x7", "12.5x7", "axb"})
        EXPECT_EQ(parseWindowSizeText(bad), std::nullopt) << bad;
}

TEST(DescriptionText, ThreeLinesWithTheRangeAndItsMegabytes) {
    EXPECT_EQ(descriptionText(std::string("A001_0001.dpx"), 2048, 1556, 0, 100),
              "A001_0001.dpx\n2048x1556\n100 frames: 0-99,  ~1215.6 MBytes");
    EXPECT_EQ(rangeMegabytes(2048, 1556, 100), 1215.625f);
    EXPECT_EQ(descriptionText(std::string("x"), 720, 486, 4, 5), "x\n720x486\n1 frame: 4-4,  ~1.3 MBytes");
    EXPECT_EQ(descriptionText(std::nullopt, 4, 2, 0, 2), "(null)\n4x2\n2 frames: 0-1,  ~0.0 MBytes");
    EXPECT_EQ(descriptionText(std::string(), 1920, 1080, 10, 34),
              "\n1920x1080\n24 frames: 10-33,  ~189.8 MBytes");
}

TEST(Browsing, A2KSequenceOpensSizedAndDescribedForItsHundredFrames) {
    TempDir dir;
    for (const std::string& name : shotNames(1, 100))
        writeSparseFrame(dir.file(name), 2048, 1556);
    HeadlessSession session;
    std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("shot_0001.dpx"));
    ASSERT_EQ(document->frameCount(), 100);
    // The full aperture in two thirds of a 1920 x 1080 screen: 947 x 720, and the controls' room.
    EXPECT_EQ(document->window()->contentSize(), (NSSize{947 + 46, 720 + 115}));
    EXPECT_EQ(description(*document), "shot_0001.dpx\n2048x1556\n100 frames: 0-99,  ~1215.6 MBytes");
}

TEST(Browsing, TheSliderShowsEachFrameAndTitlesTheWindowAfterIt) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 5));
    HeadlessSession session;
    std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("shot_0001.dpx"));
    fw::HeadlessSlider& slider = frameSlider(*document);

    ASSERT_TRUE(slider.userMoveTo(3));
    EXPECT_EQ(document->lastSlider(), 3);
    EXPECT_EQ(document->fileString(), dir.file("shot_0004.dpx"));
    EXPECT_EQ(document->window()->title(), "shot_0004.dpx");
    EXPECT_EQ(descriptionLine(*document, 0), "shot_0004.dpx");
    EXPECT_EQ(document->imageView()->image(), document->previewImage());
    // Browsing leaves the range, the frame size and the file code alone.
    EXPECT_EQ(document->inFrame(), 0);
    EXPECT_EQ(document->outFrame(), 5);
    EXPECT_EQ(document->currentFileCode(), 1);

    // The same index costs nothing: no frame is opened again.
    LogCapture log;
    std::shared_ptr<FrameFile> shown = document->currentFile();
    slider.userMoveTo(3.6);
    EXPECT_EQ(document->currentFile(), shown);
    EXPECT_TRUE(log.messages().empty());
}

TEST(Browsing, AFrameThatCantBeOpenedMovesTheIndexButKeepsThePreviousFrameOnShow) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 3));
    HeadlessSession session;
    std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("shot_0001.dpx"));
    std::shared_ptr<const NSImage> shown = document->imageView()->image();
    std::filesystem::remove(dir.file("shot_0002.dpx"));

    LogCapture log;
    frameSlider(*document).userMoveTo(1);
    EXPECT_EQ(document->lastSlider(), 1);
    EXPECT_EQ(document->fileString(), dir.file("shot_0002.dpx"));
    EXPECT_EQ(frameSlider(*document).intValue(), 1);
    EXPECT_EQ(document->window()->title(), "shot_0001.dpx");
    EXPECT_EQ(descriptionLine(*document, 0), "shot_0001.dpx");
    EXPECT_EQ(document->imageView()->image(), shown);
    EXPECT_EQ(log.messages(), (Names{"Can't find file at path: " + dir.file("shot_0002.dpx") + "\n"}));

    // Marking works on the index all the same.
    document->markIn();
    EXPECT_EQ(descriptionLine(*document, 2), "2 frames: 1-2,  ~0.0 MBytes");
}

TEST(Marking, InAndOutInEveryOrderKeepARangeOfAtLeastOneFrame) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 10));
    HeadlessSession session;
    std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("shot_0001.dpx"));
    fw::HeadlessSlider& slider = frameSlider(*document);
    auto range = [&] { return std::make_pair(document->inFrame(), document->outFrame()); };
    auto click = [&](const char* id) {
        ASSERT_TRUE(static_cast<fw::HeadlessButton&>(button(*document, id)).userCanAct());
        button(*document, id).performClick();
    };
    using Range = std::pair<int32_t, int32_t>;

    // In, then out after it.
    slider.userMoveTo(2);
    click(DPXMovieFile::kMarkInButtonID);
    EXPECT_EQ(range(), (Range{2, 10}));
    slider.userMoveTo(6);
    click(DPXMovieFile::kMarkOutButtonID);
    EXPECT_EQ(range(), (Range{2, 7}));
    EXPECT_EQ(descriptionLine(*document, 2), "5 frames: 2-6,  ~0.0 MBytes");

    // In exactly at the out point (the first frame after the range): that one frame.
    slider.userMoveTo(7);
    click(DPXMovieFile::kMarkInButtonID);
    EXPECT_EQ(range(), (Range{7, 8}));
    EXPECT_EQ(descriptionLine(*document, 2), "1 frame: 7-7,  ~0.0 MBytes");

    // In after the out point: that one frame.
    slider.userMoveTo(8);
    click(DPXMovieFile::kMarkInButtonID);
    EXPECT_EQ(range(), (Range{8, 9}));
    EXPECT_EQ(descriptionLine(*document, 2), "1 frame: 8-8,  ~0.0 MBytes");

    // Out before the in point: that one frame.
    slider.userMoveTo(3);
    click(DPXMovieFile::kMarkOutButtonID);
    EXPECT_EQ(range(), (Range{3, 4}));

    // Out, then in before it.
    slider.userMoveTo(9);
    click(DPXMovieFile::kMarkOutButtonID);
    EXPECT_EQ(range(), (Range{3, 10}));
    slider.userMoveTo(0);
    click(DPXMovieFile::kMarkInButtonID);
    EXPECT_EQ(range(), (Range{0, 10}));

    // Both on the same frame.
    slider.userMoveTo(5);
    click(DPXMovieFile::kMarkInButtonID);
    click(DPXMovieFile::kMarkOutButtonID);
    EXPECT_EQ(range(), (Range{5, 6}));
    slider.userMoveTo(4);
    click(DPXMovieFile::kMarkOutButtonID);
    click(DPXMovieFile::kMarkInButtonID);
    EXPECT_EQ(range(), (Range{4, 5}));
    EXPECT_EQ(descriptionLine(*document, 2), "1 frame: 4-4,  ~0.0 MBytes");
}

TEST(Marking, GotoOutAfterOpeningMovesToTheLastFrameAndGotoInBack) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 7));
    HeadlessSession session;
    std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("shot_0003.dpx"));
    ASSERT_EQ(document->lastSlider(), 2);

    button(*document, DPXMovieFile::kGotoOutButtonID).performClick();
    EXPECT_EQ(document->lastSlider(), 6);
    EXPECT_EQ(frameSlider(*document).intValue(), 6);
    EXPECT_EQ(document->window()->title(), "shot_0007.dpx");
    EXPECT_EQ(descriptionLine(*document, 0), "shot_0007.dpx");

    button(*document, DPXMovieFile::kGotoInButtonID).performClick();
    EXPECT_EQ(document->lastSlider(), 0);
    EXPECT_EQ(document->fileString(), dir.file("shot_0001.dpx"));

    frameSlider(*document).userMoveTo(4);
    document->markOut();
    frameSlider(*document).userMoveTo(1);
    document->markIn();
    document->gotoOut();
    EXPECT_EQ(document->lastSlider(), 4);
    document->gotoIn();
    EXPECT_EQ(document->lastSlider(), 1);
}
