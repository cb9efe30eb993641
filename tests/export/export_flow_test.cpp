// The export as the window drives it: the Translate button, the save panel and its movie kind, the
// progress timer, cancelling, giving up, the end with its alerts, and the document's lifetime.
#include "export/export_fixtures.h"
#include "support/open_gate.h"
#include "support/test_support.h"

#include "app/my_app_controller.h"
#include "platform/log.h"
#include "platform/movie/movie_check.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace exportfixtures;
using testsupport::FrameSpec;
using testsupport::TempDir;

FrameSpec smallFrame() {
    FrameSpec fileSpec;
    fileSpec.width = 16;
    fileSpec.height = 8;
    fileSpec.timecode = testsupport::timecodeWord(1, 0, 0, 0);
    return fileSpec;
}

/// Answers every save panel with OK: the path (none: the proposal) and the option cell's tag.
void answerPanels(HeadlessSession& session, std::optional<std::string> path, int kindTag) {
    session.framework().setSavePanelResponder([path, kindTag](fw::HeadlessSavePanel& panel) {
        if (path)
            panel.setFilename(*path);
        // A file that exists makes the panel ask "Replace?"; the user says yes.
        std::error_code ec;
        panel.setReplaceConfirmed(path && std::filesystem::exists(*path, ec));
        panel.accessoryView()
            ->find<fw::Matrix>(DPXMovieFile::kSaveOptionMatrixID)
            ->selectCellWithTag(kindTag);
        return fw::SavePanel::OKButton;
    });
}

/// Lets the panel's answer arrive, then runs the main run loop until the export has ended.
bool runToEnd(HeadlessSession& session, const DPXMovieFile& document) {
    session.framework().mainRunLoop().pumpOnce();
    return session.framework().mainRunLoop().runUntil([&] { return !document.exportInProgress(); },
                                                      std::chrono::seconds(60));
}

/// A sequence of `count` names for one small frame file: cheap to make, slow enough to export.
std::string manyFrames(const TempDir& dir, int count) {
    writeSequence(dir.file(""), "f_", 1, smallFrame());
    for (int i = 2; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f_%05d.dpx", i);
        std::filesystem::create_hard_link(dir.path() / "f_0001.dpx", dir.path() / name);
    }
    return dir.file("f_0001.dpx");
}

TEST(ExportFlow, TranslateAsksForTheMovieAndWritesTheChosenKind) {
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 5, smallFrame());
    HeadlessSession session;
    auto document = openDocument(session, dir.file("shot_0003.dpx"));
    answerPanels(session, dir.file("clip.mp4"), 1);

    document->translateButton()->performClick();
    const auto& panels = session.framework().savePanelsShown();
    ASSERT_EQ(panels.size(), 1u);
    EXPECT_EQ(panels[0].directory, dir.file("").substr(0, dir.file("").size() - 1));
    EXPECT_EQ(panels[0].proposedFile, "shot_.mov");
    EXPECT_EQ(panels[0].window, document->window());
    ASSERT_TRUE(runToEnd(session, *document));

    // The extension preference (on) made it a .mov, and the name is remembered.
    EXPECT_FALSE(std::filesystem::exists(dir.file("clip.mp4")));
    EXPECT_EQ(session.controller().defaultFileName(), "clip.mov");
    MovieInspection inspection;
    ASSERT_EQ(InspectMovie(dir.file("clip.mov"), inspection), noErr);
    EXPECT_FALSE(inspection.selfContained);
    EXPECT_EQ(inspection.references.size(), 5u);
    EXPECT_TRUE(document->exportOutcome().complete());
    EXPECT_EQ(document->translateButton()->title(), "Translate...");
    EXPECT_TRUE(document->progressText()->isHidden());
    EXPECT_TRUE(document->progressIndicator()->isHidden());
    EXPECT_FALSE(document->descriptText()->isHidden());
    EXPECT_EQ(document->exportResultLine(), "clip.mov: 5 of 5 frames, reference");
    auto* showMovie = document->window()->find<fw::Button>(DPXMovieFile::kShowMovieButtonID);
    ASSERT_TRUE(showMovie && !showMovie->isHidden());
    showMovie->performClick();
    EXPECT_EQ(session.framework().revealedPath(), dir.file("clip.mov"));
    EXPECT_EQ(document->timer(), nullptr);
    EXPECT_TRUE(session.framework().alertsShown().empty());
}

TEST(ExportFlow, WithoutTheExtensionPreferenceThePathStaysAsChosen) {
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 2, smallFrame());
    HeadlessSession session({{"DefaultFileExt", false}});
    auto document = openDocument(session, dir.file("shot_0001.dpx"));
    answerPanels(session, dir.file("clip.mp4"), 0);
    document->translateButton()->performClick();
    EXPECT_EQ(session.framework().savePanelsShown().at(0).proposedFile, "shot_");
    ASSERT_TRUE(runToEnd(session, *document));
    EXPECT_TRUE(std::filesystem::exists(dir.file("clip.mp4")));
    EXPECT_EQ(session.controller().defaultFileName(), "clip.mp4");
}

