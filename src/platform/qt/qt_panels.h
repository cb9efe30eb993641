// The save panel and the alert as window-modal sheets: QFileDialog (Qt's own dialog, which can
// hold the accessory view) and QMessageBox, both opened with open(), never a nested event loop.
// The completion runs at a later turn of the event loop, once the user has answered.
#pragma once

#include "platform/framework/panels.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

#include <string>
#include <vector>

namespace fw {

class RunLoop;

class QtSavePanel : public SavePanel {
public:
    static constexpr const char* kObjectName = "savePanel";
    static constexpr const char* kReplaceQuestionName = "replaceQuestion";

    explicit QtSavePanel(RunLoop& runLoop) : m_runLoop(runLoop) {}
    ~QtSavePanel() override;

    void setAccessoryView(View* view) override { m_accessory = view; }
    View* accessoryView() const override { return m_accessory; }
    void beginSheetForDirectory(const std::string& directory, const std::string& file, Window* window,
                                DidEnd didEnd) override;
    std::string filename() const override { return m_filename; }
    bool replaceConfirmed() const override { return m_replaceConfirmed; }

    /// The dialog while the sheet shows (tests, screenshots).
    QFileDialog* dialog() const { return m_dialog; }

private:
    void finished(int result, DidEnd didEnd);
    /// Whether the dialog may close on `chosen`: yes when its final name is free, else the user's
    /// answer to "Replace?" (kept as replaceConfirmed()).
    bool confirmReplacing(const QString& chosen);
    void takeBackAccessory();

    RunLoop& m_runLoop;
    View* m_accessory = nullptr;
    QPointer<QWidget> m_accessoryWidget;
    QPointer<QFileDialog> m_dialog;
    std::string m_filename;
    bool m_replaceConfirmed = false;
};

class QtAlert : public Alert {
public:
    static constexpr const char* kObjectName = "alert";

    QtAlert(RunLoop& runLoop, std::string message, std::vector<std::string> buttons, std::string informative)
        : m_runLoop(runLoop), m_message(std::move(message)), m_buttons(std::move(buttons)),
          m_informative(std::move(informative)) {}
    ~QtAlert() override;

    std::string messageText() const override { return m_message; }
    std::string informativeText() const override { return m_informative; }
    std::vector<std::string> buttonTitles() const override { return m_buttons; }
    void beginSheetModalForWindow(Window* window, DidEnd didEnd) override;

private:
    RunLoop& m_runLoop;
    std::string m_message;
    std::vector<std::string> m_buttons;
    std::string m_informative;
    QPointer<QMessageBox> m_box;
};

} // namespace fw
