#include "gui/desktop_application.h"

#include "app/device_video_out.h"
#include "document/movie_document.h"
#include "gui/document_keys.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QThread>

#include <algorithm>

namespace {

constexpr const char* kStartText =
    "Open one frame of a DPX or Cineon sequence, or a movie, with File > Open..., or drop it on this window.";

} // namespace

DesktopApplication::DesktopApplication() : DesktopApplication(Options{}) {}

DesktopApplication::DesktopApplication(Options options)
    : m_options(std::move(options)), m_framework(m_options.settingsPath, m_options.resourcesDirectory),
      m_controller(m_framework), m_recent(m_options.settingsPath) {
    m_controller.setDocumentFactory([](fw::Framework& framework, const std::string& path) -> std::shared_ptr<fw::Document> {
        if (MovieDocument::isMovieFile(path))
            return MovieDocument::create(framework);
        return DPXMovieFile::create(framework);
    });
    // The menus first: every window made from now on shows them.
    m_menu = std::make_unique<MainMenu>(m_framework, menuCommands());
    m_interface = std::make_unique<MainInterface>(m_framework, m_controller);
    // The help and preferences windows are the application's for its whole life: closing one
    // hides it until it is asked for again.
    for (fw::Window* window : {&m_interface->helpWindow(), &m_interface->preferencesWindow()})
        window->setCloseRequestHandler([](fw::Window& closing) { closing.orderOut(); });
    m_framework.windows().setOpenFilesHandler(
        [this](const std::vector<std::string>& paths) { openFiles(paths); });
    makeStartWindow();
    m_framework.finishLaunching();
    m_monitor = std::make_unique<MonitorWindow>(outputDevice());
    if (m_options.startWindow)
        m_startWindow->makeKeyAndOrderFront();
    m_framework.windows().setNoVisibleWindowHandler([this] {
        // After the window that went has finished going.
        m_framework.mainRunLoop().performOnMainThread([this] { showStartWindowIfAlone(); });
    });
}

DesktopApplication::~DesktopApplication() {
    m_framework.windows().setNoVisibleWindowHandler({});
    m_framework.windows().setOpenFilesHandler({});
    if (m_openPanel)
        m_openPanel->deleteLater();
    finishExports();
    m_monitor.reset();
    m_framework.terminate();
    // The documents' last shares may sit in the run loop's timers and queued work.
    m_framework.mainRunLoop().shutdown();
}

const SoftwareOutputDevice* DesktopApplication::outputDevice() const {
    auto* output = dynamic_cast<DeviceVideoOut*>(m_controller.videoOut());
    return output ? &output->device() : nullptr;
}

MenuCommands DesktopApplication::menuCommands() {
    MenuCommands c;
    c.open = [this] { showOpenPanel(); };
    c.openRecent = [this](const std::string& path) { openFiles({path}); };
    c.recentPaths = [this] { return m_recent.paths(); };
    c.clearRecent = [this] { m_recent.clear(); };
    c.close = [this] {
        if (fw::Window* window = m_framework.mainWindow())
            window->performClose();
    };
    c.translate = [this] {
        if (std::shared_ptr<DPXMovieFile> document = currentDocument())
            document->saveDocumentAs();
    };
    c.canTranslate = [this] {
        std::shared_ptr<DPXMovieFile> document = currentDocument();
        return document && document->translateButton() && document->translateButton()->isEnabled();
    };
    c.playPause = [this] {
        if (std::shared_ptr<DPXMovieFile> document = currentDocument())
            document->togglePlay();
    };
    c.canPlay = [this] {
        std::shared_ptr<DPXMovieFile> document = currentDocument();
        return document && document->playButton() && document->playButton()->isEnabled();
    };
    c.loopPlayback = [this] { return m_loopPlayback; };
    c.setLoopPlayback = [this](bool loop) {
        m_loopPlayback = loop;
        for (const auto& open : m_controller.documents())
            if (auto document = std::dynamic_pointer_cast<DPXMovieFile>(open))
                document->setLoopPlayback(loop);
    };
    c.setActualSize = [this](bool actual) {
        if (std::shared_ptr<DPXMovieFile> document = currentDocument())
            document->setPictureAtActualSize(actual);
    };
    c.actualSize = [this]() -> std::optional<bool> {
        std::shared_ptr<DPXMovieFile> document = currentDocument();
        if (!document || !document->imageView())
            return std::nullopt;
        return document->pictureAtActualSize();
    };
    c.quit = [this] { quit(); };
    c.preferences = [this] { m_interface->preferencesWindow().makeKeyAndOrderFront(); };
    c.showMonitor = [this] { m_monitor->showOnScreen(); };
    c.screenNames = [] {
        std::vector<std::string> names;
        for (QScreen* screen : QGuiApplication::screens()) {
            const QRect geometry = screen->geometry();
            names.push_back(QStringLiteral("%1 (%2 x %3)")
                                .arg(screen->name())
                                .arg(geometry.width())
                                .arg(geometry.height())
                                .toStdString());
        }
        return names;
    };
    c.fullScreenMonitor = [this](int index) {
        const QList<QScreen*> screens = QGuiApplication::screens();
        if (index >= 0 && index < screens.size())
            m_monitor->showFullScreenOn(screens[index]);
    };
    c.help = [this] { m_interface->helpWindow().makeKeyAndOrderFront(); };
    return c;
}

