#include "platform/qt/qt_window.h"

#include "platform/qt/qt_menu.h"
#include "platform/qt/qt_text.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QResizeEvent>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace fw {

void QtWindowList::remove(QtWindow* window) {
    std::erase(m_windows, window);
    if (m_main == window)
        m_main = nullptr;
}

void QtWindowList::orderFront(QtWindow* window) {
    std::erase(m_windows, window);
    m_windows.push_back(window);
    makeMain(window);
}

void QtWindowList::hidden(QtWindow* window) {
    if (m_main == window) {
        // The frontmost other visible window takes over, or none.
        QtWindow* next = nullptr;
        for (auto it = m_windows.rbegin(); it != m_windows.rend() && !next; ++it) {
            if (*it != window && (*it)->isVisible())
                next = *it;
        }
        makeMain(next);
    }
    const bool anyVisible = std::any_of(m_windows.begin(), m_windows.end(),
                                        [window](QtWindow* w) { return w != window && w->isVisible(); });
    if (!anyVisible && m_noVisibleWindow)
        m_noVisibleWindow();
}

void QtWindowList::makeMain(QtWindow* window) {
    if (m_main == window)
        return;
    // The window that stops being main tells its delegate before the new one tells its own.
    QtWindow* previous = m_main;
    m_main = nullptr;
    if (previous && previous->delegate())
        previous->delegate()->windowDidResignMain(*previous);
    if (!window || window->isClosed())
        return;
    m_main = window;
    if (window->delegate())
        window->delegate()->windowDidBecomeMain(*window);
}

// ---- Window --------------------------------------------------------------------------------------

class QtWindow::Widget : public QMainWindow {
public:
    explicit Widget(QtWindow& owner) : m_owner(owner) { setAcceptDrops(true); }

protected:
    void closeEvent(QCloseEvent* event) override {
        // The window's own close() hides it; the button asks whoever owns the window.
        event->ignore();
        m_owner.performClose();
    }
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::ActivationChange && isActiveWindow())
            m_owner.activated();
        QMainWindow::changeEvent(event);
    }
    void resizeEvent(QResizeEvent* event) override {
        QMainWindow::resizeEvent(event);
        m_owner.resized();
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override {
        std::vector<std::string> paths;
        for (const QUrl& url : event->mimeData()->urls()) {
            if (url.isLocalFile())
                paths.push_back(fromQString(url.toLocalFile()));
        }
        if (!paths.empty() && m_owner.m_list.openFilesHandler()) {
            event->acceptProposedAction();
            m_owner.m_list.openFilesHandler()(paths);
        }
    }

private:
    QtWindow& m_owner;
};

QtWindow::QtWindow(QtWindowList& list, const std::string& title, NSSize contentSize)
    : m_list(list), m_widget(new Widget(*this)) {
    m_widget->setWindowTitle(toQString(title));
    m_widget->setObjectName(QStringLiteral("window"));
    for (int i = 0; i < list.mainMenu().numberOfItems(); ++i) {
        if (auto* submenu = dynamic_cast<QtMenu*>(list.mainMenu().itemAtIndex(i)->submenu()))
            m_widget->menuBar()->addMenu(submenu->qmenu());
    }
    m_content = std::make_unique<QtView>("contentView", this, m_widget, Layout::Vertical);
    m_content->widget()->layout()->setContentsMargins(8, 8, 8, 8);
    m_widget->setCentralWidget(m_content->widget());
    setContentSize(contentSize);
    m_list.add(this);
}

QtWindow::~QtWindow() {
    m_list.remove(this);
    // The controls' wrappers go before the widgets they wrap.
    m_content.reset();
    delete m_widget;
}

std::string QtWindow::title() const {
    return fromQString(m_widget->windowTitle());
}

void QtWindow::setTitle(const std::string& title) {
    m_widget->setWindowTitle(toQString(title));
}

NSSize QtWindow::contentSize() const {
    const QSize size = m_content->widget()->size();
    return {float(size.width()), float(size.height())};
}

void QtWindow::setContentSize(NSSize size) {
    const int menuHeight = m_widget->menuBar()->isVisible() || !m_widget->menuBar()->actions().isEmpty()
                               ? m_widget->menuBar()->sizeHint().height()
                               : 0;
    QSize wanted(int(std::lround(size.width)), int(std::lround(size.height)) + menuHeight);
    wanted = wanted.expandedTo(m_widget->minimumSizeHint());
    m_sizeFromCode = wanted;
    m_sizingFromCode = true;
    m_widget->resize(wanted);
    m_sizingFromCode = false;
}

NSSize QtWindow::contentSizeAround(const Control& control, NSSize controlSize) const {
    // The layout's natural content size less the control's natural size is the room the other
    // controls take around it; hidden controls take none.
    const QSize content = m_content->widget()->sizeHint();
    const QWidget* shown = m_widget->findChild<QWidget*>(toQString(control.identifier()));
    const QSize own = shown ? shown->sizeHint() : QSize(0, 0);
    return {controlSize.width + float(std::max(0, content.width() - own.width())),
            controlSize.height + float(std::max(0, content.height() - own.height()))};
}

void QtWindow::resized() {
    if (m_sizingFromCode || m_closed || !m_widget->isVisible() || m_widget->size() == m_sizeFromCode)
        return;
    if (m_widget->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))
        return;
    if (delegate())
        delegate()->windowDidEndLiveResize(*this);
}

bool QtWindow::isVisible() const {
    return m_widget->isVisible();
}

void QtWindow::makeKeyAndOrderFront() {
    if (m_closed)
        return;
    m_widget->show();
    m_widget->raise();
    m_widget->activateWindow();
    m_list.orderFront(this);
}

void QtWindow::orderOut() {
    if (!m_widget->isVisible() && m_list.mainWindow() != this)
        return;
    m_widget->hide();
    m_list.hidden(this);
}

void QtWindow::close() {
    if (m_closed)
        return;
    m_closed = true;
    if (delegate())
        delegate()->windowWillClose(*this);
    m_widget->hide();
    m_list.hidden(this);
}

void QtWindow::activated() {
    if (!m_closed && m_widget->isVisible())
        m_list.orderFront(this);
}

} // namespace fw
