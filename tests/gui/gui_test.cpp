// The desktop application's real widgets, driven as a user drives them: opening, browsing with the
// slider and the keys, marking, the settings and their next launch, the export through the sheet
// with its cancel, failure and warning, the output menus and monitor, and the help window.
#include "app/device_video_out.h"
#include "document/movie_document.h"
#include "document/window_size.h"
#include "gui/desktop_application.h"
#include "platform/component/software_output_device.h"
#include "platform/movie/decompress_surface.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_picture_view.h"
#include "support/frame_writer.h"
#include "support/manual_clock.h"
#include "gui/recent_files.h"
#include "support/open_gate.h"
#include "support/test_support.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>

using testsupport::FrameSpec;
using testsupport::TempDir;

namespace {

constexpr int kExportTimeoutMs = 120000;

/// A frame of one flat colour that differs from frame to frame.
FrameSpec flatFrame(int index, uint32_t width = 64, uint32_t height = 48) {
    FrameSpec fileSpec;
    fileSpec.width = width;
    fileSpec.height = height;
    fileSpec.timecode = testsupport::timecodeWord(1, 0, 0, 0);
    const uint32_t level = uint32_t(100 + 200 * index) % 1024;
    fileSpec.pixels =
        std::vector<uint32_t>(size_t(width) * height, testsupport::rgb10Word(level, 1023 - level, 512));
    return fileSpec;
}

/// shot_0001.dpx ... in `dir`; returns the path of the first.
std::string writeShots(const TempDir& dir, int count) {
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "shot_%04d.dpx", i);
        testsupport::writeFrameFile(dir.file(name), flatFrame(i));
    }
    return dir.file("shot_0001.dpx");
}

DesktopApplication::Options optionsFor(const TempDir& settings) {
    DesktopApplication::Options options;
    options.settingsPath = settings.file("Reelmaker.ini");
    options.startWindow = false;
    return options;
}

QWidget* windowWidget(const DPXMovieFile& document) {
    return static_cast<fw::QtWindow*>(document.window())->widget();
}

template <class T> T* child(const DPXMovieFile& document, const char* name) {
    return windowWidget(document)->findChild<T*>(QString::fromLatin1(name));
}

/// The sheet of that kind open on the document's window, once it shows.
QString labelText(const DPXMovieFile& document, const char* name) {
    auto* label = child<QLabel>(document, name);
    return label ? label->text() : QString();
}

template <class T> T* sheetOn(const DPXMovieFile& document, const char* name) {
    T* sheet = nullptr;
    (void)QTest::qWaitFor([&] {
        sheet = windowWidget(document)->findChild<T*>(QString::fromLatin1(name));
        return sheet && sheet->isVisible();
    });
    return sheet;
}

/// Clicks Translate, answers the sheet with `path` and the movie kind's cell; returns the sheet.
QFileDialog* translateTo(const DPXMovieFile& document, const std::string& path, int kindCell) {
    QTest::mouseClick(child<QPushButton>(document, DPXMovieFile::kTranslateButtonID), Qt::LeftButton);
    QFileDialog* sheet = sheetOn<QFileDialog>(document, fw::QtSavePanel::kObjectName);
    if (!sheet)
        return nullptr;
    auto* cell = sheet->findChild<QRadioButton*>(QStringLiteral("saveOptionMatrixCell%1").arg(kindCell));
    if (!cell)
        return nullptr;
    cell->click(); // all that a mouse click does, once laid out or not
    sheet->selectFile(QString::fromStdString(path));
    static_cast<QDialog*>(sheet)->accept();
    // The answer arrives at a later turn: the export has begun once the window shows it.
    return QTest::qWaitFor([&] { return document.exportInProgress(); }) ? sheet : nullptr;
}

QColor centrePixel(QWidget* widget) {
    const QImage picture = widget->grab().toImage();
    return picture.pixelColor(picture.width() / 2, picture.height() / 2);
}

QAction* actionTitled(QMenu* menu, const QString& title) {
    for (QAction* action : menu->actions()) {
        if (action->text() == title)
            return action;
    }
    return nullptr;
}

QMenu* mainSubmenu(DesktopApplication& app, const char* title) {
    fw::Menu* menu = app.mainMenu().submenu(title);
    return menu ? static_cast<fw::QtMenu*>(menu)->qmenu() : nullptr;
}

} // namespace

class GuiTest : public QObject {
    Q_OBJECT

private slots:
    void opensTheFilesNamedOnTheCommandLine();
    void opensTheFileChosenInTheOpenPanel();
    void theSliderChangesThePreviewAndTheTitle();
    void arrowsStepAndIOMarkButNotWhileTyping();
    void settingsAreStoredAndTheNextLaunchStartsFromThem();
    void translateThroughTheSheetWritesAMovie();
    void cancelMidExportGivesACompleteShorterMovie();
    void aFrameDeletedBeforeTheExportGivesTheAlertWithTheReason();
    void mixedDataOffsetsGiveTheReferenceWarningSheet();
    void outputMenusListTheDeviceAndItsModesAndTheMonitorShowsTheSurface();
    void theHelpWindowShowsTheHelpText();
    void aFrameDroppedOnAWindowOpens();
    void runLoopTimersAndWorkPostedFromOtherThreads();
    void moviesOpenAsDocumentsAndStepWithTheirSampleAndTimecode();
    void aMovieOfAnotherCodecGivesTheAlertWithTheReason();
    void spacePlaysOnTheClockAndStopsAtTheOutPoint();
    void aFrameSlowToReadIsDroppedWhilePlaying();
    void translateOfAMovieConsolidatesItsRange();
    void theSaveSheetNamesAndAsksAboutTheFileAsItWillBe();
    void openRecentTellsFilesOfOneNameApart();
    void longWarningsWrapInsteadOfWideningTheWindow();
    void quitEndsTheApplicationInOneStepAndAsksDuringAnExport();
    void windowsFitTheScreenKeepTheUsersSizeAndShowActualPixels();
};

