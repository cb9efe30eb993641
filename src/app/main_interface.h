// The application's main interface: the "VideoOut" and "Display" submenus of the main menu, the
// help window with its text view, and the preferences window with the movie extension check box and
// the two name popups (items tagged with the NameSourceType values 0-4). Loading it makes these on
// the framework and connects them to the application controller (outlets and actions), as loading
// the main interface description does before the application finishes launching.
//
// It owns the two windows; the controller's outlets are cleared when it goes. Main thread only.
#pragma once

#include "app/my_app_controller.h"
#include "platform/framework/framework.h"

#include <memory>

class MainInterface {
public:
    // Identifiers of the controls, by which front ends and tests find them.
    static constexpr const char* kHelpTextID = "helpText";
    static constexpr const char* kFileExtensionButtonID = "prefQTFileExtButton";
    static constexpr const char* kFileNamePopupID = "prefQTFileNamePopup";
    static constexpr const char* kSourceIDPopupID = "prefSourceIDPopup";
    static constexpr const char* kAllowLargeFramesButtonID = "prefAllowLargeFramesButton";

    MainInterface(fw::Framework& framework, MyAppController& controller);
    ~MainInterface();
    MainInterface(const MainInterface&) = delete;
    MainInterface& operator=(const MainInterface&) = delete;

    fw::Window& helpWindow() const { return *m_helpWindow; }
    fw::Window& preferencesWindow() const { return *m_preferencesWindow; }
    fw::TextView& helpText() const { return *m_helpText; }
    fw::Button& fileExtensionButton() const { return *m_fileExtensionButton; }
    fw::Button& allowLargeFramesButton() const { return *m_allowLargeFramesButton; }
    fw::PopUpButton& fileNamePopup() const { return *m_fileNamePopup; }
    fw::PopUpButton& sourceIDPopup() const { return *m_sourceIDPopup; }

private:
    void addSubmenu(const std::string& title);
    void makeHelpWindow();
    void makePreferencesWindow();

    fw::Framework& m_framework;
    MyAppController& m_controller;
    std::unique_ptr<fw::Window> m_helpWindow;
    std::unique_ptr<fw::Window> m_preferencesWindow;
    fw::TextView* m_helpText = nullptr;
    fw::Button* m_fileExtensionButton = nullptr;
    fw::Button* m_allowLargeFramesButton = nullptr;
    fw::PopUpButton* m_fileNamePopup = nullptr;
    fw::PopUpButton* m_sourceIDPopup = nullptr;
};
