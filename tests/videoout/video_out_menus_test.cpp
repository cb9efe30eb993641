#include "video_out_fixtures.h"

#include "platform/framework/headless/headless_menu.h"
#include "platform/log.h"

#include <gtest/gtest.h>

using namespace videoouttest;

namespace {

struct MenuBench {
    MenuBench() : videoOut(bench.makeController()) {
        videoOutMenu.setDelegate(videoOut.get());
        displayMenu.setDelegate(videoOut.get());
    }
    fw::HeadlessMenuItem& item(fw::HeadlessMenu& menu, int tag) {
        return static_cast<fw::HeadlessMenuItem&>(*menu.itemWithTag(tag));
    }
    // A frame of 1920 × 1080 R10k at 24 starts output in mode 8.
    OSErr sendFirstFrame() { return videoOut->StartVideoOutForFrame(nullptr, desc.get(), 0, 0x00180000, 0); }

    OutputBench bench;
    std::shared_ptr<MyVideoOut> videoOut;
    fw::HeadlessMenu videoOutMenu{"VideoOut"};
    fw::HeadlessMenu displayMenu{"Display"};
    HandleOwner desc = makeDescription(1920, 1080);
};

} // namespace

TEST(VideoOutMenus, RebuiltEachTimeTheyOpen) {
    MenuBench m;
    m.videoOutMenu.addItemWithTitle("stale", nullptr, "");
    m.displayMenu.addItemWithTitle("stale 1", nullptr, "");
    m.displayMenu.addItemWithTitle("stale 2", nullptr, "");

    m.videoOutMenu.menuWillOpen();
    EXPECT_EQ(m.videoOutMenu.itemTitles(), (std::vector<std::string>{"Off", "Bench Output"}));
    EXPECT_EQ(m.item(m.videoOutMenu, 0).state(), fw::ControlState::Off);
    EXPECT_TRUE(m.item(m.videoOutMenu, 0).isEnabled());
    EXPECT_EQ(m.item(m.videoOutMenu, 1).state(), fw::ControlState::On);
    EXPECT_EQ(m.item(m.videoOutMenu, 1).keyEquivalent(), "");

    // Idle: every mode is listed, by name and number, and disabled.
    m.displayMenu.menuWillOpen();
    ASSERT_EQ(m.displayMenu.numberOfItems(), 15);
    for (int i = 0; i < 15; ++i) {
        fw::MenuItem* item = m.displayMenu.itemAtIndex(i);
        EXPECT_EQ(item->title(), m.videoOut->displayModes()[size_t(i)].name);
        EXPECT_EQ(item->tag(), i + 1);
        EXPECT_FALSE(item->isEnabled());
        EXPECT_EQ(item->state(), fw::ControlState::Off);
    }

    // Running: enabled, the current mode checked; a second opening does not add items.
    ASSERT_EQ(m.sendFirstFrame(), noErr);
    m.displayMenu.menuWillOpen();
    ASSERT_EQ(m.displayMenu.numberOfItems(), 15);
    for (int i = 1; i <= 15; ++i) {
        EXPECT_TRUE(m.item(m.displayMenu, i).isEnabled());
        EXPECT_EQ(m.item(m.displayMenu, i).state(), i == 8 ? fw::ControlState::On : fw::ControlState::Off);
    }

    // Menus of other titles are left alone.
    fw::HeadlessMenu other("Window");
    other.addItemWithTitle("Minimize", nullptr, "m");
    other.setDelegate(m.videoOut.get());
    other.menuWillOpen();
    EXPECT_EQ(other.itemTitles(), std::vector<std::string>{"Minimize"});
}

TEST(VideoOutMenus, ChoosingAModeRestartsOutputInIt) {
    MenuBench m;
    ASSERT_EQ(m.sendFirstFrame(), noErr);
    EXPECT_EQ(m.bench.device->displayMode(), 8);
    m.displayMenu.menuWillOpen();
    LogCapture log;
    EXPECT_TRUE(m.item(m.displayMenu, 1).userChoose());
    EXPECT_EQ(m.videoOut->displayMode(), 1);
    EXPECT_TRUE(m.videoOut->videoOutputInUse());
    EXPECT_EQ(m.bench.device->displayMode(), 1);
    EXPECT_EQ(m.bench.device->surface()->width(), 720);
    EXPECT_EQ(m.bench.device->surface()->drawCount(), 0u); // no picture until a frame is sent
    EXPECT_TRUE(log.messages().empty());

    // Tags outside the modes change nothing.
    fw::HeadlessMenu scratch("Display");
    for (int tag : {0, -1, 16}) {
        fw::MenuItem& item = scratch.addItemWithTitle("x", nullptr, "");
        item.setTag(tag);
        m.videoOut->changeDisplayMode(item);
        EXPECT_EQ(m.videoOut->displayMode(), 1);
        EXPECT_TRUE(m.videoOut->videoOutputInUse());
    }
}

TEST(VideoOutMenus, OffStopsOutputAndTheDeviceRestartsItInTheLastMode) {
    MenuBench m;
    ASSERT_EQ(m.sendFirstFrame(), noErr);
    m.videoOutMenu.menuWillOpen();
    EXPECT_TRUE(m.item(m.videoOutMenu, 0).userChoose());
    EXPECT_FALSE(m.videoOut->enabled());
    EXPECT_FALSE(m.videoOut->videoOutputInUse());
    EXPECT_FALSE(m.bench.device->claimed());

    m.videoOutMenu.menuWillOpen();
    EXPECT_EQ(m.item(m.videoOutMenu, 0).state(), fw::ControlState::On);
    EXPECT_TRUE(m.item(m.videoOutMenu, 0).isEnabled()); // a device exists to go back to
    EXPECT_EQ(m.item(m.videoOutMenu, 1).state(), fw::ControlState::Off);
    m.displayMenu.menuWillOpen();
    EXPECT_FALSE(m.item(m.displayMenu, 8).isEnabled());

    // While "Off", frames start nothing.
    EXPECT_EQ(m.sendFirstFrame(), noErr);
    EXPECT_FALSE(m.bench.device->claimed());

    EXPECT_TRUE(m.item(m.videoOutMenu, 1).userChoose());
    EXPECT_TRUE(m.videoOut->enabled());
    EXPECT_TRUE(m.videoOut->videoOutputInUse());
    EXPECT_EQ(m.videoOut->displayMode(), 8);
    EXPECT_EQ(m.bench.device->displayMode(), 8);

    // Tags outside 0 to the device count change nothing.
    fw::HeadlessMenu scratch("VideoOut");
    fw::MenuItem& item = scratch.addItemWithTitle("x", nullptr, "");
    item.setTag(2);
    m.videoOut->changeVideoOut(item);
    EXPECT_EQ(m.videoOut->videoOutSelect(), 1);
    EXPECT_TRUE(m.videoOut->videoOutputInUse());
}

TEST(VideoOutMenus, ItemsOutlivingTheControllerDoNothing) {
    MenuBench m;
    m.videoOutMenu.menuWillOpen();
    m.videoOutMenu.setDelegate(nullptr);
    m.displayMenu.setDelegate(nullptr);
    m.videoOut.reset();
    EXPECT_TRUE(m.item(m.videoOutMenu, 0).userChoose());
}