void GuiTest::opensTheFilesNamedOnTheCommandLine() {
    TempDir dir, settings;
    const std::string first = writeShots(dir, 3);
    DesktopApplication app(optionsFor(settings));
    const std::vector<std::string> files = DesktopApplication::filesFromArguments(
        {"reelmaker-gui", "-style=fusion", QString::fromStdString(first)});
    QCOMPARE(files, std::vector<std::string>{first});
    const auto documents = app.openFiles(files);
    QCOMPARE(documents.size(), size_t(1));
    QWidget* window = windowWidget(*documents[0]);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("shot_0001.dpx"));
    QVERIFY(!child<QLabel>(*documents[0], DPXMovieFile::kDescriptTextID)->text().isEmpty());
    // The preview shows the frame's own bytes, without a copy.
    auto* view = static_cast<fw::QtImageView*>(documents[0]->imageView());
    QCOMPARE(view->qimage().constBits(),
             static_cast<const uchar*>(static_cast<void*>(documents[0]->frameBuffer())));
    QCOMPARE(view->qimage().size(), QSize(64, 48));
    // Opened files are offered again under File > Open Recent.
    QCOMPARE(app.recentFiles().paths().value(0), QString::fromStdString(first));
    // The same frame again, by another path to it, brings its window forward: no second window.
    const std::string again = dir.file(".") + "/" + std::filesystem::path(first).filename().string();
    QCOMPARE(app.openFiles({again}).at(0), documents[0]);
    // So does another frame of its sequence, whichever frame is on show.
    child<QSlider>(*documents[0], DPXMovieFile::kFrameSliderID)->triggerAction(QAbstractSlider::SliderToMaximum);
    QTRY_COMPARE(windowWidget(*documents[0])->windowTitle(), QStringLiteral("shot_0003.dpx"));
    QCOMPARE(app.openFiles({dir.file("shot_0001.dpx")}).at(0), documents[0]);
    QCOMPARE(app.openFiles({dir.file("shot_0002.dpx")}).at(0), documents[0]);
    QCOMPARE(app.controller().documents().size(), size_t(1));

    // A file that is no frame still gets its window, which says so.
    testsupport::writeFile(dir.file("notes.dpx"), {'h', 'e', 'l', 'l', 'o'});
    const auto refused = app.openFiles({dir.file("notes.dpx")});
    QCOMPARE(refused.size(), size_t(1));
    QVERIFY(windowWidget(*refused[0])->isVisible());
    // The window says that it failed, and why.
    QCOMPARE(child<QLabel>(*refused[0], DPXMovieFile::kDescriptTextID)->text(),
             QString::fromLatin1(DPXMovieFile::kOpenFailedText) + "\nunknown ID 'hell' (0x68656c6c)");
    QVERIFY(!child<QPushButton>(*refused[0], DPXMovieFile::kTranslateButtonID)->isEnabled());
}

void GuiTest::opensTheFileChosenInTheOpenPanel() {
    TempDir dir, settings;
    const std::string first = writeShots(dir, 2);
    DesktopApplication app(optionsFor(settings));
    QAction* open = actionTitled(mainSubmenu(app, "File"), MainMenu::kOpenTitle);
    QVERIFY(open);
    open->trigger();
    QFileDialog* panel = app.openPanel();
    QVERIFY(panel);
    QTRY_VERIFY(panel->isVisible());
    QVERIFY(panel->nameFilters().value(0).contains(QStringLiteral("*.dpx")));
    panel->selectFile(QString::fromStdString(dir.file("shot_0002.dpx")));
    static_cast<QDialog*>(panel)->accept();
    QTRY_COMPARE(app.controller().documents().size(), size_t(1));
    auto document = std::dynamic_pointer_cast<DPXMovieFile>(app.controller().documents()[0]);
    QCOMPARE(document->lastSlider(), 1);
    QVERIFY(windowWidget(*document)->isVisible());
}

void GuiTest::theSliderChangesThePreviewAndTheTitle() {
    TempDir dir, settings;
    DesktopApplication app(optionsFor(settings));
    auto document = app.openFiles({writeShots(dir, 3)}).at(0);
    QWidget* preview = child<QWidget>(*document, DPXMovieFile::kImageViewID);
    const QColor before = centrePixel(preview);
    auto* slider = child<QSlider>(*document, DPXMovieFile::kFrameSliderID);
    QCOMPARE(slider->maximum(), 2);
    QTest::mouseClick(slider, Qt::LeftButton); // focus, as a user's hand on the knob
    slider->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(document->lastSlider(), 2);
    QCOMPARE(windowWidget(*document)->windowTitle(), QStringLiteral("shot_0003.dpx"));
    const QColor after = centrePixel(preview);
    QVERIFY2(before != after, "the preview's pixels did not change");
}

void GuiTest::arrowsStepAndIOMarkButNotWhileTyping() {
    TempDir dir, settings;
    DesktopApplication app(optionsFor(settings));
    auto document = app.openFiles({writeShots(dir, 5)}).at(0);
    QWidget* window = windowWidget(*document);
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto* description = child<QLabel>(*document, DPXMovieFile::kDescriptTextID);

    QTest::keyClick(window, Qt::Key_Right);
    QTest::keyClick(window, Qt::Key_Right);
    QCOMPARE(document->lastSlider(), 2);
    QTest::keyClick(window, Qt::Key_Left);
    QCOMPARE(document->lastSlider(), 1);
    QCOMPARE(child<QSlider>(*document, DPXMovieFile::kFrameSliderID)->value(), 1);

    const QString wholeRange = description->text();
    QTest::keyClick(window, Qt::Key_I);
    QCOMPARE(document->inFrame(), 1);
    QVERIFY(description->text() != wholeRange);
    QTest::keyClick(window, Qt::Key_Right);
    QTest::keyClick(window, Qt::Key_Right);
    QTest::keyClick(window, Qt::Key_O);
    QCOMPARE(document->outFrame(), 4);
    QTest::keyClick(window, Qt::Key_Home);
    QCOMPARE(document->lastSlider(), 1);
    QTest::keyClick(window, Qt::Key_End);
    QCOMPARE(document->lastSlider(), 3);

    // Typing in the source ID field keeps its keys.
    child<QTabWidget>(*document, DPXMovieFile::kTabViewID)->setCurrentIndex(1);
    auto* field = child<QLineEdit>(*document, DPXMovieFile::kSourceIDTextFieldID);
    field->setFocus();
    QTest::keyClicks(field, "io");
    QTest::keyClick(field, Qt::Key_Left);
    QTest::keyClick(field, Qt::Key_Home);
    QCOMPARE(field->text(), QStringLiteral("io"));
    QCOMPARE(document->inFrame(), 1);
    QCOMPARE(document->outFrame(), 4);
    QCOMPARE(document->lastSlider(), 3);
}

