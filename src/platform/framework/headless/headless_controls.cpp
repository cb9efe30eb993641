#include "platform/framework/headless/headless_controls.h"

#include "platform/framework/unicode_text.h"

#include <algorithm>

namespace fw {

// Slider

double HeadlessSlider::clamp(double value) const {
    // A range given upside down still holds the value between its two ends.
    return std::clamp(value, std::min(m_min, m_max), std::max(m_min, m_max));
}

void HeadlessSlider::setMinValue(double value) {
    m_min = value;
    m_value = clamp(m_value);
}

void HeadlessSlider::setMaxValue(double value) {
    m_max = value;
    m_value = clamp(m_value);
}

void HeadlessSlider::setDoubleValue(double value) { m_value = clamp(value); }

bool HeadlessSlider::userMoveTo(double value) {
    if (!userCanAct())
        return false;
    setDoubleValue(value);
    sendAction();
    return true;
}

// Pop-up button

void HeadlessPopUpButton::addItemWithTitle(const std::string& title) {
    m_items.push_back({title, 0});
    if (m_items.size() == 1)
        m_selected = 0;
}

void HeadlessPopUpButton::removeItemAtIndex(int index) {
    if (!isIndex(index))
        return;
    m_items.erase(m_items.begin() + index);
    if (m_selected == index)
        m_selected = -1;
    else if (m_selected > index)
        --m_selected;
}

std::string HeadlessPopUpButton::itemTitleAtIndex(int index) const {
    return isIndex(index) ? m_items[size_t(index)].title : std::string();
}

int HeadlessPopUpButton::tagOfItemAtIndex(int index) const { return isIndex(index) ? m_items[size_t(index)].tag : 0; }

void HeadlessPopUpButton::setTagOfItemAtIndex(int index, int tag) {
    if (isIndex(index))
        m_items[size_t(index)].tag = tag;
}

void HeadlessPopUpButton::selectItemAtIndex(int index) { m_selected = isIndex(index) ? index : -1; }

bool HeadlessPopUpButton::userSelectItemAtIndex(int index) {
    if (!userCanAct() || !isIndex(index))
        return false;
    selectItemAtIndex(index);
    sendAction();
    return true;
}

// Text field

bool HeadlessTextField::userType(const std::string& text) {
    if (!userCanEdit())
        return false;
    for (size_t i = 0; i < text.size();) {
        const size_t length = decodeUtf8At(text, i).byteLength;
        m_text.append(text, i, length);
        i += length;
        textDidChange();
    }
    return true;
}

bool HeadlessTextField::userDeleteBackward(int count) {
    if (!userCanEdit())
        return false;
    for (int n = 0; n < count && !m_text.empty(); ++n) {
        m_text.erase(previousUtf8CharStart(m_text, m_text.size()));
        textDidChange();
    }
    return true;
}

bool HeadlessTextField::userReplaceAll(const std::string& text) {
    if (!userCanEdit())
        return false;
    if (text != m_text) {
        m_text = text;
        textDidChange();
    }
    return true;
}

bool HeadlessTextField::userEndEditing() {
    if (!userCanEdit())
        return false;
    sendAction();
    return true;
}

// Matrix

void HeadlessMatrix::addCell(const std::string& title, int tag) {
    m_cells.push_back({title, tag});
    if (m_cells.size() == 1)
        m_selected = 0;
}

std::string HeadlessMatrix::cellTitleAtIndex(int index) const {
    return isIndex(index) ? m_cells[size_t(index)].title : std::string();
}

int HeadlessMatrix::cellTagAtIndex(int index) const { return isIndex(index) ? m_cells[size_t(index)].tag : 0; }

void HeadlessMatrix::selectCellAtIndex(int index) { m_selected = isIndex(index) ? index : -1; }

bool HeadlessMatrix::userSelectCellAtIndex(int index) {
    if (!userCanAct() || !isIndex(index))
        return false;
    selectCellAtIndex(index);
    sendAction();
    return true;
}

} // namespace fw
