// The document window's set-up from the application's defaults, the frame-rate and codec popups,
// the tab rule and a failed opening.
#include "document_fixtures.h"

#include "app/my_app_controller.h"
#include "platform/framework/headless/headless_window.h"
#include "platform/log.h"

#include <gtest/gtest.h>

using namespace testsupport;
using namespace docfixtures;
using fw::DefaultsValue;

namespace {

struct RateRow {
    int tag;
    int32_t timescale;
    int32_t duration;
    Fixed rate;
    bool dropFrame;
};

// The frame-rate table as the window must apply it.
const RateRow kRates[] = {
    {0, 2997, 125, 0x0017F9DB, false}, {1, 3000, 125, 0x00180000, false}, {2, 2500, 100, 0x00190000, false},
    {3, 2997, 100, 0x001DF851, true},  {4, 2997, 100, 0x001DF851, false}, {5, 3000, 100, 0x001E0000, false},
    {6, 5000, 100, 0x00320000, false}, {7, 5994, 100, 0x003BF0A3, false}, {8, 6000, 100, 0x003C0000, false},
};

void expectRate(const DPXMovieFile& document, const RateRow& row) {
    EXPECT_EQ(document.movieTimescale(), row.timescale) << "tag " << row.tag;
    EXPECT_EQ(document.frameDuration(), row.duration) << "tag " << row.tag;
    EXPECT_EQ(document.frameRate(), row.rate) << "tag " << row.tag;
    EXPECT_EQ(document.tcDropFrame(), row.dropFrame) << "tag " << row.tag;
}

} // namespace

TEST(DocumentWindow, FirstStartOpensWithTheRegisteredDefaultsAndWritesThemBack) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 3));
    HeadlessSession session;
    std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("shot_0002.dpx"));
    ASSERT_TRUE(document);

    EXPECT_EQ(frameRatePopup(*document).indexOfSelectedItem(), 0);
    EXPECT_EQ(codecPopup(*document).indexOfSelectedItem(), 0);
    expectRate(*document, kRates[0]);
    EXPECT_EQ(document->codecType(), FourCC("R10k"));
    EXPECT_EQ(document->sourceID(), "");
    EXPECT_EQ(sourceIDField(*document).stringValue(), "");
    // The set-up writes the rate, the codec and the derived source ID back at once.
    fw::MemoryUserDefaults& defaults = session.userDefaults();
    EXPECT_EQ(defaults.writeCount("FrameRate"), 1);
    EXPECT_EQ(defaults.writeCount("Codec"), 1);
    EXPECT_EQ(defaults.objectForKey("FrameRate"), DefaultsValue(int32_t(0)));
    EXPECT_EQ(defaults.objectForKey("Codec"), DefaultsValue(int32_t(0)));
    EXPECT_TRUE(defaults.hasStoredValue("SourceID"));

    // Opened and shown: the window sized for the frames, the slider on the opened frame.
    fw::Window* window = document->window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->title(), "shot_0002.dpx");
    // A 4 x 2 frame is far smaller than the screen: it shows at its own pixels.
    EXPECT_EQ(window->contentSize(), (NSSize{4 + fw::HeadlessWindow::kControlsRoom.width,
                                             2 + fw::HeadlessWindow::kControlsRoom.height}));
    EXPECT_TRUE(frameSlider(*document).isEnabled());
    EXPECT_EQ(frameSlider(*document).minValue(), 0.0);
    EXPECT_EQ(frameSlider(*document).maxValue(), 2.0);
    EXPECT_EQ(frameSlider(*document).intValue(), 1);
    EXPECT_TRUE(document->translateButton()->isEnabled());
    EXPECT_EQ(document->translateButton()->title(), "Translate...");
    EXPECT_TRUE(document->progressIndicator()->isHidden());
    EXPECT_TRUE(document->progressText()->isHidden());
    EXPECT_EQ(description(*document), "shot_0002.dpx\n4x2\n3 frames: 0-2,  ~0.0 MBytes");
    EXPECT_EQ(document->imageView()->image(), document->previewImage());
    EXPECT_NE(document->previewImage(), nullptr);
    // The save panel's accessory: a self-contained movie unless the reference cell is chosen.
    ASSERT_NE(document->saveOptionMatrix(), nullptr);
    EXPECT_EQ(document->saveOptionMatrix()->selectedCellTag(), 0);
    EXPECT_EQ(document->saveOptionMatrix()->cellTagAtIndex(1), 1);
    EXPECT_EQ(document->savePanelAccessory()->find<fw::Matrix>(DPXMovieFile::kSaveOptionMatrixID),
              document->saveOptionMatrix());
}

