#include "platform/qt/qt_controls.h"

#include "platform/framework/rtf_text.h"
#include "platform/qt/qt_picture_view.h"
#include "platform/qt/qt_text.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

constexpr int kProgressSteps = 10000;

} // namespace

// ---- Slider -------------------------------------------------------------------------------------

QtSlider::QtSlider(const std::string& identifier, Window* window, QWidget* parent)
    : QtControl(identifier, window, new QSlider(Qt::Horizontal, parent)),
      m_slider(static_cast<QSlider*>(widget())) {
    m_slider->setFocusPolicy(Qt::ClickFocus);
    syncWidget();
    QObject::connect(m_slider, &QSlider::valueChanged, context(), [this](int value) {
        m_value = std::clamp(double(value), m_min, m_max);
        sendAction();
    });
}

void QtSlider::setMinValue(double value) {
    m_min = value;
    m_max = std::max(m_max, m_min);
    m_value = std::clamp(m_value, m_min, m_max);
    syncWidget();
}

void QtSlider::setMaxValue(double value) {
    m_max = value;
    m_min = std::min(m_min, m_max);
    m_value = std::clamp(m_value, m_min, m_max);
    syncWidget();
}

void QtSlider::setDoubleValue(double value) {
    m_value = std::clamp(value, m_min, m_max);
    syncWidget();
}

void QtSlider::syncWidget() {
    // The widget counts whole steps; the documents' sliders choose frame indices.
    const QSignalBlocker blocker(m_slider);
    m_slider->setRange(int(std::ceil(m_min)), std::max(int(std::ceil(m_min)), int(std::floor(m_max))));
    m_slider->setValue(int(m_value));
}

// ---- Pop-up button -------------------------------------------------------------------------------

QtPopUpButton::QtPopUpButton(const std::string& identifier, Window* window, QWidget* parent)
    : QtControl(identifier, window, new QComboBox(parent)), m_combo(static_cast<QComboBox*>(widget())) {
    m_combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // activated: the user's choice only, also of the item already selected.
    QObject::connect(m_combo, &QComboBox::activated, context(), [this](int) { sendAction(); });
}

void QtPopUpButton::addItemWithTitle(const std::string& title) {
    const QSignalBlocker blocker(m_combo);
    m_combo->addItem(toQString(title), 0);
}

void QtPopUpButton::removeItemAtIndex(int index) {
    const QSignalBlocker blocker(m_combo);
    if (index < 0 || index >= m_combo->count())
        return;
    const int selected = m_combo->currentIndex();
    m_combo->removeItem(index);
    // The selection stays on its item, or none when that was the one removed.
    if (selected == index)
        m_combo->setCurrentIndex(-1);
}

int QtPopUpButton::numberOfItems() const {
    return m_combo->count();
}

std::string QtPopUpButton::itemTitleAtIndex(int index) const {
    if (index < 0 || index >= m_combo->count())
        return {};
    return fromQString(m_combo->itemText(index));
}

int QtPopUpButton::tagOfItemAtIndex(int index) const {
    if (index < 0 || index >= m_combo->count())
        return 0;
    return m_combo->itemData(index).toInt();
}

void QtPopUpButton::setTagOfItemAtIndex(int index, int tag) {
    if (index >= 0 && index < m_combo->count())
        m_combo->setItemData(index, tag);
}

int QtPopUpButton::indexOfSelectedItem() const {
    return m_combo->currentIndex();
}

void QtPopUpButton::selectItemAtIndex(int index) {
    const QSignalBlocker blocker(m_combo);
    m_combo->setCurrentIndex(index >= 0 && index < m_combo->count() ? index : -1);
}

// ---- Text field ----------------------------------------------------------------------------------

