#include "platform/framework/controls.h"

#include "platform/framework/rtf_text.h"
#include "platform/framework/user_defaults.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fw {

void PopUpButton::addItem(const std::string& title, int tag) {
    addItemWithTitle(title);
    setTagOfItemAtIndex(numberOfItems() - 1, tag);
}

void PopUpButton::removeAllItems() {
    while (numberOfItems() > 0)
        removeItemAtIndex(numberOfItems() - 1);
}

int PopUpButton::indexOfItemWithTag(int tag) const {
    for (int i = 0; i < numberOfItems(); ++i) {
        if (tagOfItemAtIndex(i) == tag)
            return i;
    }
    return -1;
}

int PopUpButton::indexOfItemWithTitle(const std::string& title) const {
    for (int i = 0; i < numberOfItems(); ++i) {
        if (itemTitleAtIndex(i) == title)
            return i;
    }
    return -1;
}

int PopUpButton::selectedTag() const {
    const int index = indexOfSelectedItem();
    return index < 0 ? 0 : tagOfItemAtIndex(index);
}

std::string PopUpButton::titleOfSelectedItem() const {
    const int index = indexOfSelectedItem();
    return index < 0 ? std::string() : itemTitleAtIndex(index);
}

int TextField::intValue() const { return integerValueOf(DefaultsValue(stringValue())); }

void Button::performClick() {
    if (!isEnabled() || isHidden())
        return;
    if (buttonType() == ButtonType::Switch)
        setState(state() == ControlState::On ? ControlState::Off : ControlState::On);
    else if (buttonType() == ButtonType::Radio)
        setState(ControlState::On);
    sendAction();
}

bool Matrix::selectCellWithTag(int tag) {
    for (int i = 0; i < numberOfCells(); ++i) {
        if (cellTagAtIndex(i) == tag) {
            selectCellAtIndex(i);
            return true;
        }
    }
    return false;
}

std::optional<std::string> TextView::readRtfFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string rtf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return rtf;
}

bool TextView::readRTFDFromFile(const std::string& path) {
    const std::optional<std::string> rtf = readRtfFile(path);
    if (rtf)
        setString(plainTextFromRtf(*rtf));
    return rtf.has_value();
}

} // namespace fw
