// MyVideoOut: the "VideoOut" and "Display" menus and their actions.
#include "videoout/my_video_out.h"

#include <string>

namespace {

void removeEveryItem(fw::Menu& menu) {
    while (menu.numberOfItems() > 0)
        menu.removeItemAtIndex(0);
}

} // namespace

void MyVideoOut::menuNeedsUpdate(fw::Menu& menu) {
    const std::string title = menu.title();
    if (title == "Display")
        populateMenuWithDisplayModes(menu);
    else if (title == "VideoOut")
        populateMenuWithVideoOutNames(menu);
}

void MyVideoOut::populateMenuWithDisplayModes(fw::Menu& menu) {
    removeEveryItem(menu);
    // The items hold the controller weakly: a menu may outlive it.
    std::weak_ptr<MyVideoOut> target = weak_from_this();
    for (int32_t i = 1; i <= m_numDisplayModes; ++i) {
        fw::MenuItem& item = menu.addItemWithTitle(
            m_pModeListData[size_t(i - 1)].name,
            [target](fw::MenuItem& sender) {
                if (auto videoOut = target.lock())
                    videoOut->changeDisplayMode(sender);
            },
            "");
        item.setTag(i);
        if (m_bVideoOutputInUse) {
            if (i == m_displayMode)
                item.setState(fw::ControlState::On);
        } else {
            item.setEnabled(false);
        }
    }
}

void MyVideoOut::populateMenuWithVideoOutNames(fw::Menu& menu) {
    removeEveryItem(menu);
    std::weak_ptr<MyVideoOut> target = weak_from_this();
    auto action = [target](fw::MenuItem& sender) {
        if (auto videoOut = target.lock())
            videoOut->changeVideoOut(sender);
    };
    fw::MenuItem& off = menu.addItemWithTitle("Off", action, "");
    off.setTag(0);
    if (m_videoOutSelect == 0) {
        off.setState(fw::ControlState::On);
        if (m_numVideoOutDevices == 0)
            off.setEnabled(false);
    }
    for (int32_t i = 1; i <= m_numVideoOutDevices; ++i) {
        fw::MenuItem& item = menu.addItemWithTitle(componentName(), action, "");
        item.setTag(i);
        if (m_videoOutSelect == i)
            item.setState(fw::ControlState::On);
    }
}

void MyVideoOut::changeDisplayMode(fw::MenuItem& sender) {
    const int tag = sender.tag();
    if (tag < 1 || tag > m_numDisplayModes)
        return;
    StopVideoOut();
    m_displayMode = tag;
    // The session comes up without a picture; the next frame arrives when a document sends one.
    if (enabled())
        StartVideoOut();
}

void MyVideoOut::changeVideoOut(fw::MenuItem& sender) {
    const int tag = sender.tag();
    if (tag < 0 || tag > m_numVideoOutDevices)
        return;
    StopVideoOut();
    m_videoOutSelect = tag;
    if (enabled())
        StartVideoOut();
}