void GuiTest::settingsAreStoredAndTheNextLaunchStartsFromThem() {
    TempDir dir;
    const std::string first = writeShots(dir, 2);
    // The application's own settings file: an INI file under $XDG_CONFIG_HOME.
    const QString iniPath = QString::fromStdString(fw::defaultSettingsPath());
    QVERIFY(iniPath.startsWith(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QLatin1Char('/')));
    DesktopApplication::Options options;
    options.startWindow = false;
    {
        DesktopApplication app(options);
        auto document = app.openFiles({first}).at(0);
        child<QTabWidget>(*document, DPXMovieFile::kTabViewID)->setCurrentIndex(1);
        auto* rate = child<QComboBox>(*document, DPXMovieFile::kFrameRatePopupID);
        rate->setFocus();
        QTest::keyClick(rate, Qt::Key_Down); // 24
        QTest::keyClick(rate, Qt::Key_Down); // 25
        QCOMPARE(document->frameRatePopup()->selectedTag(), 2);
        auto* codec = child<QComboBox>(*document, DPXMovieFile::kCodecPopupID);
        QTest::keyClick(codec, Qt::Key_Down);
        QCOMPARE(document->codecType(), FourCC("R10g"));
        QTest::keyClicks(child<QLineEdit>(*document, DPXMovieFile::kSourceIDTextFieldID), "Reel 7");
        QCOMPARE(document->sourceID(), std::string("Reel 7"));

        // The source ID preference: the last source ID, so that the next document shows it.
        QAction* preferences = actionTitled(mainSubmenu(app, "Edit"), MainMenu::kPreferencesTitle);
        preferences->trigger();
        auto* prefs = static_cast<fw::QtWindow&>(app.mainInterface().preferencesWindow()).widget();
        QVERIFY(prefs->isVisible());
        auto* sourcePref = prefs->findChild<QComboBox*>(MainInterface::kSourceIDPopupID);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(sourcePref, Qt::Key_Down);
        auto* extension = prefs->findChild<QCheckBox*>(MainInterface::kFileExtensionButtonID);
        QTest::mouseClick(extension, Qt::LeftButton);
        QVERIFY(!app.controller().defaultQTFileExtension());
        // Written at the change, before any termination.
        QSettings written(iniPath, QSettings::IniFormat);
        QCOMPARE(written.value("FrameRate").toString(), QStringLiteral("2"));
        QCOMPARE(written.value("SourceID").toString(), QStringLiteral("Reel 7"));
        QCOMPARE(written.value("DefaultSourceIDType").toString(), QStringLiteral("4"));
    }
    DesktopApplication again(options);
    auto* prefs = static_cast<fw::QtWindow&>(again.mainInterface().preferencesWindow()).widget();
    QCOMPARE(prefs->findChild<QComboBox*>(MainInterface::kSourceIDPopupID)->currentText(),
             QStringLiteral("Last Source ID"));
    QVERIFY(!prefs->findChild<QCheckBox*>(MainInterface::kFileExtensionButtonID)->isChecked());
    auto document = again.openFiles({first}).at(0);
    QCOMPARE(child<QComboBox>(*document, DPXMovieFile::kFrameRatePopupID)->currentText(),
             QStringLiteral("25"));
    QCOMPARE(child<QComboBox>(*document, DPXMovieFile::kCodecPopupID)->currentIndex(), 1);
    QCOMPARE(child<QLineEdit>(*document, DPXMovieFile::kSourceIDTextFieldID)->text(),
             QStringLiteral("Reel 7"));
}

void GuiTest::translateThroughTheSheetWritesAMovie() {
    TempDir dir, settings;
    DesktopApplication app(optionsFor(settings));
    auto document = app.openFiles({writeShots(dir, 4)}).at(0);
    QTest::mouseClick(child<QPushButton>(*document, DPXMovieFile::kTranslateButtonID), Qt::LeftButton);
    QFileDialog* sheet = sheetOn<QFileDialog>(*document, fw::QtSavePanel::kObjectName);
    QVERIFY(sheet);
    QCOMPARE(sheet->windowModality(), Qt::WindowModal);
    // The accessory with the movie kinds sits in the sheet.
    QVERIFY(sheet->findChild<QWidget*>(DPXMovieFile::kSaveOptionMatrixID));
    QVERIFY(sheet->findChild<QRadioButton*>(QStringLiteral("saveOptionMatrixCell0"))->isChecked());
    sheet->selectFile(QString::fromStdString(dir.file("clip.mov")));
    static_cast<QDialog*>(sheet)->accept();
    QTRY_COMPARE(child<QPushButton>(*document, DPXMovieFile::kTranslateButtonID)->text(),
                 QStringLiteral("Cancel"));
    QTRY_VERIFY_WITH_TIMEOUT(!document->exportInProgress(), kExportTimeoutMs);
    QCOMPARE(child<QPushButton>(*document, DPXMovieFile::kTranslateButtonID)->text(),
             QStringLiteral("Translate..."));
    // The end is told in a line of the window, with the way to the movie.
    QCOMPARE(labelText(*document, DPXMovieFile::kExportResultTextID),
             QStringLiteral("clip.mov: 4 of 4 frames, self-contained"));
    QVERIFY(child<QPushButton>(*document, DPXMovieFile::kShowMovieButtonID)->isVisible());
    // The accessory went back to its document.
    QVERIFY(!document->saveOptionMatrix()->isHidden() || true);
    QVERIFY(static_cast<fw::QtView*>(document->savePanelAccessory())->widget()->parent() == nullptr);

    const auto verify = testsupport::runCli({"verify", dir.file("clip.mov")});
    QVERIFY2(verify.exitStatus == 0, verify.out.c_str());
    if (testsupport::haveProgram("ffprobe")) {
        const auto probe =
            testsupport::runShell("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                  "stream=nb_read_frames -of csv=p=0 '" +
                                  dir.file("clip.mov") + "'");
        QCOMPARE(probe.exitStatus, 0);
        QCOMPARE(QString::fromStdString(probe.out).trimmed(), QStringLiteral("4"));
    }
}

