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

template <class T, class... Args> T& QtView::add(Placement placement, Args&&... args) {
    auto control = std::make_unique<T>(std::forward<Args>(args)...);
    T& ref = *control;
    m_controls.push_back(std::move(control));
    place(ref.widget(), placement == Placement::Label, placement == Placement::Expanding);
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
    return add<QtSlider>(Placement::Row, identifier, window(), widget());
}

PopUpButton& QtView::addPopUpButton(const std::string& identifier) {
    return add<QtPopUpButton>(Placement::Row, identifier, window(), widget());
}

TextField& QtView::addTextField(const std::string& identifier, bool editable) {
    const bool isLabel = !editable && identifier.size() > 5 && identifier.ends_with("Label");
    auto& field = add<QtTextField>(isLabel ? Placement::Label : Placement::Row, identifier, window(),
                                   widget(), editable);
    if (editable)
        field.widget()->setMinimumWidth(200);
    return field;
}

Button& QtView::addButton(const std::string& identifier, const std::string& title, ButtonType type) {
    return add<QtButton>(Placement::Row, identifier, window(), widget(), title, type);
}

ImageView& QtView::addImageView(const std::string& identifier) {
    return add<QtImageView>(Placement::Expanding, identifier, window(), widget());
}

ProgressIndicator& QtView::addProgressIndicator(const std::string& identifier) {
    return add<QtProgressIndicator>(Placement::Row, identifier, window(), widget());
}

Matrix& QtView::addMatrix(const std::string& identifier) {
    return add<QtMatrix>(Placement::Row, identifier, window(), widget());
}

TextView& QtView::addTextView(const std::string& identifier) {
    return add<QtTextView>(Placement::Expanding, identifier, window(), widget());
}

TabView& QtView::addTabView(const std::string& identifier) {
    return add<QtTabView>(Placement::Expanding, identifier, window(), widget());
}

View& QtView::addView(const std::string& identifier, Layout layout) {
    return add<QtView>(Placement::Row, identifier, window(), widget(), layout);
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
