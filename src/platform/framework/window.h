// A window with a content view, and the delegate that hears about its main state and closing.
//
// At most one window of the application is main (the one in front that takes the user's
// commands). A window that becomes main tells its delegate after the window that stops being main
// has told its own. Main thread only.
#pragma once

#include "platform/framework/view.h"
#include "platform/geometry.h"

#include <functional>
#include <string>

namespace fw {

class Window;

/// The window notifications; the window passed is the notification's object, to be compared with
/// the delegate's own window.
class WindowDelegate {
public:
    virtual ~WindowDelegate() = default;
    virtual void windowDidBecomeMain(Window& window) { (void)window; }
    virtual void windowDidResignMain(Window& window) { (void)window; }
    virtual void windowWillClose(Window& window) { (void)window; }
    /// The user gave the window a new size (not a size set from code, nor maximising it).
    virtual void windowDidEndLiveResize(Window& window) { (void)window; }
};

class Window {
public:
    using CloseRequest = std::function<void(Window& window)>;

    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    virtual View& contentView() = 0;
    virtual std::string title() const = 0;
    virtual void setTitle(const std::string& title) = 0;
    virtual NSSize contentSize() const = 0;
    virtual void setContentSize(NSSize size) = 0;
    /// The content size at which `control` would be `controlSize`, the other controls taking the
    /// room they need.
    virtual NSSize contentSizeAround(const Control& control, NSSize controlSize) const = 0;

    virtual bool isVisible() const = 0;
    virtual bool isMainWindow() const = 0;
    /// Shows the window in front and makes it main.
    virtual void makeKeyAndOrderFront() = 0;
    /// Hides the window; a main window stops being main.
    virtual void orderOut() = 0;
    /// Closes the window: the delegate hears windowWillClose, then the window is hidden (no longer
    /// main). Closing a closed window does nothing.
    virtual void close() = 0;
    virtual bool isClosed() const = 0;
    /// The user's close button: the close request handler when one is set (a document closes
    /// itself and its window), else close().
    void performClose() {
        CloseRequest handler = m_closeRequest;
        if (handler)
            handler(*this);
        else
            close();
    }

    /// The delegate is not owned; it must outlive the window or be reset first.
    void setDelegate(WindowDelegate* delegate) { m_delegate = delegate; }
    WindowDelegate* delegate() const { return m_delegate; }
    void setCloseRequestHandler(CloseRequest handler) { m_closeRequest = std::move(handler); }

    /// A control of the content view by identifier, or null.
    template <class T> T* find(std::string_view identifier) { return contentView().find<T>(identifier); }

protected:
    Window() = default;

private:
    WindowDelegate* m_delegate = nullptr;
    CloseRequest m_closeRequest;
};

} // namespace fw
