#include "platform/framework/headless/headless_menu.h"

namespace fw {

Menu* HeadlessMenuItem::submenu() const { return m_submenu.get(); }

Menu& HeadlessMenuItem::menu() const { return m_menu; }

bool HeadlessMenuItem::userChoose() {
    if (!m_enabled)
        return false;
    sendAction();  // may destroy this item: nothing of it is touched afterwards
    return true;
}

MenuItem* HeadlessMenu::itemAtIndex(int index) const {
    return index >= 0 && index < numberOfItems() ? m_items[size_t(index)].get() : nullptr;
}

MenuItem& HeadlessMenu::addItemWithTitle(const std::string& title, MenuItem::Action action,
                                         const std::string& keyEquivalent) {
    m_items.push_back(std::make_unique<HeadlessMenuItem>(*this, title, keyEquivalent));
    m_items.back()->setAction(std::move(action));
    return *m_items.back();
}

void HeadlessMenu::removeItemAtIndex(int index) {
    if (index < 0 || index >= numberOfItems())
        return;
    // Out of the list first, destroyed after: an item's destruction can't see a half-changed menu.
    std::unique_ptr<HeadlessMenuItem> removed = std::move(m_items[size_t(index)]);
    m_items.erase(m_items.begin() + index);
}

std::vector<std::string> HeadlessMenu::itemTitles() const {
    std::vector<std::string> titles;
    for (const auto& item : m_items)
        titles.push_back(item->title());
    return titles;
}

} // namespace fw
