// The export seen from the window: the save panel, the progress timer, cancelling, and the end with
// its alerts. Main thread, except doSaveInSeparateThread.
#include "document/dpx_movie_file.h"

#include "app/my_app_controller.h"
#include "document/movie_name.h"
#include "platform/framework/framework.h"
#include "platform/framework/path_ops.h"

#include <algorithm>
#include <pthread.h>
#include <system_error>
#include <thread>

namespace {

constexpr int kReferenceMovieTag = 1; // the option matrix's cell for a reference movie
constexpr double kProgressPeriod = 0.25;

} // namespace

void DPXMovieFile::saveDocumentAs() {
    if (isConverting()) {
        // Cancel: the worker finishes the frame it is writing and completes a shorter movie. After
        // the last frame there is nothing left to cancel, and the out point never moves past the
        // range that was confirmed (a later export would look for a frame that isn't there).
        setRange(m_inFrame.load(), std::min(m_currentFrame.load() + 1, m_outFrame.load()));
        return;
    }
    // An export reads the frames the player would: playing stops first.
    stopPlayback();
    // Finishing: the worker has ended and the next tick shows the end; the button still reads Cancel.
    if (exportInProgress())
        return;
    const std::string name = getDefaultFileNameString();
    std::shared_ptr<fw::SavePanel> panel = framework().savePanel();
    panel->setAccessoryView(m_savePanelAccessory.get());
    std::weak_ptr<DPXMovieFile> named = sharedDocument();
    panel->setFinalName([named](const std::string& chosen) {
        std::shared_ptr<DPXMovieFile> document = named.lock();
        return document ? document->movieFileNameOf(chosen) : chosen;
    });
    std::weak_ptr<DPXMovieFile> weak = sharedDocument();
    panel->beginSheetForDirectory(m_directoryPath, name, windowForSheet(),
                                  [weak](fw::SavePanel& sheet, int code) {
                                      if (std::shared_ptr<DPXMovieFile> document = weak.lock())
                                          document->savePanelDidEnd(sheet, code, nullptr);
                                  });
}

std::string DPXMovieFile::movieFileNameOf(const std::string& chosen) const {
    const MyAppController* app = appController();
    return app && !app->defaultQTFileExtension() ? chosen : withMovieExtension(chosen);
}

void DPXMovieFile::closeRequested() {
    if (!isConverting()) {
        close();
        return;
    }
    std::shared_ptr<fw::Alert> alert = framework().alertWithMessageText(
        kExportRunningMessage, "Cancel the Export", "Keep Working", "",
        "Closing the window cancels the export: the movie keeps the frames written so far, complete.");
    std::weak_ptr<DPXMovieFile> weak = sharedDocument();
    alert->beginSheetModalForWindow(windowForSheet(), [weak](fw::Alert&, int code) {
        std::shared_ptr<DPXMovieFile> document = weak.lock();
        if (!document || code != fw::Alert::DefaultReturn)
            return;
        if (document->isConverting())
            document->saveDocumentAs(); // Cancel: the worker completes the shorter movie on its own
        document->close();
    });
}

void DPXMovieFile::savePanelDidEnd(fw::SavePanel& panel, int returnCode, void* contextInfo) {
    (void)contextInfo;
    // A second confirmation while an export runs would share its fields.
    if (returnCode != fw::SavePanel::OKButton || exportInProgress())
        return;
    m_bMakeReferenceMovie = m_saveOptionMatrix && m_saveOptionMatrix->selectedCellTag() == kReferenceMovieTag;
    MyAppController* app = appController();
    m_saveName = movieFileNameOf(panel.filename());
    if (app)
        app->setDefaultFileName(fw::lastPathComponent(m_saveName));

    m_exportSettings = exportSettingsFor(m_saveName, m_bMakeReferenceMovie);
    m_exportSettings.flushOnClose = m_bFlushMovieOnClose;
    m_exportSettings.replaceExisting = panel.replaceConfirmed();
    m_exportOutcome = ExportOutcome{};
    m_bAbortExport.store(false);
    m_currentFrame.store(m_exportSettings.inFrame);
    m_totalFrames.store(m_exportSettings.outFrame - m_exportSettings.inFrame);
    m_bConverting.store(true);

    if (m_translateButton)
        m_translateButton->setTitle("Cancel");
    if (m_progressText) {
        m_progressText->setStringValue("");
        m_progressText->setHidden(false);
    }
    if (m_descriptText)
        m_descriptText->setHidden(true);
    if (m_exportResultText)
        m_exportResultText->setHidden(true);
    if (m_showMovieButton)
        m_showMovieButton->setHidden(true);
    if (m_progressIndicator) {
        m_progressIndicator->setMinValue(0.0);
        m_progressIndicator->setMaxValue(1.0);
        m_progressIndicator->setHidden(false);
        m_progressIndicator->setDoubleValue(0.0);
    }
    startTimerWithPeriod(kProgressPeriod);

    m_bWorkerRunning = true;
    try {
        std::thread(&DPXMovieFile::doSaveInSeparateThread, this, sharedDocument()).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the export ends before it began, and the next tick says so.
        m_bWorkerRunning = false;
        m_exportOutcome.moviePath = m_saveName;
        m_exportOutcome.framesRequested = m_totalFrames.load();
        recordExportStop(memFullErr, "the export could not be started");
        m_bConverting.store(false);
    }
}