TEST(DocumentWindow, StoredTagsThatNoItemCarriesGiveRowZeroAndStoreZero) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 2));
    HeadlessSession session({{"FrameRate", int32_t(9)}, {"Codec", int32_t(5)}});
    EXPECT_EQ(session.controller().defaultFrameRate(), 9);
    std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("shot_0001.dpx"));

    // No item is selected; the document takes tag 0 and stores it.
    EXPECT_EQ(frameRatePopup(*document).indexOfSelectedItem(), -1);
    EXPECT_EQ(codecPopup(*document).indexOfSelectedItem(), -1);
    expectRate(*document, kRates[0]);
    EXPECT_EQ(document->codecType(), FourCC("R10k"));
    EXPECT_EQ(session.userDefaults().objectForKey("FrameRate"), DefaultsValue(int32_t(0)));
    EXPECT_EQ(session.userDefaults().objectForKey("Codec"), DefaultsValue(int32_t(0)));
    EXPECT_EQ(session.controller().defaultFrameRate(), 0);
    EXPECT_EQ(session.controller().defaultCodec(), 0);

    TempDir other; // another sequence: a frame of this one would bring its window forward
    writeFrames(other, shotNames(1, 2));
    std::shared_ptr<DPXMovieFile> next = session.openDocument(other.file("shot_0002.dpx"));
    EXPECT_EQ(frameRatePopup(*next).indexOfSelectedItem(), 0);
}

TEST(DocumentWindow, EveryFrameRateRowIsAppliedStoredAndTakenByTheNextDocument) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 2));
    HeadlessSession session;
    std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("shot_0001.dpx"));
    fw::HeadlessPopUpButton& popup = frameRatePopup(*document);
    ASSERT_EQ(popup.numberOfItems(), 9);
    for (const RateRow& row : kRates) {
        ASSERT_TRUE(popup.userSelectItemAtIndex(popup.indexOfItemWithTag(row.tag)));
        expectRate(*document, row);
        EXPECT_EQ(session.userDefaults().objectForKey("FrameRate"), DefaultsValue(int32_t(row.tag)));
    }
    // The same choice again is written again.
    const int writes = session.userDefaults().writeCount("FrameRate");
    popup.userSelectItemAtIndex(popup.indexOfSelectedItem());
    EXPECT_EQ(session.userDefaults().writeCount("FrameRate"), writes + 1);

    popup.userSelectItemAtIndex(popup.indexOfItemWithTag(3));
    std::shared_ptr<DPXMovieFile> next = session.openDocument(dir.file("shot_0002.dpx"));
    EXPECT_EQ(frameRatePopup(*next).selectedTag(), 3);
    expectRate(*next, kRates[3]);

    // An item whose tag is outside 0-8 gives the 23.976 row; the tag is stored as it came.
    popup.setTagOfItemAtIndex(8, 12);
    popup.userSelectItemAtIndex(8);
    expectRate(*document, kRates[0]);
    EXPECT_EQ(session.userDefaults().objectForKey("FrameRate"), DefaultsValue(int32_t(12)));
    popup.setTagOfItemAtIndex(7, -3);
    popup.userSelectItemAtIndex(7);
    expectRate(*document, kRates[0]);
    EXPECT_EQ(session.controller().defaultFrameRate(), -3);
}

TEST(DocumentWindow, CodecTagOneIsR10gAndEveryOtherTagR10k) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 2));
    HeadlessSession session({{"Codec", int32_t(1)}});
    std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("shot_0001.dpx"));
    fw::HeadlessPopUpButton& popup = codecPopup(*document);
    EXPECT_EQ(popup.selectedTag(), 1);
    EXPECT_EQ(document->codecType(), FourCC("R10g"));

    popup.userSelectItemAtIndex(popup.indexOfItemWithTag(0));
    EXPECT_EQ(document->codecType(), FourCC("R10k"));
    EXPECT_EQ(session.userDefaults().objectForKey("Codec"), DefaultsValue(int32_t(0)));
    popup.setTagOfItemAtIndex(0, 2);
    popup.userSelectItemAtIndex(1);
    popup.userSelectItemAtIndex(0);
    EXPECT_EQ(document->codecType(), FourCC("R10k"));
    EXPECT_EQ(session.userDefaults().objectForKey("Codec"), DefaultsValue(int32_t(2)));
}

