// Views and tab views on Qt widgets.
//
// A vertical view lays its controls out in rows; a label (a non-editable field named "...Label")
// and the control made after it share a row, as a form does. The picture, the tab view and the
// text view take whatever height is left. A horizontal view puts its controls side by side.
#pragma once

#include "platform/framework/view.h"
#include "platform/qt/qt_controls.h"

#include <memory>
#include <vector>

class QGridLayout;
class QHBoxLayout;
class QTabWidget;
class QVBoxLayout;

namespace fw {

class QtView : public QtControl<View> {
public:
    /// A view in `parent`; with a null parent the view owns its widget (a free-standing view).
    QtView(const std::string& identifier, Window* window, QWidget* parent, Layout layout);
    ~QtView() override;

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

private:
    /// A row of its own, a label with the control after it beside it, or a row that takes the height left.
    enum class Placement { Row, Label, Expanding };
    template <class T, class... Args> T& add(Placement placement, Args&&... args);
    void place(QWidget* child, bool isLabel, bool expands);

    Layout m_layout;
    bool m_ownsWidget;
    QVBoxLayout* m_outer = nullptr;
    QGridLayout* m_grid = nullptr;
    QHBoxLayout* m_row = nullptr;
    int m_nextRow = 0;
    bool m_labelPending = false;
    bool m_hasExpanding = false;
    std::vector<std::unique_ptr<Control>> m_controls;
};

class QtTabView : public QtControl<TabView> {
public:
    QtTabView(const std::string& identifier, Window* window, QWidget* parent);
    ~QtTabView() override;

    View& addTabViewItem(const std::string& label) override;
    int numberOfTabViewItems() const override { return int(m_pages.size()); }
    std::string labelOfTabViewItemAtIndex(int index) const override;
    View& viewOfTabViewItemAtIndex(int index) const override { return *m_pages.at(size_t(index)); }
    int indexOfSelectedTabViewItem() const override;
    void selectTabViewItemAtIndex(int index) override;

private:
    QTabWidget* m_tabs;
    std::vector<std::unique_ptr<QtView>> m_pages;
};

} // namespace fw
