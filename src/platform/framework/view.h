// Views that hold controls: a window's content, a tab's page, a save panel's accessory.
//
// A view makes and owns its controls; the references it returns stay valid as long as the view.
// The layout is the front end's: the order of making and the layout hint of a sub-view are all
// that the core says about it (the headless views ignore both).
#pragma once

#include "platform/framework/controls.h"

#include <string_view>
#include <vector>

namespace fw {

class TabView;

enum class Layout { Vertical, Horizontal };

class View : public Control {
public:
    virtual Slider& addSlider(const std::string& identifier) = 0;
    virtual PopUpButton& addPopUpButton(const std::string& identifier) = 0;
    /// An editable field, or a label when `editable` is false.
    virtual TextField& addTextField(const std::string& identifier, bool editable) = 0;
    virtual Button& addButton(const std::string& identifier, const std::string& title, ButtonType type) = 0;
    virtual ImageView& addImageView(const std::string& identifier) = 0;
    virtual ProgressIndicator& addProgressIndicator(const std::string& identifier) = 0;
    virtual Matrix& addMatrix(const std::string& identifier) = 0;
    virtual TextView& addTextView(const std::string& identifier) = 0;
    virtual TabView& addTabView(const std::string& identifier) = 0;
    /// A sub-view that groups controls (a row of buttons: Layout::Horizontal).
    virtual View& addView(const std::string& identifier, Layout layout) = 0;

    /// The controls made in this view, in the order made.
    virtual std::vector<Control*> subviews() const = 0;

    /// The control with this identifier in this view or below it (tab pages included), or null.
    Control* findControl(std::string_view identifier) const;
    template <class T> T* find(std::string_view identifier) const {
        return dynamic_cast<T*>(findControl(identifier));
    }

protected:
    using Control::Control;
};

/// Tabs, each with a page view. The first tab added becomes the selected one without telling the
/// handler; later selections that change the tab tell it, from code or from the user alike.
class TabView : public Control {
public:
    using DidSelect = std::function<void(TabView& tabView, int index)>;

    /// Adds a tab with a label; returns its page.
    virtual View& addTabViewItem(const std::string& label) = 0;
    virtual int numberOfTabViewItems() const = 0;
    virtual std::string labelOfTabViewItemAtIndex(int index) const = 0;  // "" out of range
    /// The page of a tab; index must name a tab.
    virtual View& viewOfTabViewItemAtIndex(int index) const = 0;
    /// Index of the selected tab; -1 while there is none.
    virtual int indexOfSelectedTabViewItem() const = 0;
    /// Selects a tab; an index that names no tab, or the selected one, changes nothing.
    virtual void selectTabViewItemAtIndex(int index) = 0;

    /// The tab-did-select handler.
    void setDidSelectTabViewItem(DidSelect handler) { m_didSelect = std::move(handler); }

protected:
    using Control::Control;
    /// Tells the handler that the tab at `index` was selected (implementations call it).
    void didSelectTabViewItem(int index) {
        DidSelect handler = m_didSelect;
        if (handler)
            handler(*this, index);
    }

private:
    DidSelect m_didSelect;
};

} // namespace fw
