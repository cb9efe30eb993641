#include "app/main_interface.h"
#include "app/my_app_controller.h"
#include "platform/framework/headless/headless_controls.h"
#include "platform/framework/headless/headless_framework.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using fw::DefaultsValue;

namespace {

const std::vector<std::string> kKeysInOrder{
    "FrameRate",           "Codec",           "SourceID", "FileName", "DefaultFileExt", "DefaultFileNameType",
    "DefaultSourceIDType", "AllowLargeFrames"};

class FakeVideoOut : public VideoOutController {
public:
    bool enabled() const override { return false; }
    int32_t displayMode() const override { return 0; }
    OSErr StartVideoOutForFrame(Ptr, Handle, OSType, Fixed, int32_t) override { return 0; }
    void StopVideoOut() override {}
    void menuNeedsUpdate(fw::Menu& menu) override { menusUpdated.push_back(menu.title()); }

    std::vector<std::string> menusUpdated;
};

// What an application start needs: the framework, the controller and its main interface.
struct App {
    explicit App(StartupServices services = {}, std::string resources = fw::locateResourcesDirectory())
        : framework(std::move(resources)), controller(framework, std::move(services)),
          ui(framework, controller) {}

    fw::MemoryUserDefaults& defaults() { return framework.standardUserDefaults(); }
    fw::HeadlessPopUpButton& fileNamePopup() {
        return static_cast<fw::HeadlessPopUpButton&>(ui.fileNamePopup());
    }
    fw::HeadlessPopUpButton& sourceIDPopup() {
        return static_cast<fw::HeadlessPopUpButton&>(ui.sourceIDPopup());
    }

    fw::HeadlessFramework framework;
    MyAppController controller;
    MainInterface ui;
};

fw::Menu* submenu(fw::Framework& framework, const std::string& title) {
    fw::MenuItem* item = framework.mainMenu().itemWithTitle(title);
    return item ? item->submenu() : nullptr;
}

} // namespace

TEST(MyAppController, FirstStartRegistersTheEightDefaultsInOrder) {
    App app;
    EXPECT_EQ(app.defaults().registeredKeys(), kKeysInOrder);
    EXPECT_EQ(app.defaults().objectForKey("FrameRate"), DefaultsValue(int32_t(0)));
    EXPECT_EQ(app.defaults().objectForKey("Codec"), DefaultsValue(int32_t(0)));
    EXPECT_EQ(app.defaults().objectForKey("SourceID"), DefaultsValue(std::string()));
    EXPECT_EQ(app.defaults().objectForKey("FileName"), DefaultsValue(std::string()));
    EXPECT_EQ(app.defaults().objectForKey("DefaultFileExt"), DefaultsValue(true));
    EXPECT_EQ(app.defaults().objectForKey("DefaultFileNameType"), DefaultsValue(int32_t(1)));
    EXPECT_EQ(app.defaults().objectForKey("DefaultSourceIDType"), DefaultsValue(int32_t(0)));
    EXPECT_EQ(app.defaults().objectForKey("AllowLargeFrames"), DefaultsValue(false));
    // Registering stores nothing.
    for (const std::string& key : kKeysInOrder)
        EXPECT_FALSE(app.defaults().hasStoredValue(key)) << key;

    int documentsMade = 0;
    app.controller.setDocumentFactory([&](fw::Framework&) {
        ++documentsMade;
        return nullptr;
    });
    app.framework.finishLaunching();

    EXPECT_EQ(app.controller.defaultFrameRate(), 0);
    EXPECT_EQ(app.controller.defaultCodec(), 0);
    EXPECT_EQ(app.controller.defaultSourceID(), "");
    EXPECT_EQ(app.controller.defaultFileName(), "");
    EXPECT_TRUE(app.controller.defaultQTFileExtension());
    EXPECT_EQ(app.controller.defaultQTFileNameType(), 1);
    EXPECT_EQ(app.controller.defaultSourceIDType(), 0);
    EXPECT_EQ(app.ui.fileExtensionButton().intValue(), 1);
    EXPECT_FALSE(app.controller.defaultAllowLargeFrames());
    EXPECT_EQ(app.ui.allowLargeFramesButton().intValue(), 0);
    EXPECT_EQ(app.fileNamePopup().selectedTag(), 1);
    EXPECT_EQ(app.fileNamePopup().titleOfSelectedItem(), "Sequence Name");
    EXPECT_EQ(app.sourceIDPopup().selectedTag(), 0);
    EXPECT_EQ(app.sourceIDPopup().indexOfSelectedItem(), 0);
    // The help text is loaded; no untitled document; the software output device's controller.
    EXPECT_EQ(app.ui.helpText().string().rfind("Reelmaker Help\n", 0), 0u);
    EXPECT_EQ(documentsMade, 0);
    EXPECT_TRUE(app.controller.documents().empty());
    EXPECT_FALSE(app.controller.applicationShouldOpenUntitledFile());
    ASSERT_NE(app.controller.videoOut(), nullptr);
    EXPECT_TRUE(app.controller.videoOut()->enabled());
    EXPECT_EQ(submenu(app.framework, "VideoOut")->delegate(), app.controller.videoOut());
    EXPECT_EQ(MyAppController::shared(app.framework), &app.controller);
    EXPECT_EQ(app.framework.delegate(), &app.controller);
}

