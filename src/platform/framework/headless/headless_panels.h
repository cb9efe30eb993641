// Save panels and alerts without a screen: whoever drives the headless framework answers them.
#pragma once

#include "platform/framework/panels.h"

#include <functional>

namespace fw {

class RunLoop;
class HeadlessSavePanel;
class HeadlessAlert;

/// Answers a save panel when its sheet begins: may choose a path (setFilename) and change the
/// accessory's controls, and returns SavePanel::OKButton or CancelButton. OK without a chosen
/// path accepts the proposed name in the proposed directory.
using SavePanelResponder = std::function<int(HeadlessSavePanel& panel)>;
/// Answers an alert with the return code of the button pressed.
using AlertResponder = std::function<int(HeadlessAlert& alert)>;

class HeadlessSavePanel : public SavePanel {
public:
    HeadlessSavePanel(RunLoop& runLoop, SavePanelResponder responder)
        : m_runLoop(runLoop), m_responder(std::move(responder)) {}

    void setAccessoryView(View* view) override { m_accessory = view; }
    View* accessoryView() const override { return m_accessory; }
    /// Asks the responder at once (Cancel without one); `didEnd` runs at the run loop's next turn.
    void beginSheetForDirectory(const std::string& directory, const std::string& file, Window* window,
                                DidEnd didEnd) override;
    std::string filename() const override { return m_filename; }
    bool replaceConfirmed() const override { return m_replaceConfirmed; }

    /// What the sheet was opened with.
    const std::string& directory() const { return m_directory; }
    const std::string& proposedFile() const { return m_file; }
    Window* sheetWindow() const { return m_window; }
    /// The responder's choice of a full path.
    void setFilename(const std::string& path) { m_filename = path; }
    /// The responder's answer to "Replace?".
    void setReplaceConfirmed(bool replace) { m_replaceConfirmed = replace; }

private:
    RunLoop& m_runLoop;
    SavePanelResponder m_responder;
    View* m_accessory = nullptr;
    std::string m_directory;
    std::string m_file;
    Window* m_window = nullptr;
    std::string m_filename;
    bool m_replaceConfirmed = false;
};

class HeadlessAlert : public Alert {
public:
    HeadlessAlert(RunLoop& runLoop, AlertResponder responder, std::string message,
                  std::vector<std::string> buttons, std::string informative)
        : m_runLoop(runLoop), m_responder(std::move(responder)), m_message(std::move(message)),
          m_buttons(std::move(buttons)), m_informative(std::move(informative)) {}

    std::string messageText() const override { return m_message; }
    std::string informativeText() const override { return m_informative; }
    std::vector<std::string> buttonTitles() const override { return m_buttons; }
    /// Asks the responder at once (the default button without one); `didEnd` runs at the run
    /// loop's next turn.
    void beginSheetModalForWindow(Window* window, DidEnd didEnd) override;

    Window* sheetWindow() const { return m_window; }

private:
    RunLoop& m_runLoop;
    AlertResponder m_responder;
    std::string m_message;
    std::vector<std::string> m_buttons;
    std::string m_informative;
    Window* m_window = nullptr;
};

} // namespace fw