TEST(DocumentWindow, AFailedOpeningShowsTheErrorWithTranslateAndSliderDisabled) {
    TempDir dir;
    FrameSpec swapped;
    swapped.littleEndian = true;
    writeFrameFile(dir.file("le_0001.dpx"), swapped);
    writeFrames(dir, {"le_0002.dpx"});
    LogCapture log;
    HeadlessSession session({{"DefaultSourceIDType", int32_t(2)}});
    std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("le_0001.dpx"));
    ASSERT_TRUE(document);

    EXPECT_EQ(document->currentFileCode(), 0);
    EXPECT_EQ(description(*document),
              "Error: couldn't open file\nlittle-endian DPX: its pixels would have to be converted");
    EXPECT_FALSE(document->translateButton()->isEnabled());
    EXPECT_FALSE(frameSlider(*document).isEnabled());
    for (const char* id : {DPXMovieFile::kMarkInButtonID, DPXMovieFile::kGotoInButtonID,
                           DPXMovieFile::kGotoOutButtonID, DPXMovieFile::kMarkOutButtonID})
        EXPECT_FALSE(document->window()->find<fw::Button>(id)->isEnabled()) << id;
    EXPECT_FALSE(document->window()->isVisible()); // shown only when the user's open displays it
    EXPECT_EQ(document->sourceID(), "");           // the in-point file of no sequence
    EXPECT_EQ(session.userDefaults().objectForKey("SourceID"), DefaultsValue(std::string()));
    EXPECT_EQ(document->window()->contentSize(), document->initialContentSize());
    // The document stays open until the user closes it.
    EXPECT_EQ(session.controller().documents().size(), 1u);

    // Nothing to browse or mark: the error text stays and the range stays empty.
    document->markIn();
    document->markOut();
    document->gotoIn();
    document->gotoOut();
    EXPECT_EQ(description(*document),
              "Error: couldn't open file\nlittle-endian DPX: its pixels would have to be converted");
    EXPECT_EQ(document->inFrame(), 0);
    EXPECT_EQ(document->outFrame(), 0);
    tabs(*document).userSelectTab(1);
    tabs(*document).userSelectTab(0);
    EXPECT_FALSE(frameSlider(*document).isEnabled());
    EXPECT_EQ(log.count("Couldn't open VideoOut!\n"), 0); // no frame was ever shown
}

TEST(DocumentWindow, TheSliderIsEnabledOnTheFirstTabOnlyAndNeverWhenSetUpDisabled) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 4));
    writeFrames(dir, {"single.dpx"});
    HeadlessSession session;
    std::shared_ptr<DPXMovieFile> sequence = session.openDocument(dir.file("shot_0001.dpx"));
    fw::HeadlessTabView& tabView = tabs(*sequence);
    ASSERT_EQ(tabView.numberOfTabViewItems(), 2);
    EXPECT_EQ(tabView.indexOfSelectedTabViewItem(), 0);
    ASSERT_TRUE(tabView.userSelectTab(1));
    EXPECT_FALSE(frameSlider(*sequence).isEnabled());
    ASSERT_TRUE(tabView.userSelectTab(0));
    EXPECT_TRUE(frameSlider(*sequence).isEnabled());

    std::shared_ptr<DPXMovieFile> single = session.openDocument(dir.file("single.dpx"));
    EXPECT_EQ(single->frameCount(), 1);
    EXPECT_FALSE(frameSlider(*single).isEnabled());
    EXPECT_EQ(descriptionLine(*single, 2), "1 frame: 0-0,  ~0.0 MBytes");
    tabs(*single).userSelectTab(1);
    tabs(*single).userSelectTab(0);
    EXPECT_FALSE(frameSlider(*single).isEnabled());
}

