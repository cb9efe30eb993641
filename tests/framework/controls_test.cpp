#include "platform/framework/headless/headless_framework.h"

#include <gtest/gtest.h>

using namespace fw;

namespace {

struct ControlsTest : testing::Test {
    HeadlessFramework framework{""};
    std::unique_ptr<Window> window = framework.makeWindow("MyDocument", {400, 300});
    View& content = window->contentView();
};

} // namespace

TEST_F(ControlsTest, PopUpSelectionByTagAndNone) {
    auto& popup = static_cast<HeadlessPopUpButton&>(content.addPopUpButton("frameRate"));
    EXPECT_EQ(popup.indexOfSelectedItem(), -1);
    EXPECT_EQ(popup.selectedTag(), 0);
    const char* titles[] = {"23.976", "24", "25"};
    for (int tag = 0; tag < 3; ++tag)
        popup.addItem(titles[tag], tag + 10);
    EXPECT_EQ(popup.indexOfSelectedItem(), 0);  // the first item added is selected
    EXPECT_EQ(popup.indexOfItemWithTag(12), 2);
    EXPECT_EQ(popup.indexOfItemWithTag(9), -1);

    popup.selectItemAtIndex(popup.indexOfItemWithTag(12));
    EXPECT_EQ(popup.selectedTag(), 12);
    EXPECT_EQ(popup.titleOfSelectedItem(), "25");
    // A stored tag that no item carries: index -1, no selection, tag 0 and no title.
    popup.selectItemWithTag(9);
    EXPECT_EQ(popup.indexOfSelectedItem(), -1);
    EXPECT_EQ(popup.selectedTag(), 0);
    EXPECT_EQ(popup.titleOfSelectedItem(), "");
    popup.selectItemAtIndex(7);  // names no item: none
    EXPECT_EQ(popup.indexOfSelectedItem(), -1);

    // Removing items keeps the selection on its item.
    popup.selectItemAtIndex(2);
    popup.removeItemAtIndex(0);
    EXPECT_EQ(popup.indexOfSelectedItem(), 1);
    EXPECT_EQ(popup.selectedTag(), 12);
    popup.removeItemAtIndex(1);
    EXPECT_EQ(popup.indexOfSelectedItem(), -1);

    // The user's choice sends the action; a disabled pop-up can't be chosen from.
    int actions = 0;
    popup.setAction([&](Control& sender) {
        EXPECT_EQ(&sender, &popup);
        ++actions;
    });
    popup.selectItemAtIndex(0);  // from code: no action
    EXPECT_TRUE(popup.userSelectItemAtIndex(0));
    popup.setEnabled(false);
    EXPECT_FALSE(popup.userSelectItemAtIndex(0));
    EXPECT_EQ(actions, 1);
}

TEST_F(ControlsTest, SliderKeepsItsValueInRange) {
    auto& slider = static_cast<HeadlessSlider&>(content.addSlider("frame"));
    EXPECT_EQ(slider.minValue(), 0.0);
    EXPECT_EQ(slider.maxValue(), 1.0);
    slider.setMinValue(0.0);
    slider.setMaxValue(249.0);
    slider.setIntValue(17);
    EXPECT_EQ(slider.intValue(), 17);
    slider.setDoubleValue(3.7);
    EXPECT_EQ(slider.intValue(), 3);  // truncated
    slider.setIntValue(400);
    EXPECT_EQ(slider.intValue(), 249);
    slider.setMaxValue(9.0);  // a shrunk range moves the value into it
    EXPECT_EQ(slider.intValue(), 9);

    std::vector<int> seen;
    slider.setAction([&](Control& sender) { seen.push_back(static_cast<Slider&>(sender).intValue()); });
    EXPECT_TRUE(slider.userMoveTo(4));
    slider.setEnabled(false);
    EXPECT_FALSE(slider.userMoveTo(5));
    EXPECT_EQ(slider.intValue(), 4);
    EXPECT_EQ(seen, std::vector<int>{4});
}