QWidget* QtTextField::makeWidget(QWidget* parent, bool editable) {
    if (editable)
        return new QLineEdit(parent);
    auto* label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QtTextField::QtTextField(const std::string& identifier, Window* window, QWidget* parent, bool editable)
    : QtControl(identifier, window, makeWidget(parent, editable)) {
    if (editable) {
        m_lineEdit = static_cast<QLineEdit*>(widget());
        // textEdited: the user's changes only, each keystroke included.
        QObject::connect(m_lineEdit, &QLineEdit::textEdited, context(),
                         [this](const QString&) { textDidChange(); });
        QObject::connect(m_lineEdit, &QLineEdit::editingFinished, context(), [this] { sendAction(); });
    } else {
        m_label = static_cast<QLabel*>(widget());
    }
}

std::string QtTextField::stringValue() const {
    return fromQString(m_lineEdit ? m_lineEdit->text() : m_label->text());
}

void QtTextField::setStringValue(const std::string& text) {
    if (m_lineEdit) {
        const QSignalBlocker blocker(m_lineEdit);
        m_lineEdit->setText(toQString(text));
    } else {
        // Long lines (a range's warnings) wrap: the window's width comes from the picture, not the
        // text. Short captions stay on one line.
        constexpr size_t kLongestUnwrapped = 60;
        size_t longest = 0;
        for (size_t start = 0; start <= text.size();) {
            const size_t end = std::min(text.find('\n', start), text.size());
            longest = std::max(longest, end - start);
            start = end + 1;
        }
        m_label->setWordWrap(longest > kLongestUnwrapped);
        m_label->setText(toQString(text));
    }
}

void QtTextField::setEditable(bool editable) {
    if (m_lineEdit)
        m_lineEdit->setReadOnly(!editable);
}

// ---- Button --------------------------------------------------------------------------------------

namespace {

QAbstractButton* makeButton(QWidget* parent, const std::string& title, ButtonType type) {
    switch (type) {
    case ButtonType::Switch:
        return new QCheckBox(toQString(title), parent);
    case ButtonType::Radio:
        return new QRadioButton(toQString(title), parent);
    case ButtonType::MomentaryPush:
        break;
    }
    return new QPushButton(toQString(title), parent);
}

} // namespace

QtButton::QtButton(const std::string& identifier, Window* window, QWidget* parent, const std::string& title,
                   ButtonType type)
    : QtControl(identifier, window, makeButton(parent, title, type)), m_type(type) {
    auto* button = static_cast<QAbstractButton*>(widget());
    if (auto* push = qobject_cast<QPushButton*>(button))
        push->setAutoDefault(false);
    // clicked: the user's act, after a check box has toggled.
    QObject::connect(button, &QAbstractButton::clicked, context(), [this] { sendAction(); });
}

std::string QtButton::title() const {
    return fromQString(static_cast<QAbstractButton*>(widget())->text());
}

void QtButton::setTitle(const std::string& title) {
    static_cast<QAbstractButton*>(widget())->setText(toQString(title));
}

ControlState QtButton::state() const {
    if (auto* box = qobject_cast<QCheckBox*>(widget()); box && box->checkState() == Qt::PartiallyChecked)
        return ControlState::Mixed;
    return static_cast<QAbstractButton*>(widget())->isChecked() ? ControlState::On : ControlState::Off;
}

void QtButton::setState(ControlState state) {
    auto* button = static_cast<QAbstractButton*>(widget());
    const QSignalBlocker blocker(button);
    if (auto* box = qobject_cast<QCheckBox*>(button)) {
        box->setTristate(state == ControlState::Mixed);
        box->setCheckState(state == ControlState::On      ? Qt::Checked
                           : state == ControlState::Mixed ? Qt::PartiallyChecked
                                                          : Qt::Unchecked);
    } else if (button->isCheckable()) {
        button->setChecked(state == ControlState::On);
    }
}

// ---- Image view ----------------------------------------------------------------------------------

QtImageView::QtImageView(const std::string& identifier, Window* window, QWidget* parent)
    : QtControl(identifier, window, new PictureView(parent)) {}

void QtImageView::setImage(std::shared_ptr<const NSImage> image) {
    m_image = std::move(image);
    m_qimage = QImage();
    if (const NSBitmapImageRep* bitmap = m_image ? m_image->bitmap() : nullptr) {
        // Over the picture's own bytes: the document redraws the block and sets the picture again.
        m_qimage = QImage(static_cast<const uchar*>(bitmap->bitmapData()), bitmap->pixelsWide(),
                          bitmap->pixelsHigh(), bitmap->bytesPerRow(), QImage::Format_RGBA8888);
    }
    static_cast<PictureView*>(widget())->setImage(&m_qimage);
}

ImageScaling QtImageView::imageScaling() const {
    return static_cast<PictureView*>(widget())->actualSize() ? ImageScaling::None
                                                             : ImageScaling::ProportionallyUpOrDown;
}

void QtImageView::setImageScaling(ImageScaling scaling) {
    static_cast<PictureView*>(widget())->setActualSize(scaling == ImageScaling::None);
}

// ---- Progress indicator --------------------------------------------------------------------------

QtProgressIndicator::QtProgressIndicator(const std::string& identifier, Window* window, QWidget* parent)
    : QtControl(identifier, window, new QProgressBar(parent)), m_bar(static_cast<QProgressBar*>(widget())) {
    m_bar->setTextVisible(false);
    syncWidget();
}

void QtProgressIndicator::setMinValue(double value) {
    m_min = value;
    syncWidget();
}

void QtProgressIndicator::setMaxValue(double value) {
    m_max = value;
    syncWidget();
}

void QtProgressIndicator::setDoubleValue(double value) {
    m_value = value;
    syncWidget();
}

void QtProgressIndicator::setIndeterminate(bool indeterminate) {
    m_indeterminate = indeterminate;
    syncWidget();
}

void QtProgressIndicator::syncWidget() {
    if (m_indeterminate) {
        m_bar->setRange(0, 0);
        return;
    }
    m_bar->setRange(0, kProgressSteps);
    const double span = m_max - m_min;
    const double fraction = span > 0 ? std::clamp((m_value - m_min) / span, 0.0, 1.0) : 0.0;
    m_bar->setValue(int(std::lround(fraction * kProgressSteps)));
}

// ---- Matrix --------------------------------------------------------------------------------------

QtMatrix::QtMatrix(const std::string& identifier, Window* window, QWidget* parent)
    : QtControl(identifier, window, new QWidget(parent)), m_group(new QButtonGroup(widget())) {
    auto* layout = new QVBoxLayout(widget());
    layout->setContentsMargins(0, 0, 0, 0);
    QObject::connect(m_group, &QButtonGroup::buttonClicked, context(),
                     [this](QAbstractButton*) { sendAction(); });
}

void QtMatrix::addCell(const std::string& title, int tag) {
    auto* cell = new QRadioButton(toQString(title), widget());
    cell->setObjectName(QString::fromStdString(identifier() + "Cell" + std::to_string(m_tags.size())));
    m_group->addButton(cell, int(m_tags.size()));
    widget()->layout()->addWidget(cell);
    m_tags.push_back(tag);
    if (m_tags.size() == 1)
        cell->setChecked(true);
}

std::string QtMatrix::cellTitleAtIndex(int index) const {
    QAbstractButton* cell = m_group->button(index);
    return cell ? fromQString(cell->text()) : std::string();
}

int QtMatrix::cellTagAtIndex(int index) const {
    return index >= 0 && index < int(m_tags.size()) ? m_tags[size_t(index)] : 0;
}

int QtMatrix::indexOfSelectedCell() const {
    return m_group->checkedId();
}

void QtMatrix::selectCellAtIndex(int index) {
    if (QAbstractButton* cell = m_group->button(index)) {
        cell->setChecked(true);
        return;
    }
    // None selected: an exclusive group keeps one checked, so let go of exclusivity meanwhile.
    m_group->setExclusive(false);
    for (QAbstractButton* cell : m_group->buttons())
        cell->setChecked(false);
    m_group->setExclusive(true);
}

// ---- Text view -----------------------------------------------------------------------------------

QtTextView::QtTextView(const std::string& identifier, Window* window, QWidget* parent)
    : QtControl(identifier, window, new QTextBrowser(parent)),
      m_browser(static_cast<QTextBrowser*>(widget())) {
    m_browser->setOpenLinks(false);
}

std::string QtTextView::string() const {
    return fromQString(m_browser->toPlainText());
}

void QtTextView::setString(const std::string& text) {
    m_browser->setPlainText(toQString(text));
}

bool QtTextView::readRTFDFromFile(const std::string& path) {
    // The headings keep their bold: a rich text view shows the document as rich text.
    const std::optional<std::string> rtf = readRtfFile(path);
    if (rtf)
        m_browser->setHtml(toQString(htmlFromRtf(*rtf)));
    return rtf.has_value();
}

} // namespace fw