TEST(ExportFlow, PanelCancelledLeavesTheDocumentIdle) {
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 2, smallFrame());
    HeadlessSession session;
    auto document = openDocument(session, dir.file("shot_0001.dpx"));
    session.framework().setSavePanelResponder(
        [](fw::HeadlessSavePanel&) { return fw::SavePanel::CancelButton; });
    document->translateButton()->performClick();
    session.framework().mainRunLoop().pumpOnce();
    EXPECT_FALSE(document->exportInProgress());
    EXPECT_EQ(document->translateButton()->title(), "Translate...");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(ExportFlow, ProgressThenCancelEndsWithACompleteShorterMovie) {
    REQUIRE_OPEN_GATE();
    TempDir dir;
    std::string first = manyFrames(dir, 40);
    HeadlessSession session;
    auto document = openDocument(session, first);
    answerPanels(session, dir.file("cut.mov"), 1);
    testsupport::OpenGate gate("f_00004.dpx"); // the worker is held as it opens frame 3
    document->translateButton()->performClick();
    session.framework().mainRunLoop().pumpOnce();
    ASSERT_TRUE(gate.waitUntilReached([&] { return document->currentFrame() == 3; }));
    ASSERT_TRUE(document->isConverting());
    EXPECT_EQ(document->translateButton()->title(), "Cancel");
    EXPECT_FALSE(document->progressText()->isHidden());
    EXPECT_TRUE(document->descriptText()->isHidden());

    // A tick while the worker runs: frames done of the total.
    document->TimerIRQ(*document->timer());
    EXPECT_EQ(document->progressText()->stringValue(), "3/40");
    EXPECT_DOUBLE_EQ(document->progressIndicator()->doubleValue(), 3 / 40.0);

    document->translateButton()->performClick(); // Cancel: the frame being written is the last
    EXPECT_EQ(document->outFrame(), 4);
    gate.release();
    ASSERT_TRUE(runToEnd(session, *document));
    const ExportOutcome& outcome = document->exportOutcome();
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_TRUE(outcome.problem.empty());
    const int32_t out = 4;
    EXPECT_EQ(document->outFrame(), out); // the out point keeps the moved value
    EXPECT_EQ(outcome.framesWritten, out);
    EXPECT_EQ(document->translateButton()->title(), "Translate...");
    MovieInspection inspection;
    ASSERT_EQ(InspectMovie(dir.file("cut.mov"), inspection), noErr);
    ASSERT_TRUE(inspection.video);
    EXPECT_EQ(inspection.video->samples, uint32_t(out));
    ASSERT_EQ(inspection.tracks.size(), 2u);
    EXPECT_EQ(inspection.tracks[1].mediaDuration, inspection.video->mediaDuration);
    EXPECT_TRUE(session.framework().alertsShown().empty()); // cancelling is no failure
}

TEST(ExportFlow, AbortLeavesWhatStoodUnderTheNameAndNoFileOfItsOwn) {
    REQUIRE_OPEN_GATE();
    TempDir dir;
    std::string first = manyFrames(dir, 40);
    testsupport::writeFile(dir.file("old.mov"), {'o', 'l', 'd'});
    HeadlessSession session;
    auto document = openDocument(session, first);
    answerPanels(session, dir.file("old.mov"), 1);
    testsupport::OpenGate gate("f_00004.dpx");
    document->translateButton()->performClick();
    session.framework().mainRunLoop().pumpOnce();
    ASSERT_TRUE(gate.waitUntilReached());
    document->abortExport();
    gate.release();
    ASSERT_TRUE(runToEnd(session, *document));
    EXPECT_TRUE(document->exportOutcome().aborted);
    EXPECT_FALSE(document->exportOutcome().movieWritten);
    EXPECT_EQ(testsupport::readFile(dir.file("old.mov")), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 41);
}

