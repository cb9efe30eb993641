// Walks the desktop application through its windows on a real display and writes a picture of each:
//   gui_screenshot_tour FIRST_FRAME OUT_DIR
// The document window (both tabs, and playing), a movie opened as a document and a reference
// movie's missing frame, the save sheet with its accessory, the window mid-export, the
// failure alert, the preferences, the help window, the output monitor and the start window, each
// grabbed from its widget, and the whole screen with the sheet and the alert on their window.
#include "gui/desktop_application.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <cstdlib>
#include <fstream>

#include <cstdio>
#include <filesystem>

namespace {

QString outDir;
int failures = 0;

/// One turn of the event loop as exec() would run it, objects let go of with deleteLater included.
void turn() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool waitFor(const std::function<bool()>& done, int milliseconds = 20000) {
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        turn();
        QThread::msleep(5);
    }
    return true;
}

void settle() {
    // Lets the window system map and paint what was just shown.
    QDeadlineTimer deadline(400);
    while (!deadline.hasExpired()) {
        turn();
        QThread::msleep(10);
    }
}

void save(const QPixmap& picture, const char* name) {
    const QString path = outDir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    if (picture.isNull() || !picture.save(path)) {
        std::fprintf(stderr, "screenshots: could not write %s\n", qPrintable(path));
        ++failures;
        return;
    }
    std::printf("%s (%d x %d)\n", qPrintable(path), picture.width(), picture.height());
}

void grabWidget(QWidget* widget, const char* name) {
    settle();
    save(widget->grab(), name);
}

void grabScreen(const char* name) {
    settle();
    save(QGuiApplication::primaryScreen()->grabWindow(0), name);
}

QWidget* windowOf(const DPXMovieFile& document) {
    return static_cast<fw::QtWindow*>(document.window())->widget();
}

template <class T> T* sheetOn(const DPXMovieFile& document, const char* name) {
    T* sheet = nullptr;
    waitFor([&] {
        sheet = windowOf(document)->findChild<T*>(QString::fromLatin1(name));
        return sheet && sheet->isVisible();
    });
    return sheet;
}

