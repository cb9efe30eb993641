// The desktop application: the core's application controller and main interface on the Qt
// framework, with the main menu, the start window, the output monitor and the opening of files
// (named on the command line, chosen in the Open panel, or dropped on a window).
//
//   QApplication qt(argc, argv);
//   DesktopApplication application;      // launched: defaults read, menus made, no document
//   application.openFiles({"shots/shot_0001.dpx"});
//   qt.exec();
//
// Every command acts through the core's own objects: documents open through the controller, the
// Translate command is the document's saveDocumentAs, the preferences are the main interface's.
// Made after the QApplication and gone before it; main thread only.
#pragma once

#include "app/main_interface.h"
#include "app/my_app_controller.h"
#include "document/dpx_movie_file.h"
#include "gui/main_menu.h"
#include "gui/monitor_window.h"
#include "gui/recent_files.h"
#include "platform/qt/qt_framework.h"

#include <QFileDialog>
#include <QPointer>

#include <memory>
#include <string>
#include <vector>

class SoftwareOutputDevice;

class DesktopApplication {
public:
    struct Options {
        std::string settingsPath = fw::defaultSettingsPath();
        std::string resourcesDirectory = fw::locateResourcesDirectory();
        /// Whether the start window shows while no document is open (off for tests and benches).
        bool startWindow = true;
    };

    static constexpr const char* kOpenPanelName = "openPanel";

    DesktopApplication();
    explicit DesktopApplication(Options options);
    /// Ends what exports run (each completes a shorter movie), then terminates the application:
    /// the defaults are written and every document is closed.
    ~DesktopApplication();
    DesktopApplication(const DesktopApplication&) = delete;
    DesktopApplication& operator=(const DesktopApplication&) = delete;

    /// The files named on a command line (arguments[0] is the program; options are passed over).
    static std::vector<std::string> filesFromArguments(const QStringList& arguments);
    /// Opens each file as a document with its window (shown also when the opening failed: the
    /// window says why). Returns the documents in order.
    std::vector<std::shared_ptr<DPXMovieFile>> openFiles(const std::vector<std::string>& paths);
    /// File ▸ Open…: a window-modal panel (DPX and Cineon frames, or all files); the chosen files
    /// open when the user accepts.
    void showOpenPanel();
    /// File > Quit: the one place the application ends, from any state (Preferences, Help or the
    /// monitor open, any number of documents). While an export runs the user is asked first: the
    /// export is cancelled (its movie ends complete at the frame being written) or nothing happens.
    void quit();
    static constexpr const char* kQuitQuestionName = "quitQuestion";
    QFileDialog* openPanel() const { return m_openPanel; }

    /// The document whose window is main, or null.
    std::shared_ptr<DPXMovieFile> currentDocument() const;

    fw::QtFramework& framework() { return m_framework; }
    MyAppController& controller() { return m_controller; }
    MainInterface& mainInterface() { return *m_interface; }
    MainMenu& mainMenu() { return *m_menu; }
    MonitorWindow& monitor() { return *m_monitor; }
    /// The software output device the monitor shows; null without one.
    const SoftwareOutputDevice* outputDevice() const;
    fw::Window& startWindow() { return *m_startWindow; }
    RecentFiles& recentFiles() { return m_recent; }

private:
    MenuCommands menuCommands();
    void makeStartWindow();
    void showStartWindowIfAlone();
    void finishExports();

    Options m_options;
    fw::QtFramework m_framework;
    MyAppController m_controller;
    std::unique_ptr<MainMenu> m_menu;
    std::unique_ptr<MainInterface> m_interface;
    std::unique_ptr<fw::Window> m_startWindow;
    std::unique_ptr<MonitorWindow> m_monitor;
    RecentFiles m_recent;
    bool m_loopPlayback = false;
    QPointer<QFileDialog> m_openPanel;
};
