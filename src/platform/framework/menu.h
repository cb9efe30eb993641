// Menus and menu items, and the delegate that rebuilds a menu just before it opens.
//
// A menu owns its items, and an item owns its submenu. Item actions carry their target in the
// callback. Main thread only.
#pragma once

#include "platform/framework/control.h"

#include <functional>
#include <memory>
#include <string>

namespace fw {

class Menu;

class MenuItem {
public:
    using Action = std::function<void(MenuItem& sender)>;

    virtual ~MenuItem() = default;
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    virtual std::string title() const = 0;
    virtual void setTitle(const std::string& title) = 0;
    virtual int tag() const = 0;
    virtual void setTag(int tag) = 0;
    /// On shows a check mark.
    virtual ControlState state() const = 0;
    virtual void setState(ControlState state) = 0;
    virtual bool isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual std::string keyEquivalent() const = 0;
    virtual void setKeyEquivalent(const std::string& key) = 0;
    virtual Menu* submenu() const = 0;
    virtual void setSubmenu(std::unique_ptr<Menu> submenu) = 0;
    /// The menu that holds the item.
    virtual Menu& menu() const = 0;

    void setAction(Action action) { m_action = std::move(action); }
    bool hasAction() const { return static_cast<bool>(m_action); }
    /// Sends the action with this item as the sender, as choosing the item does. The action may
    /// rebuild the menu, destroying this item, while it runs.
    void sendAction() {
        Action action = m_action;
        if (action)
            action(*this);
    }

protected:
    MenuItem() = default;

private:
    Action m_action;
};

class MenuDelegate {
public:
    virtual ~MenuDelegate() = default;
    /// The menu is about to open: the delegate may rebuild its items.
    virtual void menuNeedsUpdate(Menu& menu) = 0;
};

class Menu {
public:
    virtual ~Menu() = default;
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    virtual std::string title() const = 0;
    virtual int numberOfItems() const = 0;
    /// The item at the index, or null out of range.
    virtual MenuItem* itemAtIndex(int index) const = 0;
    /// Adds an enabled item, state off, tag 0, at the end.
    virtual MenuItem& addItemWithTitle(const std::string& title, MenuItem::Action action,
                                       const std::string& keyEquivalent) = 0;
    /// Removes (and destroys) the item at the index; nothing out of range.
    virtual void removeItemAtIndex(int index) = 0;

    void removeAllItems();
    int indexOfItemWithTitle(const std::string& title) const;  // -1 when none
    MenuItem* itemWithTitle(const std::string& title) const;
    int indexOfItemWithTag(int tag) const;  // -1 when none
    MenuItem* itemWithTag(int tag) const;

    /// The delegate is not owned; it must outlive the menu or be reset first.
    void setDelegate(MenuDelegate* delegate) { m_delegate = delegate; }
    MenuDelegate* delegate() const { return m_delegate; }
    /// What the front end does just before showing the menu: lets the delegate rebuild it.
    void menuWillOpen() {
        if (m_delegate)
            m_delegate->menuNeedsUpdate(*this);
    }

protected:
    Menu() = default;

private:
    MenuDelegate* m_delegate = nullptr;
};

} // namespace fw
