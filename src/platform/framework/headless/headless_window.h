// Windows in memory, and the window list that decides which one is main.
#pragma once

#include "platform/framework/headless/headless_view.h"
#include "platform/framework/window.h"

#include <vector>

namespace fw {

class HeadlessWindow;

/// The application's windows, back to front, and the main one. A window that is shown becomes
/// main; when the main window is hidden or closed, the frontmost visible window becomes main.
class HeadlessWindowList {
public:
    HeadlessWindowList() = default;
    HeadlessWindowList(const HeadlessWindowList&) = delete;
    HeadlessWindowList& operator=(const HeadlessWindowList&) = delete;

    HeadlessWindow* mainWindow() const { return m_main; }
    /// Live windows, back to front.
    const std::vector<HeadlessWindow*>& windows() const { return m_windows; }

private:
    friend class HeadlessWindow;
    void add(HeadlessWindow* window) { m_windows.push_back(window); }
    /// A destroyed window: forgotten without notices.
    void remove(HeadlessWindow* window);
    void orderFront(HeadlessWindow* window);
    /// A window that was hidden: if it was main, the frontmost visible one becomes main.
    void hidden(HeadlessWindow* window);
    void makeMain(HeadlessWindow* window);

    std::vector<HeadlessWindow*> m_windows;
    HeadlessWindow* m_main = nullptr;
};

class HeadlessWindow : public Window {
public:
    /// The list must outlive the window.
    HeadlessWindow(HeadlessWindowList& list, const std::string& title, NSSize contentSize);
    ~HeadlessWindow() override;

    View& contentView() override { return m_content; }
    std::string title() const override { return m_title; }
    void setTitle(const std::string& title) override { m_title = title; }
    NSSize contentSize() const override { return m_contentSize; }
    void setContentSize(NSSize size) override { m_contentSize = size; }
    /// Without a layout, every control has the same room around it: kControlsRoom.
    NSSize contentSizeAround(const Control&, NSSize controlSize) const override {
        return {controlSize.width + kControlsRoom.width, controlSize.height + kControlsRoom.height};
    }
    static constexpr NSSize kControlsRoom{46, 115};
    /// The user drags the window to `size`: the delegate hears of it.
    void resizeAsUser(NSSize size);

    bool isVisible() const override { return m_visible; }
    bool isMainWindow() const override { return m_list.mainWindow() == this; }
    void makeKeyAndOrderFront() override;
    void orderOut() override;
    void close() override;
    bool isClosed() const override { return m_closed; }

private:
    friend class HeadlessWindowList;

    HeadlessWindowList& m_list;
    HeadlessView m_content;
    std::string m_title;
    NSSize m_contentSize;
    bool m_visible = false;
    bool m_closed = false;
};

} // namespace fw