void GuiTest::cancelMidExportGivesACompleteShorterMovie() {
    if (!testsupport::OpenGate::preloadedHere())
        QSKIP("the open gate is not preloaded (run through ctest)");
    TempDir dir, settings;
    // Many names for one small frame: cheap to make; the export is held at the tenth.
    constexpr int kFrames = 300;
    testsupport::writeFrameFile(dir.file("f_00001.dpx"), flatFrame(1, 16, 8));
    for (int i = 2; i <= kFrames; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f_%05d.dpx", i);
        std::filesystem::create_hard_link(dir.path() / "f_00001.dpx", dir.path() / name);
    }
    DesktopApplication app(optionsFor(settings));
    auto document = app.openFiles({dir.file("f_00001.dpx")}).at(0);
    testsupport::OpenGate gate("f_00010.dpx");
    QVERIFY(translateTo(*document, dir.file("cut.mov"), 1));
    QVERIFY(gate.waitUntilReached());
    QTRY_VERIFY(document->isConverting());
    auto* button = child<QPushButton>(*document, DPXMovieFile::kTranslateButtonID);
    QCOMPARE(button->text(), QStringLiteral("Cancel"));
    QVERIFY(child<QWidget>(*document, DPXMovieFile::kProgressIndicatorID)->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    gate.release();
    QTRY_VERIFY_WITH_TIMEOUT(!document->exportInProgress(), kExportTimeoutMs);
    const ExportOutcome& outcome = document->exportOutcome();
    QVERIFY(outcome.cancelled);
    QVERIFY(outcome.framesWritten < kFrames);
    QVERIFY(!windowWidget(*document)->findChild<QMessageBox*>(fw::QtAlert::kObjectName));
    QCOMPARE(labelText(*document, DPXMovieFile::kExportResultTextID),
             QStringLiteral("cut.mov: cancelled: %1 of %2 frames kept").arg(outcome.framesWritten).arg(kFrames));
    // The out point moved to the last frame written, and the description says so at once.
    QCOMPARE(document->outFrame(), int32_t(outcome.framesWritten));
    const QString range = QStringLiteral("%1 frame%2: 0-%3")
                              .arg(outcome.framesWritten)
                              .arg(outcome.framesWritten == 1 ? "" : "s")
                              .arg(outcome.framesWritten - 1);
    QVERIFY2(labelText(*document, DPXMovieFile::kDescriptTextID).contains(range),
             qPrintable(labelText(*document, DPXMovieFile::kDescriptTextID)));
    const auto verify = testsupport::runCli({"verify", dir.file("cut.mov")});
    QVERIFY2(verify.exitStatus == 0, verify.out.c_str());
}

void GuiTest::aFrameDeletedBeforeTheExportGivesTheAlertWithTheReason() {
    TempDir dir, settings;
    DesktopApplication app(optionsFor(settings));
    auto document = app.openFiles({writeShots(dir, 4)}).at(0);
    std::filesystem::remove(dir.file("shot_0003.dpx"));
    QVERIFY(translateTo(*document, dir.file("broken.mov"), 0));
    QTRY_VERIFY_WITH_TIMEOUT(!document->exportInProgress(), kExportTimeoutMs);
    auto* alert = sheetOn<QMessageBox>(*document, fw::QtAlert::kObjectName);
    QVERIFY(alert);
    QCOMPARE(alert->windowModality(), Qt::WindowModal);
    QCOMPARE(alert->text(), QString::fromLatin1(DPXMovieFile::kExportStoppedMessage));
    const std::string& reason = document->exportOutcome().problem;
    QVERIFY(!reason.empty());
    QVERIFY2(alert->informativeText().startsWith(QString::fromStdString(reason)),
             qPrintable(alert->informativeText()));
    QTest::mouseClick(alert->findChild<QPushButton*>(QStringLiteral("alertButton0")), Qt::LeftButton);
    QTRY_VERIFY(!alert || !alert->isVisible());
}

void GuiTest::mixedDataOffsetsGiveTheReferenceWarningSheet() {
    TempDir dir, settings;
    const std::string first = writeShots(dir, 3);
    FrameSpec shifted = flatFrame(2);
    shifted.dataOffset = 4096;
    testsupport::writeFrameFile(dir.file("shot_0002.dpx"), shifted);
    DesktopApplication app(optionsFor(settings));
    auto document = app.openFiles({first}).at(0);
    QVERIFY(translateTo(*document, dir.file("ref.mov"), 1));
    QTRY_VERIFY_WITH_TIMEOUT(!document->exportInProgress(), kExportTimeoutMs);
    QVERIFY(document->exportSettings().makeReferenceMovie);
    auto* warning = sheetOn<QMessageBox>(*document, fw::QtAlert::kObjectName);
    QVERIFY(warning);
    QCOMPARE(warning->text(), QString::fromLatin1(DPXMovieFile::kWarningMessage));
    QCOMPARE(warning->informativeText(), QString::fromLatin1(DPXMovieFile::kReferenceWarningText));
}

void GuiTest::outputMenusListTheDeviceAndItsModesAndTheMonitorShowsTheSurface() {
    TempDir dir, settings;
    DesktopApplication app(optionsFor(settings));
    const SoftwareOutputDevice* device = app.outputDevice();
    QVERIFY(device);
    auto document = app.openFiles({writeShots(dir, 2)}).at(0);
    QVERIFY(device->claimed()); // the main document window sends its frame

    QMenu* videoOut = mainSubmenu(app, "VideoOut");
    emit videoOut->aboutToShow();
    QVERIFY(actionTitled(videoOut, QStringLiteral("Off")));
    QVERIFY(actionTitled(videoOut, QString::fromLatin1(kSoftwareOutputName))->isChecked());

    QMenu* display = mainSubmenu(app, "Display");
    emit display->aboutToShow();
    QCOMPARE(display->actions().size(), int(device->modes().size()));
    const long chosen = device->displayMode() == 1 ? 2 : 1;
    const OutputModeDescription& mode = device->modes()[size_t(chosen - 1)];
    QAction* item = actionTitled(display, QString::fromStdString(mode.name));
    QVERIFY(item);
    const uint64_t drawnBefore = device->surface()->drawCount();
    item->trigger();
    // The session restarted in the chosen mode, with the document's frame drawn again.
    QCOMPARE(device->displayMode(), chosen);
    QVERIFY(device->claimed());
    QCOMPARE(device->surface()->width(), mode.width);
    emit display->aboutToShow();
    QVERIFY(actionTitled(display, QString::fromStdString(mode.name))->isChecked());
    Q_UNUSED(drawnBefore);

    QAction* show = actionTitled(mainSubmenu(app, "View"), MainMenu::kShowMonitorTitle);
    show->trigger();
    MonitorWindow& monitor = app.monitor();
    QVERIFY(monitor.isVisible());
    QVERIFY(monitor.windowTitle().contains(QString::fromStdString(mode.name)));
    QCOMPARE(static_cast<const void*>(monitor.image().constBits()),
             static_cast<const void*>(device->surface()->baseAddress()));
    // Opened as large as the picture fits in two thirds of the screen, never above its pixels.
    const NSSize opened = pictureWindowContentSize({float(mode.width), float(mode.height)}, {0, 0}, {1920, 1080},
                                                   std::nullopt);
    QCOMPARE(monitor.size(), QSize(int(opened.width), int(opened.height)));
    monitor.resize(mode.width / 4, mode.height / 4);
    // Ctrl+0 shows the surface's own pixels, Ctrl+9 fits it again.
    monitor.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&monitor));
    QTest::keyClick(&monitor, Qt::Key_0, Qt::ControlModifier);
    QVERIFY(monitor.actualSize());
    QCOMPARE(monitor.findChild<fw::PictureView*>()->widget()->size(), QSize(mode.width, mode.height));
    const QImage ownPixels = monitor.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage surfacePixels = monitor.image().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(ownPixels.copy(0, 0, 64, 64), surfacePixels.copy(0, 0, 64, 64));
    QTest::keyClick(&monitor, Qt::Key_9, Qt::ControlModifier);
    QVERIFY(!monitor.actualSize());
    const QImage shown = monitor.grab().toImage();
    const GWorld::RGB expected = device->surface()->pixel(mode.width / 2, mode.height / 2);
    const QColor seen = shown.pixelColor(shown.width() / 2, shown.height() / 2);
    QVERIFY2(std::abs(seen.red() - expected.red) <= 2 && std::abs(seen.green() - expected.green) <= 2 &&
                 std::abs(seen.blue() - expected.blue) <= 2,
             qPrintable(QStringLiteral("monitor %1 surface %2,%3,%4")
                            .arg(seen.name())
                            .arg(expected.red)
                            .arg(expected.green)
                            .arg(expected.blue)));

    // VideoOut > Off: the monitor says so and shows black, not the last picture in the last mode.
    emit videoOut->aboutToShow();
    actionTitled(videoOut, QStringLiteral("Off"))->trigger();
    QVERIFY(!device->claimed());
    QTRY_COMPARE(monitor.windowTitle(), QStringLiteral("Output Monitor - Output off"));
    const QImage off = monitor.grab().toImage();
    QCOMPARE(off.pixelColor(off.width() / 2, off.height() / 2), QColor(Qt::black));
}

