// The framework on Qt 6 Widgets: the desktop application runs the core on it.
//
// Made after the QApplication, on its thread, and gone before it. User defaults are kept in an
// INI file (defaultSettingsPath() unless told otherwise), resources come from the application's
// resources directory, and the main menu's submenus make every window's menu bar: the menu must
// be filled before the first window is made.
#pragma once

#include "platform/framework/bundle.h"
#include "platform/framework/framework.h"
#include "platform/qt/qt_menu.h"
#include "platform/qt/qt_panels.h"
#include "platform/qt/qt_run_loop.h"
#include "platform/qt/qt_user_defaults.h"
#include "platform/qt/qt_window.h"

#include <string>

namespace fw {

class QtFramework : public Framework {
public:
    explicit QtFramework(const std::string& settingsPath = defaultSettingsPath(),
                         std::string resourcesDirectory = locateResourcesDirectory());
    ~QtFramework() override;
    void revealInFileManager(const std::string& path) override;
    /// The available area of the main window's screen, else of the primary screen.
    NSSize screenVisibleSize() const override;

    QtUserDefaults& standardUserDefaults() override { return m_defaults; }
    DirectoryBundle& mainBundle() override { return m_bundle; }
    QtRunLoop& mainRunLoop() override { return m_runLoop; }
    QtMenu& mainMenu() override { return m_mainMenu; }

    std::unique_ptr<Window> makeWindow(const std::string& title, NSSize contentSize) override;
    std::unique_ptr<View> makeView(const std::string& identifier, Layout layout) override;
    std::unique_ptr<Menu> makeMenu(const std::string& title) override;
    std::shared_ptr<SavePanel> savePanel() override;
    std::shared_ptr<Alert> alertWithMessageText(const std::string& message, const std::string& defaultButton,
                                                const std::string& alternateButton,
                                                const std::string& otherButton,
                                                const std::string& informativeText) override;

    QtWindowList& windows() { return m_windows; }
    QtWindow* mainWindow() const { return m_windows.mainWindow(); }

private:
    QtUserDefaults m_defaults;
    DirectoryBundle m_bundle;
    QtRunLoop m_runLoop;
    QtMenu m_mainMenu{"Main Menu"};
    QtWindowList m_windows{m_mainMenu};
};

} // namespace fw