void DPXMovieFile::doSaveInSeparateThread(std::shared_ptr<DPXMovieFile> self) {
    // Named, as are the threads that read frames ahead for it ("export-read"), for whoever looks
    // at the process's threads.
    pthread_setname_np(pthread_self(), "export");
    saveMovie();
    fw::RunLoop& mainRunLoop = framework().mainRunLoop();
    // The last store: it publishes the outcome and everything else the worker wrote.
    m_bConverting.store(false, std::memory_order_release);
    // The document must end on the main thread (its window and controls live there): the worker's
    // share goes back to it. Nothing of the document is touched after this.
    mainRunLoop.performOnMainThread([document = std::move(self)] { document->m_bWorkerRunning = false; });
}

void DPXMovieFile::startTimerWithPeriod(double seconds) {
    stopTimer();
    std::shared_ptr<DPXMovieFile> self = sharedDocument();
    m_timer = framework().mainRunLoop().scheduledTimerWithTimeInterval(
        seconds, true, [self](fw::Timer& timer) { self->TimerIRQ(timer); });
}

void DPXMovieFile::stopTimer() {
    if (!m_timer)
        return;
    // The timer's callback holds a share of the document: keep one while letting go of it.
    std::shared_ptr<DPXMovieFile> self = sharedDocument();
    m_timer->invalidate();
    m_timer.reset();
}

void DPXMovieFile::TimerIRQ(fw::Timer& timer) {
    (void)timer;
    if (isConverting()) {
        const int32_t done = m_currentFrame.load() - m_exportSettings.inFrame;
        const int32_t total = m_totalFrames.load();
        if (m_progressIndicator && total > 0)
            m_progressIndicator->setDoubleValue(double(done) / double(total));
        if (m_progressText)
            m_progressText->setStringValue(std::to_string(done) + "/" + std::to_string(total));
        return;
    }
    stopTimer();
    showExportEnd();
}

void DPXMovieFile::showExportEnd() {
    if (m_translateButton)
        m_translateButton->setTitle(kTranslateTitle);
    if (m_progressText)
        m_progressText->setHidden(true);
    if (m_progressIndicator)
        m_progressIndicator->setHidden(true);
    if (m_descriptText)
        m_descriptText->setHidden(false);
    m_saveName.clear();

    const ExportOutcome& outcome = m_exportOutcome;
    if (m_exportResultText) {
        m_exportResultText->setStringValue(exportResultLine());
        m_exportResultText->setHidden(false);
    }
    if (m_showMovieButton)
        m_showMovieButton->setHidden(!outcome.movieWritten);
    if (outcome.problem.empty()) {
        showReferenceWarningIfDue();
        return;
    }
    // An export that stopped on a failure says so; the warning, when due, follows it.
    std::string text = outcome.problem + ". ";
    if (outcome.movieWritten)
        text += "The movie holds the " + std::to_string(outcome.framesWritten) + " of " +
                std::to_string(outcome.framesRequested) + " frames written before it.";
    else
        text += "No movie was written.";
    std::shared_ptr<fw::Alert> alert =
        framework().alertWithMessageText(kExportStoppedMessage, "OK", "", "", text);
    std::weak_ptr<DPXMovieFile> weak = sharedDocument();
    alert->beginSheetModalForWindow(windowForSheet(), [weak](fw::Alert&, int) {
        if (std::shared_ptr<DPXMovieFile> document = weak.lock())
            document->showReferenceWarningIfDue();
    });
}

std::string DPXMovieFile::exportResultLine() const {
    const ExportOutcome& outcome = m_exportOutcome;
    if (outcome.moviePath.empty())
        return {};
    const std::string name = fw::lastPathComponent(outcome.moviePath);
    const std::string counts = std::to_string(outcome.framesWritten) + " of " +
                               std::to_string(outcome.framesRequested) + " frames";
    if (!outcome.movieWritten)
        return name + ": no movie written" + (outcome.problem.empty() ? "" : " (" + outcome.problem + ")");
    if (!outcome.problem.empty())
        return name + ": stopped: " + counts + " written";
    if (outcome.cancelled)
        return name + ": cancelled: " + counts + " kept";
    return name + ": " + counts + ", " + (m_bMakeReferenceMovie ? "reference" : "self-contained");
}

void DPXMovieFile::showReferenceWarningIfDue() {
    // Only about a movie that was written.
    if (m_bMakeReferenceMovie && m_bReferenceFramesDiffer.load() && m_exportOutcome.movieWritten) {
        framework()
            .alertWithMessageText(kWarningMessage, "OK", "", "", kReferenceWarningText)
            ->beginSheetModalForWindow(windowForSheet(), nullptr);
    }
    m_bReferenceFramesDiffer.store(false);
}

void DPXMovieFile::abortExport() {
    if (isConverting())
        m_bAbortExport.store(true);
}
