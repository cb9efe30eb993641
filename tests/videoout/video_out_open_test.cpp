#include "video_out_fixtures.h"

#include "platform/framework/headless/headless_menu.h"
#include "platform/log.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace videoouttest;
using namespace std::string_literals;

namespace {

std::vector<std::string> titles(const fw::HeadlessMenu& menu) {
    return menu.itemTitles();
}

// The state of a controller that opened no device: disabled, "Off" only, checked and disabled,
// and an empty "Display" menu.
void expectNoDevice(MyVideoOut& videoOut) {
    EXPECT_FALSE(videoOut.enabled());
    EXPECT_EQ(videoOut.numVideoOutDevices(), 0);
    EXPECT_EQ(videoOut.numDisplayModes(), 0);
    fw::HeadlessMenu videoOutMenu("VideoOut"), displayMenu("Display");
    videoOutMenu.setDelegate(&videoOut);
    displayMenu.setDelegate(&videoOut);
    videoOutMenu.menuWillOpen();
    displayMenu.menuWillOpen();
    ASSERT_EQ(titles(videoOutMenu), std::vector<std::string>{"Off"});
    EXPECT_EQ(videoOutMenu.itemAtIndex(0)->state(), fw::ControlState::On);
    EXPECT_FALSE(videoOutMenu.itemAtIndex(0)->isEnabled());
    EXPECT_EQ(displayMenu.numberOfItems(), 0);
}

std::shared_ptr<ScriptedDevice> scripted() {
    return std::make_shared<ScriptedDevice>();
}

} // namespace

TEST(VideoOutOpen, OpensTheDeviceAndReadsItsModes) {
    OutputBench bench;
    LogCapture log;
    OSErr status = -1;
    auto videoOut = bench.makeController(&status);
    ASSERT_TRUE(videoOut);
    EXPECT_EQ(status, noErr);
    EXPECT_TRUE(log.messages().empty());
    EXPECT_TRUE(videoOut->enabled());
    EXPECT_TRUE(videoOut->isOpen());
    EXPECT_EQ(videoOut->numVideoOutDevices(), 1);
    EXPECT_EQ(videoOut->videoOutSelect(), 1);
    EXPECT_EQ(videoOut->displayMode(), 0);
    EXPECT_FALSE(videoOut->videoOutputInUse());
    EXPECT_EQ(videoOut->componentName(), "Bench Output");
    ASSERT_EQ(videoOut->numDisplayModes(), 15);
    EXPECT_STREQ(videoOut->displayModes()[7].name, "1080p 1920 x 1080 24");
    EXPECT_EQ(bench.registry.openInstanceCount(bench.videoComponent), 1);

    // Going away closes the instance.
    videoOut.reset();
    EXPECT_EQ(bench.registry.openInstanceCount(bench.videoComponent), 0);
}

TEST(VideoOutOpen, NoComponentLogsTheCodesAndGives2005) {
    ComponentRegistry registry;
    // A device of another maker does not match.
    registry.registerComponent({FourCC("vout"), FourCC("TavX"), FourCC("Othr"), 0, 0}, "other",
                               std::make_shared<SoftwareOutputDevice>());
    LogCapture log;
    OSErr status = 0;
    auto videoOut = MyVideoOut::initWithComponentType(kVout, kTavX, kQexV, &status);
    ASSERT_TRUE(videoOut);
    EXPECT_EQ(status, -2005);
    EXPECT_EQ(log.messages(), std::vector<std::string>{
                                  "Error: could not find QuickTime VideoOut component vout/TavX/QexV\n"});
    EXPECT_FALSE(videoOut->isOpen());
    expectNoDevice(*videoOut);
    // Frames find no device, even though the controller is disabled.
    HandleOwner desc = makeDescription(64, 48);
    EXPECT_EQ(videoOut->StartVideoOutForFrame(nullptr, desc.get(), 0, 0, 0), -3000);
}

TEST(VideoOutOpen, SmallCodesPrintAsTwoSpacesAndTwoDigits) {
    ComponentRegistry registry;
    LogCapture log;
    MyVideoOut::initWithComponentType(kVout, 7, 63);
    MyVideoOut::initWithComponentType(0, 64, FourCC("QexV"));
    EXPECT_EQ(log.messages(),
              (std::vector<std::string>{
                  "Error: could not find QuickTime VideoOut component vout/  07/  63\n",
                  "Error: could not find QuickTime VideoOut component   00/\0\0\0@/QexV\n"s}));
}