TEST(MyAppController, StartUpReadsTheStoredValuesIntoFieldsAndControls) {
    App app;
    app.defaults().setInteger(5, "FrameRate");
    app.defaults().setInteger(1, "Codec");
    app.defaults().setObject(std::string("A001"), "SourceID");
    app.defaults().setObject(std::string("reel.mov"), "FileName");
    app.defaults().setBool(false, "DefaultFileExt");
    app.defaults().setInteger(3, "DefaultFileNameType");
    app.defaults().setInteger(4, "DefaultSourceIDType");
    app.defaults().clearJournal();

    app.framework.finishLaunching();

    EXPECT_EQ(app.controller.defaultFrameRate(), 5);
    EXPECT_EQ(app.controller.defaultCodec(), 1);
    EXPECT_EQ(app.controller.defaultSourceID(), "A001");
    EXPECT_EQ(app.controller.defaultFileName(), "reel.mov");
    EXPECT_FALSE(app.controller.defaultQTFileExtension());
    EXPECT_EQ(app.controller.defaultQTFileNameType(), 3);
    EXPECT_EQ(app.controller.defaultSourceIDType(), 4);
    EXPECT_EQ(app.ui.fileExtensionButton().intValue(), 0);
    EXPECT_EQ(app.fileNamePopup().selectedTag(), 3);
    EXPECT_EQ(app.sourceIDPopup().selectedTag(), 4);
    // Reading goes through the two string setters, which write what they read.
    EXPECT_EQ(app.defaults().writeCount("SourceID"), 1);
    EXPECT_EQ(app.defaults().writeCount("FileName"), 1);
    EXPECT_EQ(app.defaults().writes().size(), 2u);
}

TEST(MyAppController, StoredPreferenceTagThatNoItemCarries) {
    App app;
    app.defaults().setInteger(9, "DefaultSourceIDType");
    app.defaults().setInteger(-1, "DefaultFileNameType");
    app.framework.finishLaunching();

    // The popups are left without a selection and the fields keep the stored values.
    EXPECT_EQ(app.sourceIDPopup().indexOfSelectedItem(), -1);
    EXPECT_EQ(app.fileNamePopup().indexOfSelectedItem(), -1);
    EXPECT_EQ(app.controller.defaultSourceIDType(), 9);
    EXPECT_EQ(app.controller.defaultQTFileNameType(), -1);
    EXPECT_EQ(app.defaults().integerForKey("DefaultSourceIDType"), 9);

    // The user's next choice is stored; an action from a popup without a selection stores tag 0.
    ASSERT_TRUE(app.sourceIDPopup().userSelectItemAtIndex(2));
    EXPECT_EQ(app.controller.defaultSourceIDType(), 2);
    EXPECT_EQ(app.defaults().objectForKey("DefaultSourceIDType"), DefaultsValue(int32_t(2)));
    app.controller.defaultQTFileNamePopup(app.fileNamePopup());
    EXPECT_EQ(app.controller.defaultQTFileNameType(), 0);
    EXPECT_EQ(app.defaults().objectForKey("DefaultFileNameType"), DefaultsValue(int32_t(0)));
}

