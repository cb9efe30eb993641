#include "platform/qt/qt_view.h"

#include "platform/qt/qt_text.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace fw {

QtView::QtView(const std::string& identifier, Window* window, QWidget* parent, Layout layout)
    : QtControl(identifier, window, new QWidget(parent)), m_layout(layout), m_ownsWidget(parent == nullptr) {
    if (layout == Layout::Horizontal) {
        m_row = new QHBoxLayout(widget());
        m_row->setContentsMargins(0, 0, 0, 0);
        return;
    }
    m_outer = new QVBoxLayout(widget());
    m_outer->setContentsMargins(0, 0, 0, 0);
    m_grid = new QGridLayout;
    m_grid->setVerticalSpacing(4);
    m_grid->setColumnStretch(1, 1);
    m_outer->addLayout(m_grid);
    m_outer->addStretch(1);
}

QtView::~QtView() {
    // The controls' wrappers go before the widgets, which their view's widget owns.
    m_controls.clear();
    if (m_ownsWidget)
        delete widget();
}

template <class T, class... Args> T& QtView::add(Args&&... args) {
    auto control = std::make_unique<T>(std::forward<Args>(args)..., window(), widget());
    T& ref = *control;
    m_controls.push_back(std::move(control));
    return ref;
}

void QtView::place(QWidget* child, bool isLabel, bool expands) {
    if (m_row) {
        m_row->addWidget(child, expands ? 1 : 0);
        return;
    }
    if (m_labelPending && !isLabel) {
        // The control beside the label made just before it.
        m_grid->addWidget(child, m_nextRow - 1, 1, Qt::AlignLeft | Qt::AlignVCenter);
        m_labelPending = false;
    } else {
        if (isLabel)
            m_grid->addWidget(child, m_nextRow, 0, Qt::AlignRight | Qt::AlignVCenter);
        else
            m_grid->addWidget(child, m_nextRow, 0, 1, 2);
        m_labelPending = isLabel;
        ++m_nextRow;
    }
    if (expands) {
        m_grid->setRowStretch(m_nextRow - 1, 1);
        if (!m_hasExpanding) {
            m_hasExpanding = true;
            m_outer->setStretch(0, 1);
            m_outer->setStretch(1, 0);
        }
    }
}

Slider& QtView::addSlider(const std::string& identifier) {
    auto& control = add<QtSlider>(identifier);
    place(control.widget(), false, false);
    return control;
}

PopUpButton& QtView::addPopUpButton(const std::string& identifier) {
    auto& control = add<QtPopUpButton>(identifier);
    place(control.widget(), false, false);
    return control;
}

TextField& QtView::addTextField(const std::string& identifier, bool editable) {
    auto control = std::make_unique<QtTextField>(identifier, window(), widget(), editable);
    QtTextField& ref = *control;
    m_controls.push_back(std::move(control));
    const bool isLabel = !editable && identifier.size() > 5 && identifier.ends_with("Label");
    if (editable)
        ref.widget()->setMinimumWidth(200);
    place(ref.widget(), isLabel, false);
    return ref;
}

Button& QtView::addButton(const std::string& identifier, const std::string& title, ButtonType type) {
    auto control = std::make_unique<QtButton>(identifier, window(), widget(), title, type);
    QtButton& ref = *control;
    m_controls.push_back(std::move(control));
    place(ref.widget(), false, false);
    return ref;
}

ImageView& QtView::addImageView(const std::string& identifier) {
    auto& control = add<QtImageView>(identifier);
    place(control.widget(), false, true);
    return control;
}

ProgressIndicator& QtView::addProgressIndicator(const std::string& identifier) {
    auto& control = add<QtProgressIndicator>(identifier);
    place(control.widget(), false, false);
    return control;
}

Matrix& QtView::addMatrix(const std::string& identifier) {
    auto& control = add<QtMatrix>(identifier);
    place(control.widget(), false, false);
    return control;
}

TextView& QtView::addTextView(const std::string& identifier) {
    auto& control = add<QtTextView>(identifier);
    place(control.widget(), false, true);
    return control;
}

TabView& QtView::addTabView(const std::string& identifier) {
    auto& control = add<QtTabView>(identifier);
    place(control.widget(), false, true);
    return control;
}

View& QtView::addView(const std::string& identifier, Layout layout) {
    auto control = std::make_unique<QtView>(identifier, window(), widget(), layout);
    QtView& ref = *control;
    m_controls.push_back(std::move(control));
    place(ref.widget(), false, false);
    return ref;
}

std::vector<Control*> QtView::subviews() const {
    std::vector<Control*> controls;
    controls.reserve(m_controls.size());
    for (const auto& control : m_controls)
        controls.push_back(control.get());
    return controls;
}

// ---- Tab view ------------------------------------------------------------------------------------

QtTabView::QtTabView(const std::string& identifier, Window* window, QWidget* parent)
    : QtControl(identifier, window, new QTabWidget(parent)), m_tabs(static_cast<QTabWidget*>(widget())) {
    m_tabs->setDocumentMode(false);
    QObject::connect(m_tabs, &QTabWidget::currentChanged, context(), [this](int index) {
        if (index >= 0)
            didSelectTabViewItem(index);
    });
}

QtTabView::~QtTabView() {
    m_pages.clear();
}

View& QtTabView::addTabViewItem(const std::string& label) {
    auto page = std::make_unique<QtView>(identifier() + "Page" + std::to_string(m_pages.size()), window(),
                                         m_tabs, Layout::Vertical);
    QtView& ref = *page;
    ref.widget()->layout()->setContentsMargins(8, 8, 8, 8);
    m_pages.push_back(std::move(page));
    // The first tab becomes the selected one without a notice.
    const QSignalBlocker blocker(m_tabs);
    m_tabs->addTab(ref.widget(), toQString(label));
    return ref;
}

std::string QtTabView::labelOfTabViewItemAtIndex(int index) const {
    if (index < 0 || index >= m_tabs->count())
        return {};
    return fromQString(m_tabs->tabText(index));
}

int QtTabView::indexOfSelectedTabViewItem() const {
    return m_tabs->currentIndex();
}

void QtTabView::selectTabViewItemAtIndex(int index) {
    if (index < 0 || index >= m_tabs->count() || index == m_tabs->currentIndex())
        return;
    m_tabs->setCurrentIndex(index); // currentChanged tells the handler
}

} // namespace fw
