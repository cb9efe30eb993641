// The save panel and the alert, both shown as sheets on a document window.
//
// A sheet returns at once; its completion runs later on the main run loop, when the user has
// answered. The panel or alert keeps itself alive until then. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class View;
class Window;

class SavePanel : public std::enable_shared_from_this<SavePanel> {
public:
    static constexpr int CancelButton = 0;
    static constexpr int OKButton = 1;
    using DidEnd = std::function<void(SavePanel& panel, int returnCode)>;

    virtual ~SavePanel() = default;

    /// A view shown in the panel below the file chooser (not owned; it must outlive the sheet).
    virtual void setAccessoryView(View* view) = 0;
    virtual View* accessoryView() const = 0;

    /// Shows the panel as a sheet on `window` (null: a free-standing panel), opened in `directory`
    /// with `file` proposed as the name. `didEnd` runs later on the main run loop with OKButton or
    /// CancelButton.
    virtual void beginSheetForDirectory(const std::string& directory, const std::string& file, Window* window,
                                        DidEnd didEnd) = 0;

    /// The full path chosen, after OKButton; "" before.
    virtual std::string filename() const = 0;

    /// The user chose a file that exists and answered the panel's own "Replace?" with yes. Only then
    /// may the export replace a file of that name, even one that appears while it runs.
    virtual bool replaceConfirmed() const { return false; }

    /// The name a chosen path really gets (the caller's extension rule); set before the sheet
    /// begins. The panel asks "Replace?" about that name, and filename() gives it.
    using FinalName = std::function<std::string(const std::string& chosen)>;
    void setFinalName(FinalName finalName) { m_finalName = std::move(finalName); }
    std::string finalNameOf(const std::string& chosen) const { return m_finalName ? m_finalName(chosen) : chosen; }

private:
    FinalName m_finalName;
};

class Alert : public std::enable_shared_from_this<Alert> {
public:
    static constexpr int DefaultReturn = 1;
    static constexpr int AlternateReturn = 0;
    static constexpr int OtherReturn = -1;
    using DidEnd = std::function<void(Alert& alert, int returnCode)>;

    virtual ~Alert() = default;

    virtual std::string messageText() const = 0;
    /// Shown as given: the text is never used as a format.
    virtual std::string informativeText() const = 0;
    /// Titles of the buttons, default first ("OK" when none was named).
    virtual std::vector<std::string> buttonTitles() const = 0;

    /// Shows the alert as a sheet on `window`; `didEnd` (may be empty) runs later on the main run
    /// loop with the return code of the button pressed.
    virtual void beginSheetModalForWindow(Window* window, DidEnd didEnd) = 0;
};

} // namespace fw