TEST(MyAppController, SettersAndActionsWriteAtOnceAlsoUnchanged) {
    App app;
    app.framework.finishLaunching();
    app.defaults().clearJournal();

    app.controller.setDefaultFrameRate(0);
    app.controller.setDefaultFrameRate(0);
    app.controller.setDefaultFrameRate(9); // stored as given
    app.controller.setDefaultCodec(1);
    app.controller.setDefaultCodec(1);
    app.controller.setDefaultSourceID("");
    app.controller.setDefaultSourceID("A");
    app.controller.setDefaultSourceID("A0");
    app.controller.setDefaultFileName("shot_.mov");
    app.controller.setDefaultFileName("shot_.mov");
    EXPECT_EQ(app.defaults().writeCount("FrameRate"), 3);
    EXPECT_EQ(app.defaults().writeCount("Codec"), 2);
    EXPECT_EQ(app.defaults().writeCount("SourceID"), 3);
    EXPECT_EQ(app.defaults().writeCount("FileName"), 2);
    EXPECT_EQ(app.defaults().objectForKey("FrameRate"), DefaultsValue(int32_t(9)));
    EXPECT_EQ(app.defaults().objectForKey("Codec"), DefaultsValue(int32_t(1)));
    EXPECT_EQ(app.defaults().objectForKey("SourceID"), DefaultsValue(std::string("A0")));
    EXPECT_EQ(app.defaults().objectForKey("FileName"), DefaultsValue(std::string("shot_.mov")));
    EXPECT_EQ(app.controller.defaultFrameRate(), 9);
    EXPECT_EQ(app.controller.defaultSourceID(), "A0");

    // The check box: a click turns it off (false stored), another on; a mixed state counts as off.
    app.ui.fileExtensionButton().performClick();
    EXPECT_FALSE(app.controller.defaultQTFileExtension());
    EXPECT_EQ(app.defaults().objectForKey("DefaultFileExt"), DefaultsValue(false));
    app.ui.fileExtensionButton().performClick();
    EXPECT_TRUE(app.controller.defaultQTFileExtension());
    EXPECT_EQ(app.defaults().objectForKey("DefaultFileExt"), DefaultsValue(true));
    app.ui.fileExtensionButton().setState(fw::ControlState::Mixed);
    app.controller.defaultQTFileExtensionButton(app.ui.fileExtensionButton());
    EXPECT_FALSE(app.controller.defaultQTFileExtension());
    EXPECT_EQ(app.defaults().writeCount("DefaultFileExt"), 3);
    // The large frames check box: off at first, a click allows them (true stored at once).
    app.ui.allowLargeFramesButton().performClick();
    EXPECT_TRUE(app.controller.defaultAllowLargeFrames());
    EXPECT_EQ(app.defaults().objectForKey("AllowLargeFrames"), DefaultsValue(true));

    // Choosing the item already selected writes again.
    ASSERT_TRUE(app.fileNamePopup().userSelectItemAtIndex(1));
    ASSERT_TRUE(app.fileNamePopup().userSelectItemAtIndex(1));
    EXPECT_EQ(app.defaults().writeCount("DefaultFileNameType"), 2);
}

TEST(MyAppController, ValuesCarryOverToTheNextLaunch) {
    fw::HeadlessFramework framework;
    {
        MyAppController controller(framework);
        MainInterface ui(framework, controller);
        framework.finishLaunching();
        controller.setDefaultFrameRate(7);
        controller.setDefaultSourceID("REEL_02");
        ui.sourceIDPopup().selectItemAtIndex(3);
        ui.sourceIDPopup().sendAction();
        framework.terminate();
    }
    EXPECT_EQ(framework.delegate(), nullptr);
    EXPECT_EQ(framework.sharedDocumentController(), nullptr);

    MyAppController controller(framework);
    MainInterface ui(framework, controller);
    framework.finishLaunching();
    EXPECT_EQ(controller.defaultFrameRate(), 7);
    EXPECT_EQ(controller.defaultSourceID(), "REEL_02");
    EXPECT_EQ(controller.defaultSourceIDType(), 3);
    EXPECT_EQ(ui.sourceIDPopup().selectedTag(), 3);
}

TEST(MyAppController, TerminationWritesTheDefaultsToStorage) {
    App app;
    app.framework.finishLaunching();
    app.controller.setDefaultSourceID("A001");
    EXPECT_EQ(app.defaults().synchronizeCount(), 0);
    app.framework.terminate();
    EXPECT_EQ(app.defaults().synchronizeCount(), 1);
    // The source ID stays readable for whatever runs after the delegate (closing documents).
    EXPECT_EQ(app.controller.defaultSourceID(), "A001");
    EXPECT_EQ(app.defaults().stringForKey("SourceID"), std::optional<std::string>("A001"));
}

