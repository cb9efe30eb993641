// The application without a screen: a headless framework, the application controller launched on
// it with in-memory defaults and its main interface (the "VideoOut" and "Display" menus, the help
// and preferences windows, hidden), and sequence documents opened as the desktop application opens
// them.
// The command line and the tests drive documents through it.
//
//   HeadlessSession session;                       // launched: defaults read, output controller made
//   std::shared_ptr<DPXMovieFile> document = session.openDocument("shots/shot_0001.dpx");
//   if (document->currentFileCode() == 0) ...      // the opening failed: the window says so
//   document->frameRatePopup()->selectItemWithTag(1);
//   document->frameRatePopup()->sendAction();      // as the user's choice of 24 fps
//
// The documents must not outlive the session. Nothing reaches the disk: the desktop application's stored
// preferences are neither read nor changed. Main thread only.
#pragma once

#include "app/main_interface.h"
#include "app/my_app_controller.h"
#include "app/startup_services.h"
#include "document/dpx_movie_file.h"
#include "platform/framework/headless/headless_framework.h"
#include "platform/framework/user_defaults.h"

#include <memory>
#include <string>

class HeadlessSession {
public:
    /// Makes the framework and the application controller, stores `storedDefaults` as the values a
    /// user had set before (e.g. {"FrameRate", 9}), and launches. `services` as for the controller
    /// (the default makes the application's own output controller).
    explicit HeadlessSession(const fw::DefaultsDictionary& storedDefaults = {},
                             StartupServices services = {});
    /// Terminates the application: the defaults are synchronized and every document is closed.
    ~HeadlessSession();
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    fw::HeadlessFramework& framework() { return m_framework; }
    MyAppController& controller() { return m_controller; }
    MainInterface& mainInterface() { return m_interface; }
    fw::MemoryUserDefaults& userDefaults() { return m_framework.standardUserDefaults(); }

    /// Opens the file as the user's open command does: a DPXMovieFile made by the controller, given
    /// the path, its window made and set up (which opens the sequence; a window opened successfully
    /// is shown). The document is returned also when the opening failed (currentFileCode() 0); it
    /// stays among the controller's documents until closed. Null only if no document could be made.
    std::shared_ptr<DPXMovieFile> openDocument(const std::string& path);
    /// Whether documents opened from now on show their frames, in their preview and on the output
    /// device (they do by default).
    void setDocumentsShowFrames(bool show) { m_showFrames = show; }

private:
    bool m_showFrames = true;
    fw::HeadlessFramework m_framework;
    MyAppController m_controller;
    MainInterface m_interface;
};
