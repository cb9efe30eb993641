// The controls that the documents and the preferences use, as interfaces.
//
// Setting a value from code never sends the action nor a text change: only the user's acts do
// (the headless controls' user* members stand for them). Main thread only.
#pragma once

#include "platform/picture.h"
#include "platform/framework/control.h"

#include <memory>
#include <optional>
#include <string>

namespace fw {

/// A horizontal slider choosing a value between a minimum and a maximum (0.0 and 1.0 at first).
class Slider : public Control {
public:
    virtual double minValue() const = 0;
    virtual void setMinValue(double value) = 0;
    virtual double maxValue() const = 0;
    virtual void setMaxValue(double value) = 0;
    virtual double doubleValue() const = 0;
    /// Kept within [minValue, maxValue]; a changed range moves the value into it.
    virtual void setDoubleValue(double value) = 0;

    /// The value truncated toward zero: a knob at 3.7 gives 3.
    int intValue() const { return static_cast<int>(doubleValue()); }
    void setIntValue(int value) { setDoubleValue(value); }

protected:
    using Control::Control;
};

/// A pop-up menu of items, each with a title and a tag. At most one item is selected; index -1
/// means none. The first item added to an empty pop-up becomes the selected one.
class PopUpButton : public Control {
public:
    /// Adds an item with tag 0 at the end.
    virtual void addItemWithTitle(const std::string& title) = 0;
    /// Removes one item; the selection stays on the same item, or none when it was removed.
    virtual void removeItemAtIndex(int index) = 0;
    virtual int numberOfItems() const = 0;
    virtual std::string itemTitleAtIndex(int index) const = 0;  // "" out of range
    virtual int tagOfItemAtIndex(int index) const = 0;          // 0 out of range
    virtual void setTagOfItemAtIndex(int index, int tag) = 0;   // nothing out of range
    /// The selected index, or -1 when no item is selected.
    virtual int indexOfSelectedItem() const = 0;
    /// Selects the item at `index`; -1, or any index that names no item, leaves none selected.
    virtual void selectItemAtIndex(int index) = 0;

    /// Adds an item and gives it a tag.
    void addItem(const std::string& title, int tag);
    void removeAllItems();
    /// Index of the first item with this tag, or -1.
    int indexOfItemWithTag(int tag) const;
    /// Index of the first item with this title, or -1.
    int indexOfItemWithTitle(const std::string& title) const;
    /// selectItemAtIndex(indexOfItemWithTag(tag)): no item with the tag leaves none selected.
    void selectItemWithTag(int tag) { selectItemAtIndex(indexOfItemWithTag(tag)); }
    /// Tag of the selected item; 0 when none is selected.
    int selectedTag() const;
    /// Title of the selected item; "" when none is selected.
    std::string titleOfSelectedItem() const;

protected:
    using Control::Control;
};

/// A one-line text field: a label or an editable field. The action is sent when editing ends (the
/// user presses Return or leaves the field); textDidChange handlers hear every change the user
/// makes while editing, each keystroke included.
class TextField : public Control {
public:
    using TextChange = std::function<void(TextField& field)>;

    virtual std::string stringValue() const = 0;
    virtual void setStringValue(const std::string& text) = 0;
    virtual bool isEditable() const = 0;
    virtual void setEditable(bool editable) = 0;

    /// The leading decimal number of the text (0 when there is none).
    int intValue() const;
    void setIntValue(int value) { setStringValue(std::to_string(value)); }

    /// The handler of every user change of the text (the platform's text-did-change notice).
    void setTextDidChange(TextChange handler) { m_textDidChange = std::move(handler); }
    /// Tells the handler that the user changed the text (implementations call it).
    void textDidChange() {
        TextChange handler = m_textDidChange;
        if (handler)
            handler(*this);
    }

protected:
    using Control::Control;

private:
    TextChange m_textDidChange;
};

enum class ButtonType { MomentaryPush, Switch, Radio };  // Switch: a check box

/// A push button, check box or radio button. A check box's integer value is its state: 1 on, 0 off.
class Button : public Control {
public:
    virtual std::string title() const = 0;
    virtual void setTitle(const std::string& title) = 0;
    virtual ButtonType buttonType() const = 0;
    virtual ControlState state() const = 0;
    virtual void setState(ControlState state) = 0;

    int intValue() const { return static_cast<int>(state()); }
    /// 0 turns it off, a positive value on, a negative value mixed.
    void setIntValue(int value) {
        setState(value > 0 ? ControlState::On : (value < 0 ? ControlState::Mixed : ControlState::Off));
    }

    /// A click by the user: nothing when disabled or hidden; a check box toggles, a radio button
    /// turns on; then the action is sent.
    virtual void performClick();

protected:
    using Control::Control;
};

/// Shows a picture (none at first).
/// How an image view shows its picture: scaled to the view keeping its proportions, or at its own
/// pixels (one picture pixel on one screen pixel), scrolling where the view is smaller.
enum class ImageScaling { ProportionallyUpOrDown, None };

class ImageView : public Control {
public:
    virtual std::shared_ptr<const NSImage> image() const = 0;
    /// Holds a share of the picture; null clears the view.
    virtual void setImage(std::shared_ptr<const NSImage> image) = 0;
    virtual ImageScaling imageScaling() const = 0;
    virtual void setImageScaling(ImageScaling scaling) = 0;

protected:
    using Control::Control;
};

/// A progress bar: determinate (value between minimum and maximum, 0 and 100 at first) or
/// indeterminate.
class ProgressIndicator : public Control {
public:
    virtual double minValue() const = 0;
    virtual void setMinValue(double value) = 0;
    virtual double maxValue() const = 0;
    virtual void setMaxValue(double value) = 0;
    virtual double doubleValue() const = 0;
    virtual void setDoubleValue(double value) = 0;
    virtual bool isIndeterminate() const = 0;
    virtual void setIndeterminate(bool indeterminate) = 0;
    virtual void startAnimation() = 0;
    virtual void stopAnimation() = 0;

protected:
    using Control::Control;
};

/// A column of radio cells, each with a title and a tag; one cell is selected (index -1 = none).
/// The first cell added becomes the selected one.
class Matrix : public Control {
public:
    virtual void addCell(const std::string& title, int tag) = 0;
    virtual int numberOfCells() const = 0;
    virtual std::string cellTitleAtIndex(int index) const = 0;  // "" out of range
    virtual int cellTagAtIndex(int index) const = 0;            // 0 out of range
    virtual int indexOfSelectedCell() const = 0;
    /// -1, or any index that names no cell, leaves none selected.
    virtual void selectCellAtIndex(int index) = 0;

    /// Tag of the selected cell; 0 when none is selected.
    int selectedCellTag() const { return cellTagAtIndex(indexOfSelectedCell()); }
    /// Selects the first cell with the tag; false (selection unchanged) when no cell has it.
    bool selectCellWithTag(int tag);

protected:
    using Control::Control;
};

/// A multi-line text view (the help text).
class TextView : public Control {
public:
    virtual std::string string() const = 0;
    virtual void setString(const std::string& text) = 0;
    /// Loads a rich text file: the view shows its text. False (the view unchanged) when the file
    /// can't be read.
    virtual bool readRTFDFromFile(const std::string& path);

protected:
    /// The file's bytes, nullopt when it can't be read.
    static std::optional<std::string> readRtfFile(const std::string& path);
    using Control::Control;
};

} // namespace fw