void GuiTest::theHelpWindowShowsTheHelpText() {
    TempDir settings;
    DesktopApplication app(optionsFor(settings));
    actionTitled(mainSubmenu(app, "Help"), MainMenu::kHelpTitle)->trigger();
    auto* help = static_cast<fw::QtWindow&>(app.mainInterface().helpWindow()).widget();
    QVERIFY(help->isVisible());
    auto* browser = help->findChild<QTextBrowser*>(MainInterface::kHelpTextID);
    const QString text = browser->toPlainText();
    QVERIFY(text.contains(QStringLiteral("Opening a sequence")));
    // Headings stay bold; the keys of the document window are in it; Help is on the help key.
    QTextCursor heading = browser->document()->find(QStringLiteral("Opening a sequence"));
    QVERIFY(!heading.isNull());
    QCOMPARE(heading.charFormat().fontWeight(), int(QFont::Bold));
    QTextCursor body = browser->document()->find(QStringLiteral("Open any one frame"));
    QVERIFY(body.charFormat().fontWeight() != int(QFont::Bold));
    for (const char* key : {"I mark in", "O mark out", "Home and End", "Space plays"})
        QVERIFY2(text.contains(QLatin1String(key)), key);
    QCOMPARE(actionTitled(mainSubmenu(app, "Help"), MainMenu::kHelpTitle)->shortcut(),
             QKeySequence(QKeySequence::HelpContents));
    QVERIFY(!text.contains(QStringLiteral("\\par")));
    // The close button hides it; Help shows it again.
    help->close();
    QVERIFY(!help->isVisible());
    actionTitled(mainSubmenu(app, "Help"), MainMenu::kHelpTitle)->trigger();
    QVERIFY(help->isVisible());
}

void GuiTest::aFrameDroppedOnAWindowOpens() {
    TempDir dir, settings;
    const std::string first = writeShots(dir, 2);
    DesktopApplication app(optionsFor(settings));
    app.startWindow().makeKeyAndOrderFront();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(first))});
    QWidget* target = static_cast<fw::QtWindow&>(app.startWindow()).widget();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCOMPARE(app.controller().documents().size(), size_t(1));
    QCOMPARE(app.controller().documents()[0]->fileName(), first);
}

void GuiTest::runLoopTimersAndWorkPostedFromOtherThreads() {
    fw::QtRunLoop runLoop;
    // A repeating timer that invalidates itself inside its third tick, and a one-shot timer.
    int ticks = 0, shots = 0;
    std::shared_ptr<fw::Timer> repeating =
        runLoop.scheduledTimerWithTimeInterval(0.001, true, [&](fw::Timer& timer) {
            if (++ticks == 3)
                timer.invalidate();
        });
    std::shared_ptr<fw::Timer> oneShot =
        runLoop.scheduledTimerWithTimeInterval(0.001, false, [&](fw::Timer&) { ++shots; });
    // Work posted from other threads runs on this one, each thread's in its order, never at once.
    std::vector<int> order;
    std::atomic<int> offThread{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i)
                runLoop.performOnMainThread([&, t, i] {
                    if (!runLoop.isMainThread())
                        ++offThread;
                    order.push_back(t * 1000 + i);
                });
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    QVERIFY(order.empty());
    QTRY_VERIFY(order.size() == 200 && !repeating->isValid() && !oneShot->isValid());
    QTest::qWait(20);
    QCOMPARE(ticks, 3);
    QCOMPARE(shots, 1);
    QCOMPARE(offThread.load(), 0);
    for (int t = 0; t < 4; ++t) {
        std::vector<int> mine;
        std::copy_if(order.begin(), order.end(), std::back_inserter(mine),
                     [t](int v) { return v / 1000 == t; });
        QVERIFY(std::is_sorted(mine.begin(), mine.end()));
    }
}

int main(int argc, char* argv[]) {
    // A home of its own, made fresh and removed after: nothing of the user's is read or written.
    TempDir home;
    std::filesystem::create_directories(home.path() / "config");
    std::filesystem::create_directories(home.path() / "runtime");
    std::filesystem::permissions(home.path() / "runtime", std::filesystem::perms::owner_all);
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home.path() / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home.path() / "runtime").c_str(), 1);
    // Qt's offscreen screen is 800 x 600 unless told otherwise; our users' screens are larger.
    const char* platform = getenv("QT_QPA_PLATFORM");
    if (platform && std::string(platform) == "offscreen") {
        const std::filesystem::path screens = home.path() / "screens.json";
        const std::string config = R"({"screens":[{"name":"fullHD","x":0,"y":0,"width":1920,"height":1080,)"
                                   R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})";
        testsupport::writeFile(screens.string(), std::vector<uint8_t>(config.begin(), config.end()));
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens.string()).c_str(), 1);
    }
    QApplication application(argc, argv);
    GuiTest test;
    return QTest::qExec(&test, argc, argv);
}

