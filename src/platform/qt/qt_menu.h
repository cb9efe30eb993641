// Menus and menu items on QMenu and QAction.
//
// A menu's QMenu has no parent: the main menu's submenus appear in the menu bar of every window.
// Just before a menu shows, its delegate rebuilds it (aboutToShow). Items removed while their own
// action runs are let go of at the next turn of the event loop.
#pragma once

#include "platform/framework/menu.h"

#include <QPointer>

#include <memory>
#include <vector>

class QAction;
class QMenu;

namespace fw {

class QtMenu;

class QtMenuItem : public MenuItem {
public:
    QtMenuItem(QtMenu& menu, const std::string& title, Action action, const std::string& keyEquivalent);
    ~QtMenuItem() override;

    std::string title() const override;
    void setTitle(const std::string& title) override;
    int tag() const override { return m_tag; }
    void setTag(int tag) override { m_tag = tag; }
    ControlState state() const override { return m_state; }
    void setState(ControlState state) override;
    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    std::string keyEquivalent() const override { return m_keyEquivalent; }
    /// A letter or sign with the control key; an upper-case letter adds the shift key.
    void setKeyEquivalent(const std::string& key) override;
    Menu* submenu() const override { return m_submenu.get(); }
    void setSubmenu(std::unique_ptr<Menu> submenu) override;
    Menu& menu() const override;

    QAction* action() const { return m_action; }

private:
    QtMenu& m_menu;
    QPointer<QAction> m_action;
    int m_tag = 0;
    ControlState m_state = ControlState::Off;
    std::string m_keyEquivalent;
    std::unique_ptr<Menu> m_submenu;
};

class QtMenu : public Menu {
public:
    explicit QtMenu(const std::string& title);
    ~QtMenu() override;

    std::string title() const override { return m_title; }
    int numberOfItems() const override { return int(m_items.size()); }
    MenuItem* itemAtIndex(int index) const override;
    MenuItem& addItemWithTitle(const std::string& title, MenuItem::Action action,
                               const std::string& keyEquivalent) override;
    void removeItemAtIndex(int index) override;

    QMenu* qmenu() const { return m_menu.get(); }
    /// A separator line after the last item (not an item of the menu).
    void addSeparator();

private:
    std::string m_title;
    std::unique_ptr<QMenu> m_menu;
    std::vector<std::unique_ptr<QtMenuItem>> m_items;
};

} // namespace fw