TEST(VideoOutOpen, OpenFailureGivesThePlatformStatus) {
    OutputBench bench(scripted());
    auto& device = static_cast<ScriptedDevice&>(*bench.device);
    device.openStatus = -1234;
    LogCapture log;
    OSErr status = 0;
    auto videoOut = bench.makeController(&status);
    EXPECT_EQ(status, -1234);
    EXPECT_EQ(log.messages(), std::vector<std::string>{
                                  "Error: could not open instance of VideoOut component vout/TavX/QexV\n"});
    EXPECT_FALSE(videoOut->isOpen());
    expectNoDevice(*videoOut);

    // Success without an instance is logged alike and fails too.
    device.openStatus = noErr;
    device.openWithoutInstance = true;
    log.clear();
    videoOut = bench.makeController(&status);
    EXPECT_NE(status, noErr);
    EXPECT_EQ(log.count("Error: could not open instance of VideoOut component vout/TavX/QexV\n"), 1);
    EXPECT_FALSE(videoOut->isOpen());
    expectNoDevice(*videoOut);
}

TEST(VideoOutOpen, NoModeListLeavesTheInstanceOpen) {
    OutputBench bench(scripted());
    auto& device = static_cast<ScriptedDevice&>(*bench.device);
    device.listStatus = -2;
    LogCapture log;
    OSErr status = 0;
    auto videoOut = bench.makeController(&status);
    EXPECT_EQ(status, -2);
    EXPECT_EQ(log.messages(), std::vector<std::string>{"Error: could not get Display Mode List from VideoOut "
                                                       "component vout/TavX/QexV\n"});
    EXPECT_TRUE(videoOut->isOpen());
    expectNoDevice(*videoOut);
    // Disabled with an open instance: frames are accepted and nothing is started.
    HandleOwner desc = makeDescription(64, 48);
    EXPECT_EQ(videoOut->StartVideoOutForFrame(nullptr, desc.get(), 0, 0, 0), noErr);
    EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), "begin"), 0);
    videoOut->close();
    EXPECT_FALSE(videoOut->isOpen());
    EXPECT_EQ(bench.registry.openInstanceCount(bench.videoComponent), 0);

    device.listStatus = noErr;
    device.noList = true;
    log.clear();
    videoOut = bench.makeController(&status);
    EXPECT_NE(status, noErr);
    EXPECT_EQ(log.count("Error: could not get Display Mode List from VideoOut component vout/TavX/QexV\n"),
              1);
    EXPECT_TRUE(videoOut->isOpen());
    expectNoDevice(*videoOut);
}

TEST(VideoOutOpen, ListWithoutModesLogsTheCount) {
    OutputBench bench(std::make_shared<SoftwareOutputDevice>(std::vector<OutputModeDescription>{}));
    LogCapture log;
    OSErr status = 0;
    auto videoOut = bench.makeController(&status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"Error: VideoOut component vout/TavX/QexV has only 0 modes\n"});
    EXPECT_TRUE(videoOut->isOpen());
    expectNoDevice(*videoOut);
}

TEST(VideoOutOpen, NoMemoryForTheRecords) {
    OutputBench bench;
    LogCapture log;
    OSErr status = 0;
    std::shared_ptr<MyVideoOut> videoOut;
    {
        MemoryExhaustion exhausted(MemoryExhaustion::pointers);
        videoOut = bench.makeController(&status);
    }
    EXPECT_EQ(status, -108);
    EXPECT_TRUE(log.messages().empty());
    EXPECT_TRUE(videoOut->isOpen());
    expectNoDevice(*videoOut);
}

TEST(VideoOutOpen, ListsBeyond255ModesOfferTheFirst255) {
    std::vector<OutputModeDescription> modes;
    for (int i = 1; i <= 300; ++i)
        modes.push_back(mode("mode " + std::to_string(i), 64 + i, 48, 0x00180000, {FourCC("v210")}));
    OutputBench bench(std::make_shared<SoftwareOutputDevice>(modes));
    auto videoOut = bench.makeController();
    ASSERT_EQ(videoOut->numDisplayModes(), 255);
    EXPECT_STREQ(videoOut->displayModes()[254].name, "mode 255");
    fw::HeadlessMenu display("Display");
    videoOut->menuNeedsUpdate(display);
    EXPECT_EQ(display.numberOfItems(), 255);
}
