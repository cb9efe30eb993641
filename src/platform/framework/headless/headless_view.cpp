#include "platform/framework/headless/headless_view.h"

namespace fw {

Slider& HeadlessView::addSlider(const std::string& identifier) { return add<HeadlessSlider>(identifier, window()); }

PopUpButton& HeadlessView::addPopUpButton(const std::string& identifier) {
    return add<HeadlessPopUpButton>(identifier, window());
}

TextField& HeadlessView::addTextField(const std::string& identifier, bool editable) {
    return add<HeadlessTextField>(identifier, window(), editable);
}

Button& HeadlessView::addButton(const std::string& identifier, const std::string& title, ButtonType type) {
    return add<HeadlessButton>(identifier, window(), title, type);
}

ImageView& HeadlessView::addImageView(const std::string& identifier) {
    return add<HeadlessImageView>(identifier, window());
}

ProgressIndicator& HeadlessView::addProgressIndicator(const std::string& identifier) {
    return add<HeadlessProgressIndicator>(identifier, window());
}

Matrix& HeadlessView::addMatrix(const std::string& identifier) { return add<HeadlessMatrix>(identifier, window()); }

TextView& HeadlessView::addTextView(const std::string& identifier) {
    return add<HeadlessTextView>(identifier, window());
}

TabView& HeadlessView::addTabView(const std::string& identifier) { return add<HeadlessTabView>(identifier, window()); }

View& HeadlessView::addView(const std::string& identifier, Layout layout) {
    return add<HeadlessView>(identifier, window(), layout);
}

std::vector<Control*> HeadlessView::subviews() const {
    std::vector<Control*> controls;
    controls.reserve(m_controls.size());
    for (const auto& control : m_controls)
        controls.push_back(control.get());
    return controls;
}

View& HeadlessTabView::addTabViewItem(const std::string& label) {
    const std::string pageIdentifier = identifier() + "." + std::to_string(m_items.size());
    m_items.push_back({label, std::make_unique<HeadlessView>(pageIdentifier, window(), Layout::Vertical)});
    if (m_items.size() == 1)
        m_selected = 0;
    return *m_items.back().view;
}

std::string HeadlessTabView::labelOfTabViewItemAtIndex(int index) const {
    return index >= 0 && index < numberOfTabViewItems() ? m_items[size_t(index)].label : std::string();
}

void HeadlessTabView::selectTabViewItemAtIndex(int index) {
    if (index < 0 || index >= numberOfTabViewItems() || index == m_selected)
        return;
    m_selected = index;
    didSelectTabViewItem(index);
}

bool HeadlessTabView::userSelectTab(int index) {
    if (!userCanAct() || index < 0 || index >= numberOfTabViewItems())
        return false;
    selectTabViewItemAtIndex(index);
    return true;
}

} // namespace fw