namespace {

/// The movie of shots 1..count written through the document, self-contained or by reference.
std::string writeMovieOfShots(DesktopApplication& app, const TempDir& dir, int count, bool reference) {
    auto sequence = app.openFiles({writeShots(dir, count)}).at(0);
    const std::string movie = dir.file(reference ? "reference.mov" : "copied.mov");
    ExportSettings s = sequence->exportSettingsFor(movie, reference);
    s.sourceID = "reelA";
    if (sequence->saveMovieWithSettings(s) != noErr)
        return {};
    sequence->close();
    return movie;
}

} // namespace

void GuiTest::moviesOpenAsDocumentsAndStepWithTheirSampleAndTimecode() {
    for (bool reference : {false, true}) {
        TempDir dir, settings;
        DesktopApplication app(optionsFor(settings));
        const std::string movie = writeMovieOfShots(app, dir, 4, reference);
        QVERIFY(!movie.empty());
        auto document = app.openFiles({movie}).at(0);
        QVERIFY(std::dynamic_pointer_cast<MovieDocument>(document));
        QCOMPARE(document->frameCount(), 4);
        QWidget* window = windowWidget(*document);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(window->windowTitle(), QString::fromStdString(std::filesystem::path(movie).filename()));
        QVERIFY2(labelText(*document, DPXMovieFile::kPositionTextID).startsWith("sample 1  01:00:00:00"),
                 qPrintable(labelText(*document, DPXMovieFile::kPositionTextID)));
        QWidget* preview = child<QWidget>(*document, DPXMovieFile::kImageViewID);
        const QColor first = centrePixel(preview);
        QTest::keyClick(window, Qt::Key_Right);
        QVERIFY(labelText(*document, DPXMovieFile::kPositionTextID).startsWith("sample 2  01:00:00:01"));
        QVERIFY(centrePixel(preview) != first);
        QCOMPARE(document->sourceID(), std::string("reelA"));
        if (reference) {
            // A frame gone since: the placeholder, and a line that names the file.
            std::filesystem::remove(dir.file("shot_0003.dpx"));
            QTest::keyClick(window, Qt::Key_Right);
            const QString text = labelText(*document, DPXMovieFile::kDescriptTextID);
            QVERIFY2(text.contains(QString::fromStdString("can't show sample 3: " + dir.file("shot_0003.dpx") +
                                                          " is missing")),
                     qPrintable(text));
        }
    }
}

void GuiTest::aMovieOfAnotherCodecGivesTheAlertWithTheReason() {
    if (!testsupport::haveProgram("ffmpeg"))
        QSKIP("ffmpeg is not installed");
    TempDir dir, settings;
    const std::string movie = dir.file("v210.mov");
    QCOMPARE(testsupport::runShell("ffmpeg -v error -nostdin -f lavfi -i testsrc=size=64x32:rate=24 -frames:v 2 "
                                   "-c:v v210 '" + movie + "'")
                 .exitStatus,
             0);
    DesktopApplication app(optionsFor(settings));
    auto document = app.openFiles({movie}).at(0);
    auto* alert = sheetOn<QMessageBox>(*document, fw::QtAlert::kObjectName);
    QVERIFY(alert);
    QCOMPARE(alert->text(), QString::fromLatin1(MovieDocument::kCantShowMovieMessage));
    QVERIFY2(alert->informativeText().contains("'v210'"), qPrintable(alert->informativeText()));
    QVERIFY(!child<QPushButton>(*document, DPXMovieFile::kTranslateButtonID)->isEnabled());
    QVERIFY(!child<QPushButton>(*document, DPXMovieFile::kPlayButtonID)->isEnabled());
}

void GuiTest::spacePlaysOnTheClockAndStopsAtTheOutPoint() {
    TempDir dir, settings;
    DesktopApplication app(optionsFor(settings));
    auto document = app.openFiles({writeShots(dir, 6)}).at(0);
    testsupport::ManualClock clock;
    document->setPlaybackClock(clock);
    QWidget* window = windowWidget(*document);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Space);
    QVERIFY(document->isPlaying());
    QCOMPARE(child<QPushButton>(*document, DPXMovieFile::kPlayButtonID)->text(), QStringLiteral("Pause"));
    const double period = 1.0 / document->playbackRate();
    for (int n = 1; n <= 6 && document->isPlaying(); ++n) {
        if (n <= 5)
            QTRY_VERIFY(document->player()->isReadAhead(n));
        clock.advance(period);
        document->playbackTick();
        QCOMPARE(document->lastSlider(), std::min(n, 5));
        QCOMPARE(child<QSlider>(*document, DPXMovieFile::kFrameSliderID)->value(), std::min(n, 5));
    }
    QVERIFY(!document->isPlaying());
    QCOMPARE(document->droppedFrames(), int64_t(0));
    QCOMPARE(window->windowTitle(), QStringLiteral("shot_0006.dpx"));
    QVERIFY2(labelText(*document, DPXMovieFile::kPositionTextID).startsWith("frame 0006  01:00:00:00"),
             qPrintable(labelText(*document, DPXMovieFile::kPositionTextID)));
    QCOMPARE(child<QPushButton>(*document, DPXMovieFile::kPlayButtonID)->text(), QStringLiteral("Play"));
}