void DesktopApplication::makeStartWindow() {
    m_startWindow = m_framework.makeWindow("Reelmaker", {460, 120});
    fw::View& content = m_startWindow->contentView();
    content.addTextField("startText", false).setStringValue(kStartText);
    content.addButton("startOpenButton", "Open...", fw::ButtonType::MomentaryPush)
        .setAction([this](fw::Control&) { showOpenPanel(); });
    // Closing the window that stands for the application while nothing is open ends it.
    m_startWindow->setCloseRequestHandler([this](fw::Window& window) {
        window.orderOut();
        quit();
    });
}

void DesktopApplication::showStartWindowIfAlone() {
    if (!m_options.startWindow || QCoreApplication::closingDown())
        return;
    for (fw::QtWindow* window : m_framework.windows().windows()) {
        if (window->isVisible())
            return;
    }
    m_startWindow->makeKeyAndOrderFront();
}

std::vector<std::string> DesktopApplication::filesFromArguments(const QStringList& arguments) {
    std::vector<std::string> paths;
    for (const QString& argument : arguments.mid(1)) {
        if (!argument.startsWith(QLatin1Char('-')))
            paths.push_back(argument.toStdString());
    }
    return paths;
}

std::vector<std::shared_ptr<DPXMovieFile>>
DesktopApplication::openFiles(const std::vector<std::string>& paths) {
    std::vector<std::shared_ptr<DPXMovieFile>> documents;
    for (const std::string& path : paths) {
        auto document =
            std::dynamic_pointer_cast<DPXMovieFile>(m_controller.openDocumentWithContentsOfFile(path, true));
        if (!document)
            continue;
        installDocumentKeys(document);
        document->setLoopPlayback(m_loopPlayback);
        m_recent.add(QFileInfo(QString::fromStdString(path)).absoluteFilePath());
        documents.push_back(std::move(document));
    }
    if (!documents.empty() && m_startWindow->isVisible())
        m_startWindow->orderOut();
    return documents;
}

void DesktopApplication::showOpenPanel() {
    if (m_openPanel) {
        m_openPanel->raise();
        return;
    }
    fw::QtWindow* main = m_framework.mainWindow();
    m_openPanel = new QFileDialog(main ? main->widget() : nullptr, QStringLiteral("Open Frame"));
    m_openPanel->setObjectName(kOpenPanelName);
    m_openPanel->setOption(QFileDialog::DontUseNativeDialog);
    m_openPanel->setFileMode(QFileDialog::ExistingFiles);
    m_openPanel->setAcceptMode(QFileDialog::AcceptOpen);
    m_openPanel->setNameFilters(
        {QStringLiteral("DPX and Cineon frames, movies (*.dpx *.DPX *.cin *.CIN *.mov *.MOV)"),
         QStringLiteral("All files (*)")});
    m_openPanel->setWindowModality(main ? Qt::WindowModal : Qt::ApplicationModal);
    QObject::connect(m_openPanel, &QFileDialog::finished, m_openPanel, [this](int result) {
        std::vector<std::string> paths;
        if (result == QDialog::Accepted) {
            for (const QString& file : m_openPanel->selectedFiles())
                paths.push_back(file.toStdString());
        }
        m_openPanel->deleteLater();
        // Opened at the next turn, once the panel has gone.
        m_framework.mainRunLoop().performOnMainThread([this, paths] { openFiles(paths); });
    });
    m_openPanel->open();
}

std::shared_ptr<DPXMovieFile> DesktopApplication::currentDocument() const {
    return std::dynamic_pointer_cast<DPXMovieFile>(m_controller.currentDocument());
}

void DesktopApplication::quit() {
    const bool exporting = std::any_of(m_controller.documents().begin(), m_controller.documents().end(), [](const auto& open) {
        auto document = std::dynamic_pointer_cast<DPXMovieFile>(open);
        return document && document->isConverting();
    });
    if (exporting) {
        QMessageBox question(QMessageBox::Question, QStringLiteral("Quit Reelmaker"),
                             QStringLiteral("An export is running."), QMessageBox::NoButton,
                             nullptr);
        question.setObjectName(kQuitQuestionName);
        question.setInformativeText(QStringLiteral(
            "Cancel the export and quit? The movie keeps the frames written so far, complete."));
        QPushButton* cancelExport = question.addButton(QStringLiteral("Cancel the Export"), QMessageBox::AcceptRole);
        question.addButton(QStringLiteral("Keep Working"), QMessageBox::RejectRole);
        question.exec();
        if (question.clickedButton() != cancelExport)
            return;
    }
    finishExports();
    // Not QCoreApplication::quit(): that asks every window to close first, and the windows that
    // only hide (Preferences, Help) refuse, so a press would only close one window.
    QCoreApplication::exit(0);
}

void DesktopApplication::finishExports() {
    // A running export is cancelled as the Cancel button does: its movie ends at the frame being
    // written. The worker must be done before the documents and the framework go.
    for (const auto& open : m_controller.documents()) {
        auto document = std::dynamic_pointer_cast<DPXMovieFile>(open);
        if (document && document->isConverting())
            document->saveDocumentAs();
    }
    auto anyRunning = [this] {
        for (const auto& open : m_controller.documents()) {
            auto document = std::dynamic_pointer_cast<DPXMovieFile>(open);
            if (document && (document->isConverting() || document->workerRunning()))
                return true;
        }
        return false;
    };
    while (anyRunning()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}
