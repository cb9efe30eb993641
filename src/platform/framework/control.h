// Base of every control and view of a window.
//
// Controls are made by their container (View::addSlider, ...) and owned by it; a document keeps
// plain pointers to them, as outlets. Each control has an identifier, unique within its window,
// by which front ends and tests find it (View::find). The action is what the control sends when
// the user acts on it; its target is whatever the callback captures. Main thread only.
#pragma once

#include <functional>
#include <string>

namespace fw {

class Window;

/// State of a check box, a radio cell or a menu item.
enum class ControlState : int { Mixed = -1, Off = 0, On = 1 };

class Control {
public:
    using Action = std::function<void(Control& sender)>;

    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& identifier() const { return m_identifier; }
    /// The window that holds the control; null for a free-standing view (a save panel's accessory).
    Window* window() const { return m_window; }

    virtual bool isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isHidden() const = 0;
    virtual void setHidden(bool hidden) = 0;

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    void setAction(Action action) { m_action = std::move(action); }
    bool hasAction() const { return static_cast<bool>(m_action); }
    /// Sends the action with this control as the sender, as a user's act does; nothing without an
    /// action. The action may replace itself or destroy the control while it runs.
    void sendAction() {
        Action action = m_action;
        if (action)
            action(*this);
    }

protected:
    Control(std::string identifier, Window* window) : m_identifier(std::move(identifier)), m_window(window) {}

private:
    std::string m_identifier;
    Window* m_window;
    int m_tag = 0;
    Action m_action;
};

} // namespace fw
