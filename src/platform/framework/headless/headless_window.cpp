#include "platform/framework/headless/headless_window.h"

#include <algorithm>

namespace fw {

void HeadlessWindowList::remove(HeadlessWindow* window) {
    m_windows.erase(std::remove(m_windows.begin(), m_windows.end(), window), m_windows.end());
    if (m_main == window)
        m_main = nullptr;
}

void HeadlessWindowList::orderFront(HeadlessWindow* window) {
    m_windows.erase(std::remove(m_windows.begin(), m_windows.end(), window), m_windows.end());
    m_windows.push_back(window);
    makeMain(window);
}

void HeadlessWindowList::hidden(HeadlessWindow* window) {
    if (m_main != window)
        return;
    HeadlessWindow* next = nullptr;
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        if (*it != window && (*it)->m_visible) {
            next = *it;
            break;
        }
    }
    makeMain(next);
}

void HeadlessWindowList::makeMain(HeadlessWindow* window) {
    if (m_main == window)
        return;
    // The old main window resigns before the new one becomes main; each hears it with the state
    // already changed.
    HeadlessWindow* previous = m_main;
    m_main = nullptr;
    if (previous && previous->delegate())
        previous->delegate()->windowDidResignMain(*previous);
    if (!window || std::find(m_windows.begin(), m_windows.end(), window) == m_windows.end())
        return;
    m_main = window;
    if (window->delegate())
        window->delegate()->windowDidBecomeMain(*window);
}

HeadlessWindow::HeadlessWindow(HeadlessWindowList& list, const std::string& title, NSSize contentSize)
    : m_list(list), m_content("content", this, Layout::Vertical), m_title(title), m_contentSize(contentSize) {
    m_list.add(this);
}

HeadlessWindow::~HeadlessWindow() { m_list.remove(this); }

void HeadlessWindow::makeKeyAndOrderFront() {
    if (m_closed)
        return;
    m_visible = true;
    m_list.orderFront(this);
}

void HeadlessWindow::orderOut() {
    if (!m_visible)
        return;
    m_visible = false;
    m_list.hidden(this);
}

void HeadlessWindow::close() {
    if (m_closed)
        return;
    m_closed = true;
    if (delegate())
        delegate()->windowWillClose(*this);
    m_visible = false;
    m_list.hidden(this);
}

void HeadlessWindow::resizeAsUser(NSSize size) {
    m_contentSize = size;
    if (delegate())
        delegate()->windowDidEndLiveResize(*this);
}

} // namespace fw