TEST(MyAppController, HelpResourceMissingLeavesTheHelpViewEmpty) {
    testsupport::TempDir empty;
    App withoutHelp({}, empty.path().string());
    withoutHelp.framework.finishLaunching();
    EXPECT_EQ(withoutHelp.ui.helpText().string(), "");

    App withoutResources({}, "");
    withoutResources.framework.finishLaunching();
    EXPECT_EQ(withoutResources.ui.helpText().string(), "");

    // A directory of that name is no resource either; a file found is loaded.
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir.path() / "ReelmakerHelp.rtf");
    App withFolder({}, dir.path().string());
    withFolder.framework.finishLaunching();
    EXPECT_EQ(withFolder.ui.helpText().string(), "");

    testsupport::TempDir own;
    const std::string rtf = R"({\rtf1 Our help\par second line})";
    testsupport::writeFile(own.file("ReelmakerHelp.rtf"), std::vector<uint8_t>(rtf.begin(), rtf.end()));
    App withHelp({}, own.path().string());
    withHelp.framework.finishLaunching();
    EXPECT_EQ(withHelp.ui.helpText().string(), "Our help\nsecond line");
}

TEST(MyAppController, StartUpOrderAndTheVideoOutputController) {
    std::vector<std::string> steps;
    FakeVideoOut* made = nullptr;
    MyAppController* controllerSeen = nullptr;
    fw::TextView* help = nullptr;
    StartupServices services;
    services.enterMovies = [&] {
        steps.push_back("EnterMovies help=" + help->string().substr(0, 14));
        return OSErr(-1); // ignored
    };
    services.makeVideoOut = [&](OSType type, OSType subType, OSType manufacturer) {
        steps.push_back("VideoOut " + FourCCString(type) + "/" + FourCCString(subType) + "/" +
                        FourCCString(manufacturer) + " help=" + help->string().substr(0, 14) +
                        " rate=" + std::to_string(controllerSeen->defaultFrameRate()));
        auto videoOut = std::make_unique<FakeVideoOut>();
        made = videoOut.get();
        return videoOut;
    };
    App app(services);
    help = &app.ui.helpText();
    controllerSeen = &app.controller;
    app.defaults().setInteger(6, "FrameRate");
    app.framework.finishLaunching();

    // The toolbox comes first, then the help text, the defaults, and the output controller.
    EXPECT_EQ(steps, (std::vector<std::string>{"EnterMovies help=",
                                               "VideoOut vout/TavX/QexV help=Reelmaker Help rate=6"}));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(app.controller.videoOut(), made);
    // The controller rebuilds the two submenus when they open.
    fw::Menu* videoOutMenu = submenu(app.framework, "VideoOut");
    fw::Menu* displayMenu = submenu(app.framework, "Display");
    ASSERT_TRUE(videoOutMenu && displayMenu);
    EXPECT_EQ(videoOutMenu->delegate(), made);
    EXPECT_EQ(displayMenu->delegate(), made);
    displayMenu->menuWillOpen();
    videoOutMenu->menuWillOpen();
    EXPECT_EQ(made->menusUpdated, (std::vector<std::string>{"Display", "VideoOut"}));
}

TEST(MyAppController, WithoutAVideoOutputControllerTheMenusKeepNoDelegate) {
    StartupServices none;
    none.makeVideoOut = [](OSType, OSType, OSType) { return std::unique_ptr<VideoOutController>(); };
    App app(none);
    app.framework.finishLaunching();
    EXPECT_EQ(app.controller.videoOut(), nullptr);
    EXPECT_EQ(submenu(app.framework, "VideoOut")->delegate(), nullptr);
    EXPECT_EQ(submenu(app.framework, "Display")->delegate(), nullptr);

    // A main menu without the two items is no obstacle.
    fw::HeadlessFramework bare;
    StartupServices services;
    services.makeVideoOut = [](OSType, OSType, OSType) { return std::make_unique<FakeVideoOut>(); };
    MyAppController controller(bare, services);
    bare.finishLaunching();
    EXPECT_NE(controller.videoOut(), nullptr);
    EXPECT_EQ(bare.mainMenu().numberOfItems(), 0);
}

TEST(MyAppController, GoingAwayLeavesNoDelegateBehind) {
    fw::HeadlessFramework framework;
    StartupServices services;
    services.makeVideoOut = [](OSType, OSType, OSType) { return std::make_unique<FakeVideoOut>(); };
    {
        MyAppController controller(framework, services);
        MainInterface ui(framework, controller);
        framework.finishLaunching();
        EXPECT_NE(submenu(framework, "VideoOut")->delegate(), nullptr);
    }
    EXPECT_EQ(submenu(framework, "VideoOut")->delegate(), nullptr);
    EXPECT_EQ(submenu(framework, "Display")->delegate(), nullptr);
    submenu(framework, "Display")->menuWillOpen(); // nothing left to call
    EXPECT_EQ(framework.delegate(), nullptr);
    EXPECT_EQ(MyAppController::shared(framework), nullptr);
}
