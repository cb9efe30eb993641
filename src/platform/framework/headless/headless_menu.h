// Menus in memory. A test opens one with menuWillOpen() (its delegate rebuilds it) and chooses an
// item with userChoose().
#pragma once

#include "platform/framework/menu.h"

#include <memory>
#include <vector>

namespace fw {

class HeadlessMenu;

class HeadlessMenuItem : public MenuItem {
public:
    HeadlessMenuItem(HeadlessMenu& menu, const std::string& title, const std::string& keyEquivalent)
        : m_menu(menu), m_title(title), m_keyEquivalent(keyEquivalent) {}

    std::string title() const override { return m_title; }
    void setTitle(const std::string& title) override { m_title = title; }
    int tag() const override { return m_tag; }
    void setTag(int tag) override { m_tag = tag; }
    ControlState state() const override { return m_state; }
    void setState(ControlState state) override { m_state = state; }
    bool isEnabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    std::string keyEquivalent() const override { return m_keyEquivalent; }
    void setKeyEquivalent(const std::string& key) override { m_keyEquivalent = key; }
    Menu* submenu() const override;
    void setSubmenu(std::unique_ptr<Menu> submenu) override { m_submenu = std::move(submenu); }
    Menu& menu() const override;

    /// The user chooses the item: nothing for a disabled item; else its action is sent.
    bool userChoose();

private:
    HeadlessMenu& m_menu;
    std::string m_title;
    std::string m_keyEquivalent;
    int m_tag = 0;
    ControlState m_state = ControlState::Off;
    bool m_enabled = true;
    std::unique_ptr<Menu> m_submenu;
};

class HeadlessMenu : public Menu {
public:
    explicit HeadlessMenu(const std::string& title) : m_title(title) {}

    std::string title() const override { return m_title; }
    int numberOfItems() const override { return int(m_items.size()); }
    MenuItem* itemAtIndex(int index) const override;
    MenuItem& addItemWithTitle(const std::string& title, MenuItem::Action action,
                               const std::string& keyEquivalent) override;
    void removeItemAtIndex(int index) override;

    /// Titles of the items, in order (for tests).
    std::vector<std::string> itemTitles() const;

private:
    std::string m_title;
    std::vector<std::unique_ptr<HeadlessMenuItem>> m_items;
};

} // namespace fw
