// The application's framework: its services and the maker of its windows, panels and menus.
//
// One Framework per application (the headless one for the command line and the tests, the Qt one
// for the desktop); the core reaches every platform service through it, so it never knows which it
// runs on. What the platform keeps as shared instances (the standard user defaults, the main
// bundle, the main run loop, the main menu, the shared document controller) belongs to the
// Framework object instead of global state. Main thread only, except
// mainRunLoop().performOnMainThread().
#pragma once

#include "platform/framework/application.h"
#include "platform/framework/bundle.h"
#include "platform/framework/menu.h"
#include "platform/framework/panels.h"
#include "platform/framework/run_loop.h"
#include "platform/framework/user_defaults.h"
#include "platform/framework/window.h"

#include <memory>
#include <string>
#include <vector>

namespace fw {

class DocumentController;

class Framework {
public:
    virtual ~Framework() = default;
    Framework(const Framework&) = delete;
    Framework& operator=(const Framework&) = delete;

    virtual UserDefaults& standardUserDefaults() = 0;
    virtual Bundle& mainBundle() = 0;
    virtual RunLoop& mainRunLoop() = 0;
    /// The application's main menu (its items hold the submenus: "VideoOut", "Display", ...).
    virtual Menu& mainMenu() = 0;

    /// A new window, hidden, with an empty content view.
    virtual std::unique_ptr<Window> makeWindow(const std::string& title, NSSize contentSize) = 0;
    /// A free-standing view (a save panel's accessory).
    virtual std::unique_ptr<View> makeView(const std::string& identifier, Layout layout) = 0;
    /// A menu to hang under a menu item (MenuItem::setSubmenu).
    virtual std::unique_ptr<Menu> makeMenu(const std::string& title) = 0;
    /// A new save panel.
    virtual std::shared_ptr<SavePanel> savePanel() = 0;
    /// An alert with a message, up to three buttons ("" for none; a default of "" is "OK") and an
    /// informative text shown as given.
    virtual std::shared_ptr<Alert> alertWithMessageText(const std::string& message, const std::string& defaultButton,
                                                       const std::string& alternateButton,
                                                       const std::string& otherButton,
                                                       const std::string& informativeText) = 0;

    /// The room new windows have on the screen they open on (without panels and docks). Without a
    /// screen, the size given with setScreenVisibleSize (1920 x 1080 at first).
    virtual NSSize screenVisibleSize() const { return m_screenVisibleSize; }
    void setScreenVisibleSize(NSSize size) { m_screenVisibleSize = size; }

    /// Shows the file in the desktop's file manager (its folder opened). The headless framework
    /// only keeps the path (revealedPath()).
    virtual void revealInFileManager(const std::string& path) { m_revealedPath = path; }
    const std::string& revealedPath() const { return m_revealedPath; }

    /// The first document controller made; null before one exists.
    DocumentController* sharedDocumentController() const { return m_sharedDocumentController; }

    /// The application delegate (not owned).
    void setDelegate(ApplicationDelegate* delegate) { m_delegate = delegate; }
    ApplicationDelegate* delegate() const { return m_delegate; }
    /// Launching: the delegate's will- and did-finish-launching, then, when it wants one, an
    /// untitled document through the shared document controller.
    void finishLaunching();
    /// Ending: the delegate's will-terminate, then every document is closed.
    void terminate();

protected:
    Framework() = default;
    /// An alert's button titles: the default one ("OK" when "") and then those of the others that
    /// are named.
    static std::vector<std::string> alertButtonTitles(const std::string& defaultButton,
                                                      const std::string& alternateButton,
                                                      const std::string& otherButton);

private:
    std::string m_revealedPath;
    NSSize m_screenVisibleSize{1920, 1080};
    friend class DocumentController;
    DocumentController* m_sharedDocumentController = nullptr;
    ApplicationDelegate* m_delegate = nullptr;
};

} // namespace fw
