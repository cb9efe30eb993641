// Controls that hold their state in memory, for the command line and the tests.
//
// The user* members stand for what a user does; each acts only on an enabled, visible control
// (and returns false otherwise), then sends the action as the platform would.
#pragma once

#include "platform/framework/controls.h"

#include <string>
#include <vector>

namespace fw {

/// Enabled and hidden state shared by the headless controls.
template <class Interface> class HeadlessControl : public Interface {
public:
    HeadlessControl(const std::string& identifier, Window* window) : Interface(identifier, window) {}

    bool isEnabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    bool isHidden() const override { return m_hidden; }
    void setHidden(bool hidden) override { m_hidden = hidden; }

    /// Whether a user could act on the control now.
    bool userCanAct() const { return m_enabled && !m_hidden; }

private:
    bool m_enabled = true;
    bool m_hidden = false;
};

class HeadlessSlider : public HeadlessControl<Slider> {
public:
    using HeadlessControl::HeadlessControl;

    double minValue() const override { return m_min; }
    void setMinValue(double value) override;
    double maxValue() const override { return m_max; }
    void setMaxValue(double value) override;
    double doubleValue() const override { return m_value; }
    void setDoubleValue(double value) override;

    /// The user drags the knob to `value` (kept in range) and lets go: the action is sent.
    bool userMoveTo(double value);

private:
    double clamp(double value) const;

    double m_min = 0.0;
    double m_max = 1.0;
    double m_value = 0.0;
};

class HeadlessPopUpButton : public HeadlessControl<PopUpButton> {
public:
    using HeadlessControl::HeadlessControl;

    void addItemWithTitle(const std::string& title) override;
    void removeItemAtIndex(int index) override;
    int numberOfItems() const override { return int(m_items.size()); }
    std::string itemTitleAtIndex(int index) const override;
    int tagOfItemAtIndex(int index) const override;
    void setTagOfItemAtIndex(int index, int tag) override;
    int indexOfSelectedItem() const override { return m_selected; }
    void selectItemAtIndex(int index) override;

    /// The user chooses the item at `index`: it is selected and the action is sent.
    bool userSelectItemAtIndex(int index);

private:
    struct Item {
        std::string title;
        int tag = 0;
    };
    bool isIndex(int index) const { return index >= 0 && index < numberOfItems(); }

    std::vector<Item> m_items;
    int m_selected = -1;
};

class HeadlessTextField : public HeadlessControl<TextField> {
public:
    HeadlessTextField(const std::string& identifier, Window* window, bool editable)
        : HeadlessControl(identifier, window), m_editable(editable) {}

    std::string stringValue() const override { return m_text; }
    void setStringValue(const std::string& text) override { m_text = text; }
    bool isEditable() const override { return m_editable; }
    void setEditable(bool editable) override { m_editable = editable; }

    /// The user types `text` at the end of the field, one character (UTF-8 sequence) at a time:
    /// the text-did-change handler hears each keystroke. False for a field that isn't editable.
    bool userType(const std::string& text);
    /// The user deletes `count` characters from the end, one keystroke each.
    bool userDeleteBackward(int count = 1);
    /// The user selects all and types `text` over it: one change (none when the text is equal).
    bool userReplaceAll(const std::string& text);
    /// The user presses Return or leaves the field: the action is sent.
    bool userEndEditing();

private:
    bool userCanEdit() const { return userCanAct() && m_editable; }

    std::string m_text;
    bool m_editable;
};

class HeadlessButton : public HeadlessControl<Button> {
public:
    HeadlessButton(const std::string& identifier, Window* window, const std::string& title, ButtonType type)
        : HeadlessControl(identifier, window), m_title(title), m_type(type) {}

    std::string title() const override { return m_title; }
    void setTitle(const std::string& title) override { m_title = title; }
    ButtonType buttonType() const override { return m_type; }
    ControlState state() const override { return m_state; }
    void setState(ControlState state) override { m_state = state; }

private:
    std::string m_title;
    ButtonType m_type;
    ControlState m_state = ControlState::Off;
};

class HeadlessImageView : public HeadlessControl<ImageView> {
public:
    using HeadlessControl::HeadlessControl;

    std::shared_ptr<const NSImage> image() const override { return m_image; }
    void setImage(std::shared_ptr<const NSImage> image) override { m_image = std::move(image); }
    ImageScaling imageScaling() const override { return m_scaling; }
    void setImageScaling(ImageScaling scaling) override { m_scaling = scaling; }

private:
    std::shared_ptr<const NSImage> m_image;
    ImageScaling m_scaling = ImageScaling::ProportionallyUpOrDown;
};

class HeadlessProgressIndicator : public HeadlessControl<ProgressIndicator> {
public:
    using HeadlessControl::HeadlessControl;

    double minValue() const override { return m_min; }
    void setMinValue(double value) override { m_min = value; }
    double maxValue() const override { return m_max; }
    void setMaxValue(double value) override { m_max = value; }
    double doubleValue() const override { return m_value; }
    void setDoubleValue(double value) override { m_value = value; }
    bool isIndeterminate() const override { return m_indeterminate; }
    void setIndeterminate(bool indeterminate) override { m_indeterminate = indeterminate; }
    void startAnimation() override { m_animating = true; }
    void stopAnimation() override { m_animating = false; }
    bool isAnimating() const { return m_animating; }

private:
    double m_min = 0.0;
    double m_max = 100.0;
    double m_value = 0.0;
    bool m_indeterminate = false;
    bool m_animating = false;
};

class HeadlessMatrix : public HeadlessControl<Matrix> {
public:
    using HeadlessControl::HeadlessControl;

    void addCell(const std::string& title, int tag) override;
    int numberOfCells() const override { return int(m_cells.size()); }
    std::string cellTitleAtIndex(int index) const override;
    int cellTagAtIndex(int index) const override;
    int indexOfSelectedCell() const override { return m_selected; }
    void selectCellAtIndex(int index) override;

    /// The user clicks the cell at `index`: it is selected and the action is sent.
    bool userSelectCellAtIndex(int index);

private:
    struct Cell {
        std::string title;
        int tag = 0;
    };
    bool isIndex(int index) const { return index >= 0 && index < numberOfCells(); }

    std::vector<Cell> m_cells;
    int m_selected = -1;
};

class HeadlessTextView : public HeadlessControl<TextView> {
public:
    using HeadlessControl::HeadlessControl;

    std::string string() const override { return m_text; }
    void setString(const std::string& text) override { m_text = text; }

private:
    std::string m_text;
};

} // namespace fw