bool exportTo(const DPXMovieFile& document, const QString& path, bool grabSheet) {
    document.translateButton()->performClick();
    QFileDialog* sheet = sheetOn<QFileDialog>(document, fw::QtSavePanel::kObjectName);
    if (!sheet)
        return false;
    sheet->selectFile(path);
    if (grabSheet) {
        grabWidget(sheet, "save-sheet");
        grabScreen("screen-save-sheet");
    }
    static_cast<QDialog*>(sheet)->accept();
    return waitFor([&] { return document.exportInProgress(); });
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication qt(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: gui_screenshot_tour FIRST_FRAME OUT_DIR\n");
        return 2;
    }
    const std::string first = argv[1];
    outDir = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(outDir);
    const std::filesystem::path work = std::filesystem::path(outDir.toStdString()) / "tour-work";
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);

    DesktopApplication app;
    grabWidget(static_cast<fw::QtWindow&>(app.startWindow()).widget(), "start-window");

    auto document = app.openFiles({first}).at(0);
    QWidget* window = windowOf(*document);
    window->move(40, 40);
    // A frame in the middle with a marked range, as a user would leave it.
    document->frameSlider()->setIntValue(document->frameCount() / 2);
    document->frameSlider()->sendAction();
    grabWidget(window, "document-preview");
    auto* tabs = window->findChild<QTabWidget*>(DPXMovieFile::kTabViewID);
    tabs->setCurrentIndex(1);
    grabWidget(window, "document-settings");
    tabs->setCurrentIndex(0);

    if (exportTo(*document, QString::fromStdString((work / "tour.mov").string()), true)) {
        // screenshots.sh preloads the tests' open gate, which holds the worker at frame 9: the
        // picture is of an export under way however fast the machine is.
        const char* gate = std::getenv("REELMAKER_TEST_GATE_DIR");
        if (gate) {
            waitFor([&] { return std::filesystem::exists(std::filesystem::path(gate) / "reached"); });
            // The gate may hold a thread reading ahead: the picture waits for the worker to get there.
            waitFor([&] { return document->progressText()->stringValue() == "9/30"; });
        }
        waitFor([&] { return document->currentFrame() - document->exportSettings().inFrame >= 3; });
        waitFor([&] { return !document->progressText()->stringValue().empty(); });
        grabWidget(window, "document-exporting");
        if (document->isConverting())
            document->translateButton()->performClick(); // Cancel: the rest is not needed
        if (gate)
            std::ofstream(std::filesystem::path(gate) / "release").flush();
        waitFor([&] { return !document->exportInProgress(); }, 120000);
    } else {
        std::fprintf(stderr, "screenshots: the export did not begin\n");
        ++failures;
    }

    // Playing: the frame counter and the timecode follow the picture.
    document->gotoIn();
    document->setLoopPlayback(true);
    document->togglePlay();
    waitFor([&] { return document->lastSlider() >= 6 || !document->isPlaying(); });
    grabWidget(window, "document-playing");
    document->stopPlayback();
    document->setLoopPlayback(false);

    // The movie just written, opened as a document, on a sample in the middle.
    auto movie = app.openFiles({(work / "tour.mov").string()}).at(0);
    QWidget* movieWindow = windowOf(*movie);
    movieWindow->move(120, 120);
    if (movie->frameCount() > 1) {
        movie->frameSlider()->setIntValue(movie->frameCount() / 2);
        movie->frameSlider()->sendAction();
    }
    grabWidget(movieWindow, "movie-document");
    movie->close();

    // A copy of the sequence with its second frame deleted: the export stops there.
    const std::filesystem::path broken = work / "broken";
    std::filesystem::create_directories(broken);
    for (const std::string& name : document->fileList())
        std::filesystem::create_hard_link(
            std::filesystem::path(document->pathOfFrame(0)).parent_path() / name, broken / name);
    auto damaged = app.openFiles({(broken / document->fileList().front()).string()}).at(0);
    windowOf(*damaged)->move(80, 80);
    // A reference movie of the copy, made before the frame goes: its second sample shows the
    // placeholder and names the file.
    const std::string reference = (work / "reference.mov").string();
    const bool referenceMade = damaged->saveMovieWithSettings(damaged->exportSettingsFor(reference, true)) == noErr;
    std::filesystem::remove(broken / damaged->fileList().at(1));
    if (referenceMade) {
        auto missing = app.openFiles({reference}).at(0);
        windowOf(*missing)->move(160, 160);
        missing->frameSlider()->setIntValue(1);
        missing->frameSlider()->sendAction();
        grabWidget(windowOf(*missing), "movie-placeholder");
        missing->close();
    } else {
        std::fprintf(stderr, "screenshots: the reference movie was not written\n");
        ++failures;
    }
    if (exportTo(*damaged, QString::fromStdString((work / "broken.mov").string()), false)) {
        waitFor([&] { return !damaged->exportInProgress(); }, 120000);
        if (QMessageBox* alert = sheetOn<QMessageBox>(*damaged, fw::QtAlert::kObjectName)) {
            grabWidget(alert, "failure-alert");
            grabScreen("screen-failure-alert");
            alert->accept();
        }
    }
    damaged->close();

    auto& prefs = static_cast<fw::QtWindow&>(app.mainInterface().preferencesWindow());
    prefs.makeKeyAndOrderFront();
    prefs.widget()->move(660, 560); // no window manager places them: side by side
    grabWidget(prefs.widget(), "preferences");
    auto& help = static_cast<fw::QtWindow&>(app.mainInterface().helpWindow());
    help.makeKeyAndOrderFront();
    help.widget()->move(1420, 40);
    grabWidget(help.widget(), "help");

    document->showWindows(); // main again: its frame goes to the output
    app.monitor().showOnScreen();
    app.monitor().resize(768, 432);
    app.monitor().move(620, 40);
    grabWidget(&app.monitor(), "monitor");
    grabScreen("screen-monitor");

    std::filesystem::remove_all(work);
    return failures == 0 ? 0 : 1;
}
