// Windows on QMainWindow, and the window list that decides which one is main.
//
// Every window carries the main menu's submenus in its menu bar. A window shown from code becomes
// main at once; one the user activates (a click, the window manager) becomes main when Qt says
// so. A size the user gives the window is told to its delegate. The close button asks the window's close request handler (a document closes itself), and
// files dropped on any window go to the list's open handler.
#pragma once

#include "platform/framework/window.h"
#include "platform/qt/qt_view.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class QtMenu;
class QtWindow;

class QtWindowList {
public:
    using OpenFiles = std::function<void(const std::vector<std::string>& paths)>;

    explicit QtWindowList(QtMenu& mainMenu) : m_mainMenu(mainMenu) {}
    QtWindowList(const QtWindowList&) = delete;
    QtWindowList& operator=(const QtWindowList&) = delete;

    QtWindow* mainWindow() const { return m_main; }
    /// Live windows, back to front.
    const std::vector<QtWindow*>& windows() const { return m_windows; }
    QtMenu& mainMenu() const { return m_mainMenu; }

    /// Who opens the files dropped on a window.
    void setOpenFilesHandler(OpenFiles handler) { m_openFiles = std::move(handler); }
    const OpenFiles& openFilesHandler() const { return m_openFiles; }
    /// Told when the last visible window was hidden or closed.
    void setNoVisibleWindowHandler(std::function<void()> handler) { m_noVisibleWindow = std::move(handler); }

private:
    friend class QtWindow;
    void add(QtWindow* window) { m_windows.push_back(window); }
    void remove(QtWindow* window);
    void orderFront(QtWindow* window);
    void hidden(QtWindow* window);
    void makeMain(QtWindow* window);

    QtMenu& m_mainMenu;
    std::vector<QtWindow*> m_windows;
    QtWindow* m_main = nullptr;
    OpenFiles m_openFiles;
    std::function<void()> m_noVisibleWindow;
};

class QtWindow : public Window {
public:
    /// The list must outlive the window.
    QtWindow(QtWindowList& list, const std::string& title, NSSize contentSize);
    ~QtWindow() override;

    View& contentView() override { return *m_content; }
    std::string title() const override;
    void setTitle(const std::string& title) override;
    NSSize contentSize() const override;
    /// The content's size, but never below what its controls need.
    void setContentSize(NSSize size) override;
    /// From the natural sizes the layout gives the controls.
    NSSize contentSizeAround(const Control& control, NSSize controlSize) const override;

    bool isVisible() const override;
    bool isMainWindow() const override { return m_list.mainWindow() == this; }
    void makeKeyAndOrderFront() override;
    void orderOut() override;
    void close() override;
    bool isClosed() const override { return m_closed; }

    QMainWindow* widget() const { return m_widget; }

private:
    class Widget;
    friend class Widget;
    void activated();
    /// Tells the delegate of a size the user gave: not one set from code, nor a maximised, full
    /// screen or minimised window.
    void resized();

    QtWindowList& m_list;
    QMainWindow* m_widget;
    std::unique_ptr<QtView> m_content;
    bool m_closed = false;
    bool m_sizingFromCode = false;
    QSize m_sizeFromCode;
};

} // namespace fw
