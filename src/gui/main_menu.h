// The desktop application's main menu: File, Edit, View, "VideoOut", "Display" and Help. The
// "VideoOut" and "Display" submenus are the core's (their delegate, the video output controller,
// rebuilds them each time one opens); the others send the commands below. Made on the framework's
// main menu before any window, since every window's menu bar shows it.
#pragma once

#include "platform/framework/menu.h"

#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fw {
class QtFramework;
}

struct MenuCommands {
    std::function<void()> open;
    std::function<void(const std::string& path)> openRecent;
    std::function<QStringList()> recentPaths;
    std::function<void()> clearRecent;
    std::function<void()> close;
    std::function<void()> translate;
    std::function<bool()> canTranslate;
    std::function<void()> quit;
    std::function<void()> preferences;
    std::function<void()> showMonitor;
    std::function<void()> playPause;
    std::function<bool()> canPlay;
    /// Playing goes on at the in point after the out point; the item shows the state.
    std::function<void(bool loop)> setLoopPlayback;
    std::function<bool()> loopPlayback;
    /// The front document's picture at its own pixels (Actual Size) or fitted to the window.
    std::function<void(bool actual)> setActualSize;
    /// Which of the two the front document shows; nothing without one.
    std::function<std::optional<bool>()> actualSize;
    /// The names of the screens, and showing the monitor full screen on one of them.
    std::function<std::vector<std::string>()> screenNames;
    std::function<void(int index)> fullScreenMonitor;
    std::function<void()> help;
};

class MainMenu {
public:
    /// Titles of the menu items, by which tests find them.
    static constexpr const char* kOpenTitle = "Open...";
    static constexpr const char* kOpenRecentTitle = "Open Recent";
    static constexpr const char* kCloseTitle = "Close";
    static constexpr const char* kTranslateTitle = "Translate...";
    static constexpr const char* kQuitTitle = "Quit";
    static constexpr const char* kPreferencesTitle = "Preferences...";
    static constexpr const char* kShowMonitorTitle = "Show Output Monitor";
    static constexpr const char* kPlayTitle = "Play/Pause";
    static constexpr const char* kLoopTitle = "Loop Playback";
    static constexpr const char* kFitTitle = "Fit";
    static constexpr const char* kActualSizeTitle = "Actual Size";
    static constexpr const char* kFullScreenTitle = "Output Monitor Full Screen On";
    static constexpr const char* kHelpTitle = "Reelmaker Help";

    MainMenu(fw::QtFramework& framework, MenuCommands commands);
    ~MainMenu();
    MainMenu(const MainMenu&) = delete;
    MainMenu& operator=(const MainMenu&) = delete;

    /// The submenu of the main menu's item with that title ("File", "VideoOut", ...), or null.
    fw::Menu* submenu(const std::string& title) const;

private:
    class Updater;
    fw::Menu& addMenu(const std::string& title);

    fw::QtFramework& m_framework;
    MenuCommands m_commands;
    std::vector<std::unique_ptr<fw::MenuDelegate>> m_delegates;
};
