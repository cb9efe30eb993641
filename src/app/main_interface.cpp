#include "app/main_interface.h"

#include "app/name_source_type.h"

#include <array>

namespace {

// Item titles of the two name popups, by NameSourceType.
constexpr std::array<const char*, kNameSourceTypeCount> kFileNameSources{
    "None", "Sequence Name", "In-Point File Name", "Folder Name", "Last Movie Name"};
constexpr std::array<const char*, kNameSourceTypeCount> kSourceIDSources{
    "None", "Sequence Name", "In-Point File Name", "Folder Name", "Last Source ID"};

void addNameSourceItems(fw::PopUpButton& popup, const std::array<const char*, kNameSourceTypeCount>& titles) {
    for (int32_t type = 0; type < kNameSourceTypeCount; ++type)
        popup.addItem(titles[type], type);
}

} // namespace

MainInterface::MainInterface(fw::Framework& framework, MyAppController& controller)
    : m_framework(framework), m_controller(controller) {
    addSubmenu("VideoOut");
    addSubmenu("Display");
    makeHelpWindow();
    makePreferencesWindow();
}

MainInterface::~MainInterface() {
    m_controller.setHelpText(nullptr);
    m_controller.setPrefQTFileExtButton(nullptr);
    m_controller.setPrefQTFileNamePopup(nullptr);
    m_controller.setPrefSourceIDPopup(nullptr);
    m_controller.setPrefAllowLargeFramesButton(nullptr);
}

void MainInterface::addSubmenu(const std::string& title) {
    fw::Menu& mainMenu = m_framework.mainMenu();
    if (mainMenu.itemWithTitle(title))
        return;
    // The submenu carries the item's title: the output controller rebuilds a menu by its title.
    mainMenu.addItemWithTitle(title, {}, "").setSubmenu(m_framework.makeMenu(title));
}

void MainInterface::makeHelpWindow() {
    m_helpWindow = m_framework.makeWindow("Reelmaker Help", {480, 560});
    m_helpText = &m_helpWindow->contentView().addTextView(kHelpTextID);
    m_controller.setHelpText(m_helpText);
}

void MainInterface::makePreferencesWindow() {
    m_preferencesWindow = m_framework.makeWindow("Preferences", {420, 180});
    fw::View& content = m_preferencesWindow->contentView();
    MyAppController& controller = m_controller;

    content.addTextField("fileNameLabel", false).setStringValue("Name movies after:");
    m_fileNamePopup = &content.addPopUpButton(kFileNamePopupID);
    addNameSourceItems(*m_fileNamePopup, kFileNameSources);
    m_fileNamePopup->setAction([&controller](fw::Control& sender) {
        controller.defaultQTFileNamePopup(static_cast<fw::PopUpButton&>(sender));
    });

    m_fileExtensionButton = &content.addButton(
        kFileExtensionButtonID, "Add the extension .mov to movie names", fw::ButtonType::Switch);
    m_fileExtensionButton->setAction([&controller](fw::Control& sender) {
        controller.defaultQTFileExtensionButton(static_cast<fw::Button&>(sender));
    });

    content.addTextField("sourceIDLabel", false).setStringValue("Name timecode sources after:");
    m_sourceIDPopup = &content.addPopUpButton(kSourceIDPopupID);
    addNameSourceItems(*m_sourceIDPopup, kSourceIDSources);
    m_sourceIDPopup->setAction([&controller](fw::Control& sender) {
        controller.defaultSourceIDNamePopup(static_cast<fw::PopUpButton&>(sender));
    });

    m_allowLargeFramesButton = &content.addButton(
        kAllowLargeFramesButtonID, "Accept frames larger than 2048 (up to 16384)", fw::ButtonType::Switch);
    m_allowLargeFramesButton->setAction([&controller](fw::Control& sender) {
        controller.defaultAllowLargeFramesButton(static_cast<fw::Button&>(sender));
    });

    controller.setPrefQTFileNamePopup(m_fileNamePopup);
    controller.setPrefAllowLargeFramesButton(m_allowLargeFramesButton);
    controller.setPrefQTFileExtButton(m_fileExtensionButton);
    controller.setPrefSourceIDPopup(m_sourceIDPopup);
}