TEST(DocumentWindow, EachShownFrameReportsTheMissingOutputControllerAndOneIsTakenWhenPresent) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 3));
    {
        LogCapture log;
        StartupServices none;
        none.makeVideoOut = [](OSType, OSType, OSType) { return std::unique_ptr<VideoOutController>(); };
        HeadlessSession session({}, none);
        EXPECT_EQ(session.controller().videoOut(), nullptr);
        std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("shot_0001.dpx"));
        EXPECT_EQ(document->videoOut(), nullptr);
        // The opening's frame, then the window coming to the front.
        EXPECT_EQ(log.count("Couldn't open VideoOut!\n"), 2);
        frameSlider(*document).userMoveTo(2);
        EXPECT_EQ(log.count("Couldn't open VideoOut!\n"), 3);
        EXPECT_EQ(document->startVideoOut(), -1);
    }

    class QuietVideoOut : public VideoOutController {
    public:
        bool enabled() const override { return false; }
        int32_t displayMode() const override { return 0; }
        OSErr StartVideoOutForFrame(Ptr, Handle, OSType, Fixed, int32_t) override { return 0; }
        void StopVideoOut() override {}
        void menuNeedsUpdate(fw::Menu&) override {}
    };
    StartupServices services;
    services.makeVideoOut = [](OSType, OSType, OSType) { return std::make_unique<QuietVideoOut>(); };
    LogCapture log;
    HeadlessSession session({}, services);
    std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("shot_0001.dpx"));
    EXPECT_EQ(document->videoOut(), session.controller().videoOut());
    EXPECT_NE(document->videoOut(), nullptr);
    EXPECT_EQ(log.count("Couldn't open VideoOut!\n"), 0);
}

TEST(DocumentWindow, AClosedDocumentIsReleased) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 2));
    HeadlessSession session;
    std::weak_ptr<DPXMovieFile> weak;
    {
        std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("shot_0001.dpx"));
        weak = document;
        document->window()->performClose();
    }
    EXPECT_TRUE(weak.expired());
    EXPECT_TRUE(session.controller().documents().empty());
}

TEST(DocumentWindow, TheNextWindowOpensAtTheSizeTheUserLastGaveOneAndThePictureSwitchesToItsPixels) {
    // Three sequences: a frame of one already open would bring its window to the front.
    TempDir a, b, c;
    for (const TempDir* dir : {&a, &b, &c})
        writeFrames(*dir, shotNames(1, 2));
    HeadlessSession session;
    session.framework().setScreenVisibleSize({1280, 720});
    std::shared_ptr<DPXMovieFile> first = session.openDocument(a.file("shot_0001.dpx"));
    auto* window = dynamic_cast<fw::HeadlessWindow*>(first->window());
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(first->pictureAtActualSize());
    first->setPictureAtActualSize(true);
    EXPECT_EQ(first->imageView()->imageScaling(), fw::ImageScaling::None);

    // Sizes set from code are not the user's; the one the user drags to is kept for the next.
    window->setContentSize({300, 300});
    EXPECT_FALSE(session.userDefaults().hasStoredValue(prefkey::kDocumentWindowSize));
    window->resizeAsUser({900, 640});
    EXPECT_EQ(session.userDefaults().objectForKey(prefkey::kDocumentWindowSize), DefaultsValue(std::string("900x640")));
    std::shared_ptr<DPXMovieFile> second = session.openDocument(b.file("shot_0001.dpx"));
    EXPECT_EQ(second->window()->contentSize(), (NSSize{900, 640}));
    EXPECT_FALSE(second->pictureAtActualSize());

    // The latest size wins; a screen smaller than it bounds it.
    dynamic_cast<fw::HeadlessWindow&>(*second->window()).resizeAsUser({2000, 1000});
    std::shared_ptr<DPXMovieFile> third = session.openDocument(c.file("shot_0001.dpx"));
    EXPECT_EQ(third->window()->contentSize(), (NSSize{1280, 720}));
}

TEST(DocumentWindow, AFrameLinkedIntoAnotherSequenceOpensThatSequencesOwnWindow) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 2));
    std::filesystem::create_directory(dir.path() / "other");
    std::filesystem::create_hard_link(dir.path() / "shot_0001.dpx", dir.path() / "other" / "take_0001.dpx");
    std::filesystem::create_symlink(dir.path() / "shot_0002.dpx", dir.path() / "alias.dpx");
    HeadlessSession session;
    std::shared_ptr<DPXMovieFile> shot = session.openDocument(dir.file("shot_0001.dpx"));
    // The same file under another folder's name belongs to that folder's sequence (two sequences
    // exported at once once drove one window); a symbolic link leads to the open sequence's frame.
    std::shared_ptr<DPXMovieFile> take = session.openDocument(dir.file("other/take_0001.dpx"));
    EXPECT_NE(take, shot);
    EXPECT_EQ(take->fileBaseName(), "take_");
    EXPECT_EQ(session.openDocument(dir.file("alias.dpx")), shot);
}