TEST_F(ControlsTest, TypingTellsEveryKeystroke) {
    auto& field = static_cast<HeadlessTextField&>(content.addTextField("sourceID", true));
    std::vector<std::string> changes;
    int ends = 0;
    field.setTextDidChange([&](TextField& f) { changes.push_back(f.stringValue()); });
    field.setAction([&](Control&) { ++ends; });

    field.setStringValue("A0");  // from code: no notice
    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(field.userType("1\xC3\xA9"));  // '1' then 'é' (two bytes, one keystroke)
    EXPECT_TRUE(field.userDeleteBackward(2));
    EXPECT_TRUE(field.userReplaceAll("reel"));
    EXPECT_TRUE(field.userReplaceAll("reel"));  // same text: no change
    EXPECT_EQ(changes, (std::vector<std::string>{"A01", "A01\xC3\xA9", "A01", "A0", "reel"}));
    EXPECT_TRUE(field.userEndEditing());
    EXPECT_EQ(ends, 1);

    auto& label = static_cast<HeadlessTextField&>(content.addTextField("description", false));
    EXPECT_FALSE(label.userType("x"));
    EXPECT_EQ(label.stringValue(), "");
    label.setStringValue("42 frames");
    EXPECT_EQ(label.intValue(), 42);
}

TEST_F(ControlsTest, ButtonsAndMatrix) {
    auto& check = content.addButton("fileExt", "Use .mov", ButtonType::Switch);
    int clicks = 0;
    check.setAction([&](Control& sender) {
        ++clicks;
        EXPECT_EQ(static_cast<Button&>(sender).intValue(), clicks % 2);
    });
    check.performClick();
    check.performClick();
    EXPECT_EQ(check.intValue(), 0);
    check.setIntValue(5);
    EXPECT_EQ(check.state(), ControlState::On);
    check.setHidden(true);
    check.performClick();
    EXPECT_EQ(clicks, 2);

    auto& push = content.addButton("translate", "Translate...", ButtonType::MomentaryPush);
    push.performClick();
    EXPECT_EQ(push.state(), ControlState::Off);
    push.setTitle("Cancel");
    EXPECT_EQ(push.title(), "Cancel");

    auto& matrix = static_cast<HeadlessMatrix&>(content.addMatrix("saveOption"));
    EXPECT_EQ(matrix.selectedCellTag(), 0);
    matrix.addCell("Self-contained", 0);
    matrix.addCell("Reference", 1);
    EXPECT_EQ(matrix.indexOfSelectedCell(), 0);
    EXPECT_TRUE(matrix.userSelectCellAtIndex(1));
    EXPECT_EQ(matrix.selectedCellTag(), 1);
    EXPECT_FALSE(matrix.selectCellWithTag(5));
    EXPECT_EQ(matrix.selectedCellTag(), 1);
    matrix.selectCellAtIndex(-1);
    EXPECT_EQ(matrix.selectedCellTag(), 0);
}

TEST_F(ControlsTest, TabViewTellsChangesAndViewsFindTheirControls) {
    TabView& tabs = content.addTabView("tabs");
    View& preview = tabs.addTabViewItem("Preview");
    View& settings = tabs.addTabViewItem("Settings");
    Slider& slider = preview.addSlider("frame");
    View& row = settings.addView("row", Layout::Horizontal);
    PopUpButton& codec = row.addPopUpButton("codec");

    std::vector<int> selected;
    tabs.setDidSelectTabViewItem([&](TabView& t, int index) {
        EXPECT_EQ(t.indexOfSelectedTabViewItem(), index);
        selected.push_back(index);
    });
    EXPECT_EQ(tabs.indexOfSelectedTabViewItem(), 0);
    tabs.selectTabViewItemAtIndex(1);
    tabs.selectTabViewItemAtIndex(1);  // already selected
    tabs.selectTabViewItemAtIndex(2);  // no such tab
    EXPECT_TRUE(static_cast<HeadlessTabView&>(tabs).userSelectTab(0));
    EXPECT_EQ(selected, (std::vector<int>{1, 0}));

    EXPECT_EQ(window->find<Slider>("frame"), &slider);
    EXPECT_EQ(window->find<PopUpButton>("codec"), &codec);
    EXPECT_EQ(window->find<Slider>("codec"), nullptr);  // wrong kind
    EXPECT_EQ(window->find<Control>("nothing"), nullptr);
    EXPECT_EQ(slider.window(), window.get());
    EXPECT_EQ(codec.window(), window.get());
}
