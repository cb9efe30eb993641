// The framework without a screen: the command line and the tests run the application on it.
//
// User defaults live in memory, the run loop runs when pumped, windows and controls hold their
// state, and save panels and alerts are answered by responders that the driver sets. It also
// keeps a record of the alerts shown and the save panels opened. It must outlive the documents,
// windows and controllers made on it.
#pragma once

#include "platform/framework/bundle.h"
#include "platform/framework/framework.h"
#include "platform/framework/headless/headless_menu.h"
#include "platform/framework/headless/headless_panels.h"
#include "platform/framework/headless/headless_run_loop.h"
#include "platform/framework/headless/headless_window.h"
#include "platform/framework/headless/memory_user_defaults.h"

#include <string>
#include <vector>

namespace fw {

class HeadlessFramework : public Framework {
public:
    /// Resources come from `resourcesDirectory`, by default the application's
    /// (locateResourcesDirectory()); `now` replaces the run loop's clock (tests).
    explicit HeadlessFramework(std::string resourcesDirectory = locateResourcesDirectory(),
                               HeadlessRunLoop::TimeSource now = {});
    ~HeadlessFramework() override;

    MemoryUserDefaults& standardUserDefaults() override { return m_defaults; }
    DirectoryBundle& mainBundle() override { return m_bundle; }
    HeadlessRunLoop& mainRunLoop() override { return m_runLoop; }
    HeadlessMenu& mainMenu() override { return m_mainMenu; }

    std::unique_ptr<Window> makeWindow(const std::string& title, NSSize contentSize) override;
    std::unique_ptr<View> makeView(const std::string& identifier, Layout layout) override;
    std::unique_ptr<Menu> makeMenu(const std::string& title) override;
    std::shared_ptr<SavePanel> savePanel() override;
    std::shared_ptr<Alert> alertWithMessageText(const std::string& message, const std::string& defaultButton,
                                               const std::string& alternateButton, const std::string& otherButton,
                                               const std::string& informativeText) override;

    /// Who answers the save panels and alerts from now on (none: Cancel, and the default button).
    void setSavePanelResponder(SavePanelResponder responder) { m_savePanelResponder = std::move(responder); }
    void setAlertResponder(AlertResponder responder) { m_alertResponder = std::move(responder); }

    struct SavePanelRecord {
        std::string directory;
        std::string proposedFile;
        Window* window;
    };
    struct AlertRecord {
        std::string message;
        std::vector<std::string> buttons;
        std::string informative;
        Window* window;
    };
    /// Every save panel sheet and alert sheet begun, in order.
    const std::vector<SavePanelRecord>& savePanelsShown() const { return m_savePanelsShown; }
    const std::vector<AlertRecord>& alertsShown() const { return m_alertsShown; }

    /// The main window, or null; the live windows back to front.
    Window* mainWindow() const { return m_windows.mainWindow(); }
    const std::vector<HeadlessWindow*>& windows() const { return m_windows.windows(); }

private:
    MemoryUserDefaults m_defaults;
    DirectoryBundle m_bundle;
    HeadlessRunLoop m_runLoop;
    HeadlessMenu m_mainMenu{"Main Menu"};
    HeadlessWindowList m_windows;
    SavePanelResponder m_savePanelResponder;
    AlertResponder m_alertResponder;
    std::vector<SavePanelRecord> m_savePanelsShown;
    std::vector<AlertRecord> m_alertsShown;
};

} // namespace fw
