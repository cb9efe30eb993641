// Views and tab views that hold their controls in memory.
#pragma once

#include "platform/framework/headless/headless_controls.h"
#include "platform/framework/view.h"

#include <memory>
#include <vector>

namespace fw {

class HeadlessView : public HeadlessControl<View> {
public:
    HeadlessView(const std::string& identifier, Window* window, Layout layout)
        : HeadlessControl(identifier, window), m_layout(layout) {}

    Slider& addSlider(const std::string& identifier) override;
    PopUpButton& addPopUpButton(const std::string& identifier) override;
    TextField& addTextField(const std::string& identifier, bool editable) override;
    Button& addButton(const std::string& identifier, const std::string& title, ButtonType type) override;
    ImageView& addImageView(const std::string& identifier) override;
    ProgressIndicator& addProgressIndicator(const std::string& identifier) override;
    Matrix& addMatrix(const std::string& identifier) override;
    TextView& addTextView(const std::string& identifier) override;
    TabView& addTabView(const std::string& identifier) override;
    View& addView(const std::string& identifier, Layout layout) override;

    std::vector<Control*> subviews() const override;
    Layout layout() const { return m_layout; }

private:
    template <class T, class... Args> T& add(Args&&... args) {
        auto control = std::make_unique<T>(std::forward<Args>(args)...);
        T& ref = *control;
        m_controls.push_back(std::move(control));
        return ref;
    }

    Layout m_layout;
    std::vector<std::unique_ptr<Control>> m_controls;
};

class HeadlessTabView : public HeadlessControl<TabView> {
public:
    using HeadlessControl::HeadlessControl;

    View& addTabViewItem(const std::string& label) override;
    int numberOfTabViewItems() const override { return int(m_items.size()); }
    std::string labelOfTabViewItemAtIndex(int index) const override;
    View& viewOfTabViewItemAtIndex(int index) const override { return *m_items.at(size_t(index)).view; }
    int indexOfSelectedTabViewItem() const override { return m_selected; }
    void selectTabViewItemAtIndex(int index) override;

    /// The user clicks the tab at `index`.
    bool userSelectTab(int index);

private:
    struct Item {
        std::string label;
        std::unique_ptr<HeadlessView> view;
    };

    std::vector<Item> m_items;
    int m_selected = -1;
};

} // namespace fw
