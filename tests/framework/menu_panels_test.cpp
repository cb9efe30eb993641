#include "platform/framework/headless/headless_framework.h"
#include "platform/framework/path_ops.h"

#include <gtest/gtest.h>

using namespace fw;

namespace {

/// Rebuilds its menu on every opening with one item per mode, as an output controller does.
struct ModeMenuDelegate : MenuDelegate {
    int modes = 2;
    int chosen = 0;
    void menuNeedsUpdate(Menu& menu) override {
        menu.removeAllItems();
        for (int i = 1; i <= modes; ++i) {
            MenuItem& item = menu.addItemWithTitle("Mode " + std::to_string(i), [this](MenuItem& sender) {
                chosen = sender.tag();
                // Choosing rebuilds the menu, destroying the sender: nothing may touch it afterwards.
                sender.menu().removeAllItems();
            }, "");
            item.setTag(i);
            item.setState(i == chosen ? ControlState::On : ControlState::Off);
        }
    }
};

} // namespace

TEST(Menus, DelegateRebuildsASubmenuWhenItOpens) {
    HeadlessFramework framework("");
    HeadlessMenu& main = framework.mainMenu();
    MenuItem& displayItem = main.addItemWithTitle("Display", nullptr, "");
    displayItem.setSubmenu(framework.makeMenu("Display"));
    main.addItemWithTitle("VideoOut", nullptr, "").setSubmenu(framework.makeMenu("VideoOut"));

    MenuItem* found = main.itemWithTitle("Display");
    ASSERT_EQ(found, &displayItem);
    EXPECT_EQ(main.itemWithTitle("Window"), nullptr);
    Menu& display = *found->submenu();
    ModeMenuDelegate delegate;
    display.setDelegate(&delegate);

    display.menuWillOpen();
    EXPECT_EQ(static_cast<HeadlessMenu&>(display).itemTitles(), (std::vector<std::string>{"Mode 1", "Mode 2"}));
    EXPECT_TRUE(static_cast<HeadlessMenuItem*>(display.itemWithTag(2))->userChoose());
    EXPECT_EQ(delegate.chosen, 2);
    EXPECT_EQ(display.numberOfItems(), 0);

    delegate.modes = 3;
    display.menuWillOpen();
    EXPECT_EQ(display.numberOfItems(), 3);
    EXPECT_EQ(display.itemWithTag(2)->state(), ControlState::On);
    display.itemAtIndex(0)->setEnabled(false);
    EXPECT_FALSE(static_cast<HeadlessMenuItem*>(display.itemAtIndex(0))->userChoose());
    EXPECT_EQ(delegate.chosen, 2);
    EXPECT_EQ(display.itemAtIndex(3), nullptr);
}

TEST(Panels, SavePanelAnswerArrivesAtTheNextTurn) {
    HeadlessFramework framework("");
    auto window = framework.makeWindow("shot_0001.dpx", {558, 504});
    std::unique_ptr<View> accessory = framework.makeView("savePanelAccessory", Layout::Vertical);
    Matrix& option = accessory->addMatrix("saveOption");
    option.addCell("Self-contained movie", 0);
    option.addCell("Reference movie", 1);

    int ended = 0;
    auto didEnd = [&](SavePanel& panel, int code) {
        ++ended;
        if (code == SavePanel::OKButton)
            EXPECT_EQ(panel.filename(), "/seq/out/clip.mov");
        else
            EXPECT_EQ(panel.filename(), "");
    };
    // No responder: Cancel.
    framework.savePanel()->beginSheetForDirectory("/seq", "shot_.mov", window.get(), didEnd);
    framework.mainRunLoop().pumpOnce();
    EXPECT_EQ(ended, 1);

    framework.setSavePanelResponder([](HeadlessSavePanel& panel) {
        EXPECT_EQ(panel.directory(), "/seq");
        EXPECT_EQ(panel.proposedFile(), "shot_.mov");
        panel.accessoryView()->find<Matrix>("saveOption")->selectCellWithTag(1);
        panel.setFilename("/seq/out/clip.mov");
        return SavePanel::OKButton;
    });
    {
        std::shared_ptr<SavePanel> panel = framework.savePanel();
        panel->setAccessoryView(accessory.get());
        panel->beginSheetForDirectory("/seq", "shot_.mov", window.get(), didEnd);
    }  // the sheet keeps the panel alive
    EXPECT_EQ(ended, 1);
    framework.mainRunLoop().pumpOnce();
    EXPECT_EQ(ended, 2);
    EXPECT_EQ(option.selectedCellTag(), 1);
    ASSERT_EQ(framework.savePanelsShown().size(), 2u);
    EXPECT_EQ(framework.savePanelsShown()[1].window, window.get());

    // OK without a chosen path takes the proposed name in the proposed directory.
    framework.setSavePanelResponder([](HeadlessSavePanel&) { return SavePanel::OKButton; });
    std::string chosen;
    framework.savePanel()->beginSheetForDirectory("/seq/out", "clip.mov", nullptr,
                                                  [&](SavePanel& p, int) { chosen = p.filename(); });
    framework.mainRunLoop().pumpOnce();
    EXPECT_EQ(chosen, "/seq/out/clip.mov");
}

TEST(Panels, AlertIsRecordedAndShowsItsTextUnformatted) {
    HeadlessFramework framework("");
    auto window = framework.makeWindow("doc", {100, 100});
    const std::string text = "Frames differ by 100% %d %s";
    auto alert = framework.alertWithMessageText("Warning", "OK", "", "", text);
    int code = 99;
    alert->beginSheetModalForWindow(window.get(), [&](Alert&, int c) { code = c; });
    alert.reset();
    framework.mainRunLoop().pumpOnce();
    EXPECT_EQ(code, Alert::DefaultReturn);
    ASSERT_EQ(framework.alertsShown().size(), 1u);
    EXPECT_EQ(framework.alertsShown()[0].message, "Warning");
    EXPECT_EQ(framework.alertsShown()[0].buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(framework.alertsShown()[0].informative, text);
    EXPECT_EQ(framework.alertsShown()[0].window, window.get());
}
