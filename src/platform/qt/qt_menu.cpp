#include "platform/qt/qt_menu.h"

#include "platform/qt/qt_text.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

namespace fw {

QtMenuItem::QtMenuItem(QtMenu& menu, const std::string& title, Action action,
                       const std::string& keyEquivalent)
    : m_menu(menu), m_action(new QAction(toQString(title), menu.qmenu())) {
    setAction(std::move(action));
    setKeyEquivalent(keyEquivalent);
    // The action's context is the QAction itself: the item goes with it.
    QObject::connect(m_action, &QAction::triggered, m_action, [this] {
        // A checkable action flips itself; the state is the item's to keep.
        m_action->setChecked(m_state == ControlState::On);
        sendAction();
    });
}

QtMenuItem::~QtMenuItem() {
    if (m_action) {
        m_action->disconnect();
        m_action->setMenu(static_cast<QMenu*>(nullptr));
        if (QWidget* parent = qobject_cast<QWidget*>(m_action->parent()))
            parent->removeAction(m_action);
        m_action->deleteLater();
    }
}

std::string QtMenuItem::title() const {
    return m_action ? fromQString(m_action->text()) : std::string();
}

void QtMenuItem::setTitle(const std::string& title) {
    if (m_action)
        m_action->setText(toQString(title));
}

void QtMenuItem::setState(ControlState state) {
    m_state = state;
    if (!m_action)
        return;
    m_action->setCheckable(state != ControlState::Off);
    m_action->setChecked(state == ControlState::On);
}

bool QtMenuItem::isEnabled() const {
    return m_action && m_action->isEnabled();
}

void QtMenuItem::setEnabled(bool enabled) {
    if (m_action)
        m_action->setEnabled(enabled);
}

void QtMenuItem::setKeyEquivalent(const std::string& key) {
    m_keyEquivalent = key;
    if (!m_action)
        return;
    if (key.empty()) {
        m_action->setShortcut(QKeySequence());
        return;
    }
    // Help's "?" is the platform's help key here (F1), where Linux users press it.
    if (key == "?") {
        m_action->setShortcut(QKeySequence::HelpContents);
        return;
    }
    QString text = toQString(key);
    const bool upper = text.size() == 1 && text.at(0).isUpper();
    m_action->setShortcut(
        QKeySequence((upper ? QStringLiteral("Ctrl+Shift+") : QStringLiteral("Ctrl+")) + text.toUpper()));
}

void QtMenuItem::setSubmenu(std::unique_ptr<Menu> submenu) {
    if (m_action)
        m_action->setMenu(static_cast<QMenu*>(nullptr));
    m_submenu = std::move(submenu);
    if (auto* qtMenu = dynamic_cast<QtMenu*>(m_submenu.get()); qtMenu && m_action)
        m_action->setMenu(qtMenu->qmenu());
}

Menu& QtMenuItem::menu() const {
    return m_menu;
}

// ---- Menu ----------------------------------------------------------------------------------------

QtMenu::QtMenu(const std::string& title) : m_title(title), m_menu(std::make_unique<QMenu>(toQString(title))) {
    m_menu->setObjectName(toQString(title) + QStringLiteral("Menu"));
    QObject::connect(m_menu.get(), &QMenu::aboutToShow, m_menu.get(), [this] { menuWillOpen(); });
}

QtMenu::~QtMenu() {
    m_items.clear();
    // Actions let go of with deleteLater still belong to the menu; they go with it.
}

MenuItem* QtMenu::itemAtIndex(int index) const {
    return index >= 0 && index < int(m_items.size()) ? m_items[size_t(index)].get() : nullptr;
}

MenuItem& QtMenu::addItemWithTitle(const std::string& title, MenuItem::Action action,
                                   const std::string& keyEquivalent) {
    auto item = std::make_unique<QtMenuItem>(*this, title, std::move(action), keyEquivalent);
    m_menu->addAction(item->action());
    m_items.push_back(std::move(item));
    return *m_items.back();
}

void QtMenu::removeItemAtIndex(int index) {
    if (index < 0 || index >= int(m_items.size()))
        return;
    m_items.erase(m_items.begin() + index);
}

void QtMenu::addSeparator() {
    m_menu->addSeparator();
}

} // namespace fw