void GuiTest::aFrameSlowToReadIsDroppedWhilePlaying() {
    if (!testsupport::OpenGate::preloadedHere())
        QSKIP("the open gate is not preloaded (run through ctest)");
    TempDir dir, settings;
    DesktopApplication app(optionsFor(settings));
    auto document = app.openFiles({writeShots(dir, 14)}).at(0);
    testsupport::ManualClock clock;
    document->setPlaybackClock(clock);
    testsupport::OpenGate gate("shot_0010.dpx"); // past the frames read before the clock starts
    const double period = 1.0 / document->playbackRate();
    QTest::mouseClick(child<QPushButton>(*document, DPXMovieFile::kPlayButtonID), Qt::LeftButton);
    QVERIFY(document->isPlaying());
    const auto step = [&](int position) {
        QTRY_VERIFY(document->player()->isReadAhead(position));
        clock.advance(period);
        document->playbackTick();
    };
    for (int n = 1; n <= 8; ++n)
        step(n);
    QVERIFY(gate.waitUntilReached());
    clock.advance(period); // frame 10's time, its file still opening
    document->playbackTick();
    QCOMPARE(document->lastSlider(), 8);
    // Frame 11's time comes before anything turns the event loop: frame 10 had its time unseen.
    gate.release();
    clock.advance(period);
    // The window's own timer may show it first.
    QTRY_VERIFY(document->lastSlider() == 10 || document->player()->isReadAhead(10));
    document->playbackTick();
    QCOMPARE(document->lastSlider(), 10);
    QCOMPARE(document->droppedFrames(), int64_t(1));
    QVERIFY2(labelText(*document, DPXMovieFile::kPositionTextID).contains("1 frame dropped"),
             qPrintable(labelText(*document, DPXMovieFile::kPositionTextID)));
}

void GuiTest::translateOfAMovieConsolidatesItsRange() {
    TempDir dir, settings;
    DesktopApplication app(optionsFor(settings));
    const std::string movie = writeMovieOfShots(app, dir, 6, true);
    QVERIFY(!movie.empty());
    auto document = app.openFiles({movie}).at(0);
    QWidget* window = windowWidget(*document);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Right);
    QTest::keyClick(window, Qt::Key_I);
    QTest::keyClick(window, Qt::Key_Right);
    QTest::keyClick(window, Qt::Key_Right);
    QTest::keyClick(window, Qt::Key_O);
    QVERIFY(translateTo(*document, dir.file("own.mov"), 0));
    // A movie's samples are copied: the sheet offers no reference movie.
    QVERIFY(!document->saveOptionMatrix()->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!document->exportInProgress(), kExportTimeoutMs);
    QVERIFY(document->exportOutcome().complete());
    const auto verify = testsupport::runCli({"verify", "--json", dir.file("own.mov"), "--against", dir.file("shot_0002.dpx")});
    QVERIFY2(verify.exitStatus == 0, verify.out.c_str());
    QVERIFY2(verify.out.find("\"compared\":3") != std::string::npos, verify.out.c_str());
    QVERIFY2(verify.out.find("\"timecode\":\"01:00:00:01\"") != std::string::npos, verify.out.c_str());
    QVERIFY2(verify.out.find("\"self_contained\":true") != std::string::npos, verify.out.c_str());
}

#include "gui_test.moc"

void GuiTest::theSaveSheetNamesAndAsksAboutTheFileAsItWillBe() {
    TempDir dir, settings;
    DesktopApplication app(optionsFor(settings));
    app.controller().setDefaultQTFileNameType(0); // movies named after nothing: ".mov" proposed
    auto document = app.openFiles({writeShots(dir, 3)}).at(0);
    testsupport::writeFile(dir.file("clip.mov"), {'o', 'l', 'd'});
    QTest::mouseClick(child<QPushButton>(*document, DPXMovieFile::kTranslateButtonID), Qt::LeftButton);
    QFileDialog* sheet = sheetOn<QFileDialog>(*document, fw::QtSavePanel::kObjectName);
    QVERIFY(sheet);
    // A name that is only the extension is never proposed: the user types one.
    auto* nameField = sheet->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(nameField);
    QCOMPARE(nameField->text(), QString());

    // clip.mp4 becomes clip.mov, which exists: the sheet asks about clip.mov and stays on No.
    const auto answerReplace = [&](QMessageBox::StandardButton answer) {
        QTimer::singleShot(0, [answer] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* box = widget->findChild<QMessageBox*>(fw::QtSavePanel::kReplaceQuestionName))
                    box->button(answer)->click();
        });
    };
    sheet->selectFile(QString::fromStdString(dir.file("clip.mp4")));
    answerReplace(QMessageBox::No);
    static_cast<QDialog*>(sheet)->accept();
    QVERIFY(sheet->isVisible());
    QVERIFY(!document->exportInProgress());
    answerReplace(QMessageBox::Yes);
    static_cast<QDialog*>(sheet)->accept();
    QTRY_VERIFY_WITH_TIMEOUT(!document->exportInProgress() && document->exportOutcome().complete(), kExportTimeoutMs);
    QCOMPARE(document->exportOutcome().moviePath, dir.file("clip.mov"));
    QVERIFY(!std::filesystem::exists(dir.file("clip.mp4")));
    QVERIFY(!std::filesystem::exists(dir.file(".mov.mov")));
}

void GuiTest::openRecentTellsFilesOfOneNameApart() {
    const QString dash = QStringLiteral(" \u2014 ");
    const struct {
        QStringList paths;
        QStringList titles;
    } cases[] = {
        {{"/j/reel1/shotA/s_1.dpx", "/j/reel1/shotB/s_1.dpx", "/j/other.dpx"},
         {"s_1.dpx" + dash + "shotA", "s_1.dpx" + dash + "shotB", "other.dpx"}},
        {{"/j/a/x/s_1.dpx", "/j/b/x/s_1.dpx"}, {"s_1.dpx" + dash + "a/x", "s_1.dpx" + dash + "b/x"}},
        {{"/j/s_1.dpx"}, {"s_1.dpx"}},
    };
    for (const auto& c : cases)
        QCOMPARE(RecentFiles::distinctTitles(c.paths), c.titles);

    TempDir settings;
    DesktopApplication app(optionsFor(settings));
    app.recentFiles().add(QStringLiteral("/j/shotA/s_1.dpx"));
    app.recentFiles().add(QStringLiteral("/j/shotB/s_1.dpx"));
    QMenu* recent = actionTitled(mainSubmenu(app, "File"), MainMenu::kOpenRecentTitle)->menu();
    emit recent->aboutToShow();
    QCOMPARE(recent->actions().value(0)->text(), "s_1.dpx" + dash + "shotB");
    QCOMPARE(recent->actions().value(1)->text(), "s_1.dpx" + dash + "shotA");
}

void GuiTest::longWarningsWrapInsteadOfWideningTheWindow() {
    TempDir plain, broken, settings;
    DesktopApplication app(optionsFor(settings));
    auto quiet = app.openFiles({writeShots(plain, 2)}).at(0);
    // Every other frame missing: warning lines of some 250 characters.
    for (int i = 1; i <= 80; i += 2)
        testsupport::writeFrameFile(broken.file("shot_" + std::to_string(1000 + i) + ".dpx"), flatFrame(i));
    auto noisy = app.openFiles({broken.file("shot_1001.dpx")}).at(0);
    QVERIFY2(labelText(*noisy, DPXMovieFile::kDescriptTextID).size() > 400, qPrintable(labelText(*noisy, DPXMovieFile::kDescriptTextID)));
    QApplication::processEvents();
    QCOMPARE(windowWidget(*noisy)->width(), windowWidget(*quiet)->width());
}

