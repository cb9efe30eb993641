#include "platform/qt/qt_framework.h"

#include "platform/qt/qt_text.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

namespace fw {

QtFramework::QtFramework(const std::string& settingsPath, std::string resourcesDirectory)
    : m_defaults(settingsPath), m_bundle(std::move(resourcesDirectory)) {}

QtFramework::~QtFramework() {
    // What timers and queued work keep alive (documents and their windows) goes while the window
    // list and the menus are still here.
    m_runLoop.shutdown();
}

NSSize QtFramework::screenVisibleSize() const {
    QScreen* screen = mainWindow() ? mainWindow()->widget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return Framework::screenVisibleSize();
    const QSize available = screen->availableGeometry().size();
    return {float(available.width()), float(available.height())};
}

std::unique_ptr<Window> QtFramework::makeWindow(const std::string& title, NSSize contentSize) {
    return std::make_unique<QtWindow>(m_windows, title, contentSize);
}

std::unique_ptr<View> QtFramework::makeView(const std::string& identifier, Layout layout) {
    auto view = std::make_unique<QtView>(identifier, nullptr, nullptr, layout);
    view->widget()->setContentsMargins(0, 6, 0, 0);
    return view;
}

std::unique_ptr<Menu> QtFramework::makeMenu(const std::string& title) {
    return std::make_unique<QtMenu>(title);
}

std::shared_ptr<SavePanel> QtFramework::savePanel() {
    return std::make_shared<QtSavePanel>(m_runLoop);
}

std::shared_ptr<Alert> QtFramework::alertWithMessageText(const std::string& message,
                                                         const std::string& defaultButton,
                                                         const std::string& alternateButton,
                                                         const std::string& otherButton,
                                                         const std::string& informativeText) {
    std::vector<std::string> buttons = alertButtonTitles(defaultButton, alternateButton, otherButton);
    return std::make_shared<QtAlert>(m_runLoop, message, std::move(buttons), informativeText);
}

void QtFramework::revealInFileManager(const std::string& path) {
    Framework::revealInFileManager(path);
    // The folder, opened by the desktop's file manager; selecting the file is not portable.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(toQString(path)).absolutePath()));
}

} // namespace fw