TEST(ExportFlow, ReferenceWarningOnceAfterTheWindowIsIdleAndOnlyWhenFramesDiffer) {
    TempDir dir;
    FrameSpec fileSpec = smallFrame();
    writeSequence(dir.file(""), "mix_", 3, fileSpec);
    fileSpec.dataOffset = 4096;
    fileSpec.pixels = sequencePixels(fileSpec.width, fileSpec.height, 3);
    testsupport::writeFrameFile(dir.file("mix_0004.dpx"), fileSpec);
    HeadlessSession session;
    auto document = openDocument(session, dir.file("mix_0001.dpx"));
    std::string titleWhenAlerted;
    session.framework().setAlertResponder([&](fw::HeadlessAlert&) {
        titleWhenAlerted = document->translateButton()->title();
        return fw::Alert::DefaultReturn;
    });

    answerPanels(session, dir.file("a.mov"), 1);
    document->translateButton()->performClick();
    ASSERT_TRUE(runToEnd(session, *document));
    const auto& alerts = session.framework().alertsShown();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, "Warning");
    EXPECT_EQ(alerts[0].buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(
        alerts[0].informative,
        "Some source frames in this sequence had different sizes or file offsets. If you change or swap "
        "source .dpx frames you may have to re-build this reference Movie.");
    EXPECT_EQ(alerts[0].window, document->window());
    EXPECT_EQ(titleWhenAlerted, "Translate...");
    EXPECT_FALSE(document->referenceFramesDiffer());

    // A self-contained movie of the same frames: no warning. A reference movie of frames that agree: none.
    answerPanels(session, dir.file("b.mov"), 0);
    document->translateButton()->performClick();
    ASSERT_TRUE(runToEnd(session, *document));
    document->frameSlider()->setIntValue(2);
    document->frameSlider()->sendAction();
    document->markOut();
    answerPanels(session, dir.file("c.mov"), 1);
    document->translateButton()->performClick();
    ASSERT_TRUE(runToEnd(session, *document));
    EXPECT_EQ(session.framework().alertsShown().size(), 1u);
}

TEST(ExportFlow, AStoppedExportIsShownAsSuch) {
    TempDir dir;
    auto paths = writeSequence(dir.file(""), "shot_", 4, smallFrame());
    HeadlessSession session;
    auto document = openDocument(session, paths[0]);
    std::filesystem::remove(paths[2]);
    answerPanels(session, dir.file("m.mov"), 0);
    LogCapture log;
    document->translateButton()->performClick();
    ASSERT_TRUE(runToEnd(session, *document));
    session.framework().mainRunLoop().pumpOnce();
    const auto& alerts = session.framework().alertsShown();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, DPXMovieFile::kExportStoppedMessage);
    EXPECT_EQ(alerts[0].informative, "shot_0003.dpx: no such file. The movie "
                                     "holds the 2 of 4 frames written before it.");
    EXPECT_EQ(document->translateButton()->title(), "Translate...");
}

TEST(ExportFlow, TheDocumentLivesUntilItsWorkerAndTimerEnd) {
    TempDir dir;
    REQUIRE_OPEN_GATE();
    std::string first = manyFrames(dir, 40);
    HeadlessSession session;
    auto document = openDocument(session, first);
    answerPanels(session, dir.file("late.mov"), 1);
    testsupport::OpenGate gate("f_00004.dpx");
    document->translateButton()->performClick();
    session.framework().mainRunLoop().pumpOnce();
    ASSERT_TRUE(gate.waitUntilReached());
    ASSERT_TRUE(document->isConverting());
    std::weak_ptr<DPXMovieFile> weak = document;
    document->close();
    document.reset();
    EXPECT_FALSE(weak.expired());
    gate.release();
    ASSERT_TRUE(
        session.framework().mainRunLoop().runUntil([&] { return weak.expired(); }, std::chrono::seconds(60)));
    MovieInspection inspection;
    ASSERT_EQ(InspectMovie(dir.file("late.mov"), inspection), noErr);
    EXPECT_EQ(inspection.video->samples, 40u);
}

} // namespace

TEST(ExportFlow, ClosingTheWindowDuringAnExportAsksAndCancelsOnlyWhenTold) {
    REQUIRE_OPEN_GATE();
    TempDir dir;
    HeadlessSession session;
    auto document = openDocument(session, manyFrames(dir, 40));
    answerPanels(session, dir.file("closed.mov"), 0);
    testsupport::OpenGate gate("f_00004.dpx");
    document->translateButton()->performClick();
    session.framework().mainRunLoop().pumpOnce();
    ASSERT_TRUE(gate.waitUntilReached([&] { return document->currentFrame() == 3; }));

    int answer = fw::Alert::AlternateReturn; // Keep Working
    session.framework().setAlertResponder([&](fw::HeadlessAlert&) { return answer; });
    document->window()->performClose();
    session.framework().mainRunLoop().pumpOnce();
    ASSERT_EQ(session.framework().alertsShown().size(), 1u);
    EXPECT_EQ(session.framework().alertsShown()[0].message, DPXMovieFile::kExportRunningMessage);
    EXPECT_EQ(session.framework().alertsShown()[0].buttons,
              (std::vector<std::string>{"Cancel the Export", "Keep Working"}));
    EXPECT_FALSE(document->isClosed());
    EXPECT_TRUE(document->isConverting());

    answer = fw::Alert::DefaultReturn; // Cancel the Export
    document->window()->performClose();
    session.framework().mainRunLoop().pumpOnce();
    EXPECT_TRUE(document->isClosed());
    gate.release();
    ASSERT_TRUE(runToEnd(session, *document));
    EXPECT_TRUE(document->exportOutcome().cancelled);
    EXPECT_EQ(document->exportOutcome().framesWritten, 4);
    EXPECT_EQ(testsupport::runCli({"verify", dir.file("closed.mov")}).exitStatus, 0);
}