void GuiTest::quitEndsTheApplicationInOneStepAndAsksDuringAnExport() {
    if (!testsupport::OpenGate::preloadedHere())
        QSKIP("the open gate is not preloaded (run through ctest)");
    TempDir dir, settings;
    DesktopApplication app(optionsFor(settings));
    auto document = app.openFiles({writeShots(dir, 30)}).at(0);
    QAction* quit = actionTitled(mainSubmenu(app, "File"), MainMenu::kQuitTitle);
    // Every window that only hides when closed is open, and an export is held at its tenth frame.
    actionTitled(mainSubmenu(app, "Edit"), MainMenu::kPreferencesTitle)->trigger();
    actionTitled(mainSubmenu(app, "Help"), MainMenu::kHelpTitle)->trigger();
    actionTitled(mainSubmenu(app, "View"), MainMenu::kShowMonitorTitle)->trigger();
    testsupport::OpenGate gate("shot_0010.dpx");
    QVERIFY(translateTo(*document, dir.file("held.mov"), 0));
    QVERIFY(gate.waitUntilReached());

    // The question comes first: Keep Working leaves everything running.
    const auto answer = [](const char* title, std::function<void()> then = {}) {
        QTimer::singleShot(0, [title, then] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(widget);
                    box && box->objectName() == QLatin1String(DesktopApplication::kQuitQuestionName))
                    for (QAbstractButton* button : box->buttons())
                        if (button->text() == QLatin1String(title))
                            button->click();
            if (then) // at the next turn: once the answer has been taken
                QTimer::singleShot(0, then);
        });
    };
    answer("Keep Working");
    quit->trigger();
    QVERIFY(document->isConverting());

    // Cancel the Export: one press ends the application, the movie complete and shorter.
    QTimer::singleShot(0, [&] {
        answer("Cancel the Export", [&] { gate.release(); }); // the worker goes on once cancelled
        quit->trigger();
    });
    QTimer::singleShot(120000, [] { QCoreApplication::exit(1); }); // a broken quit must not hang the suite
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(document->exportOutcome().cancelled);
    QVERIFY(document->exportOutcome().framesWritten < 30);
    const auto verify = testsupport::runCli({"verify", dir.file("held.mov")});
    QVERIFY2(verify.exitStatus == 0, verify.out.c_str());
}

namespace {

/// A 2K frame whose neighbouring pixels differ, so that any scaling shows.
FrameSpec patternedFrame() {
    FrameSpec fileSpec = flatFrame(1, 2048, 1080);
    for (uint32_t y = 0; y < fileSpec.height; ++y)
        for (uint32_t x = 0; x < fileSpec.width; ++x)
            (*fileSpec.pixels)[size_t(y) * fileSpec.width + x] =
                testsupport::rgb10Word((x * 37) % 1024, (y * 53) % 1024, ((x ^ y) & 1) * 1023);
    return fileSpec;
}

} // namespace

void GuiTest::windowsFitTheScreenKeepTheUsersSizeAndShowActualPixels() {
    QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry().size(), QSize(1920, 1080));
    TempDir settings;
    std::vector<TempDir> shots(3);
    for (const TempDir& dir : shots)
        for (const char* name : {"shot_0001.dpx", "shot_0002.dpx"})
            testsupport::writeFrameFile(dir.file(name), patternedFrame());
    {
        DesktopApplication app(optionsFor(settings));
        auto first = app.openFiles({shots[0].file("shot_0001.dpx")}).at(0);
        QWidget* window = windowWidget(*first);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // As large as 2048 x 1080 fits in two thirds of the screen (1280 x 720): 1280 x 675.
        auto* picture = child<fw::PictureView>(*first, DPXMovieFile::kImageViewID);
        QVERIFY(picture);
        QVERIFY2(std::abs(picture->width() - 1280) <= 2 && std::abs(picture->height() - 675) <= 2,
                 qPrintable(QStringLiteral("%1 x %2").arg(picture->width()).arg(picture->height())));

        // View > Actual Size: one frame pixel on one screen pixel, scrolled to any part of it.
        QMenu* view = mainSubmenu(app, "View");
        QAction* actual = actionTitled(view, MainMenu::kActualSizeTitle);
        QAction* fit = actionTitled(view, MainMenu::kFitTitle);
        QCOMPARE(actual->shortcut(), QKeySequence(QStringLiteral("Ctrl+0")));
        QCOMPARE(fit->shortcut(), QKeySequence(QStringLiteral("Ctrl+9")));
        actual->trigger();
        emit view->aboutToShow();
        QVERIFY(actual->isChecked() && !fit->isChecked());
        QCOMPARE(picture->widget()->size(), QSize(2048, 1080));
        picture->horizontalScrollBar()->setValue(301);
        picture->verticalScrollBar()->setValue(203);
        const QImage frame =
            static_cast<fw::QtImageView*>(first->imageView())->qimage().convertToFormat(QImage::Format_RGB32);
        const QImage shown = picture->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(shown.width() >= 100 && shown.height() >= 100);
        const QPoint origin(picture->horizontalScrollBar()->value(), picture->verticalScrollBar()->value());
        QCOMPARE(origin, QPoint(301, 203));
        int differing = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                differing += shown.pixel(x, y) != frame.pixel(origin.x() + x, origin.y() + y);
        QCOMPARE(differing, 0);
        fit->trigger();
        QCOMPARE(picture->widget()->size(), picture->viewport()->size());

        // The user makes the window smaller: the next window opens at that size,
        window->resize(1000, 700);
        QTRY_VERIFY(app.controller().documentWindowSize().has_value());
        auto second = app.openFiles({shots[1].file("shot_0001.dpx")}).at(0);
        QCOMPARE(windowWidget(*second)->size(), QSize(1000, 700));
        // whose picture fits it.
        QVERIFY(child<fw::PictureView>(*second, DPXMovieFile::kImageViewID)->width() < 1000);
    }
    // And at the next launch.
    DesktopApplication again(optionsFor(settings));
    auto third = again.openFiles({shots[2].file("shot_0001.dpx")}).at(0);
    QCOMPARE(windowWidget(*third)->size(), QSize(1000, 700));
}
