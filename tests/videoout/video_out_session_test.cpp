#include "video_out_fixtures.h"

#include "platform/component/video_out_timecode.h"
#include "platform/framework/headless/headless_menu.h"
#include "platform/log.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace videoouttest;

namespace {

constexpr Fixed k24 = 0x00180000;
constexpr Fixed k25 = 0x00190000;

std::vector<OutputModeDescription> smallModes() {
    return {mode("Small 64 x 48 24", 64, 48, k24, {FourCC("v210")}),
            mode("Small 64 x 48 25", 64, 48, k25, {FourCC("v210")}),
            mode("Wide 96 x 32 24", 96, 32, k24, {FourCC("v210")})};
}

struct SmallBench {
    explicit SmallBench(std::vector<UnsignedFixed> rates = {SoftwareSoundOutput::kRate48000})
        : bench(std::make_shared<ScriptedDevice>(smallModes()), std::move(rates)),
          device(static_cast<ScriptedDevice&>(*bench.device)), videoOut(bench.makeController()) {}
    int count(const std::string& call) const {
        return int(std::count(device.calls.begin(), device.calls.end(), call));
    }

    OutputBench bench;
    ScriptedDevice& device;
    std::shared_ptr<MyVideoOut> videoOut;
};

Ptr data(std::vector<uint8_t>& bytes) {
    return reinterpret_cast<Ptr>(bytes.data());
}

// The surface shows the frame's components shifted right by 2 in its top-left width × height
// pixels, and black elsewhere.
void expectShows(const GWorld& surface, int width, int height, uint32_t seed) {
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x) {
            GWorld::RGB expected;
            if (x < width && y < height)
                expected = {uint8_t(frameComponent(x, y, 0, seed) >> 2),
                            uint8_t(frameComponent(x, y, 1, seed) >> 2),
                            uint8_t(frameComponent(x, y, 2, seed) >> 2)};
            ASSERT_EQ(surface.pixel(x, y), expected) << x << "," << y;
        }
}

} // namespace

TEST(VideoOutSession, FirstFrameStartsInTheChosenModeAndIsDrawnAtTheOrigin) {
    SmallBench s;
    s.device.calls.clear();
    HandleOwner desc = makeDescription(40, 30);
    std::vector<uint8_t> frame = makeFrame(40, 30, 1);
    LogCapture log;
    // 40 × 30 fits no mode: mode 1; a rate of 25 at 64 × 48 would choose mode 2.
    EXPECT_EQ(s.videoOut->StartVideoOutForFrame(data(frame), desc.get(), 0, k24, 0), noErr);
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(s.videoOut->displayMode(), 1);
    EXPECT_TRUE(s.videoOut->videoOutputInUse());
    EXPECT_TRUE(s.device.claimed());
    EXPECT_EQ(s.device.calls, (std::vector<std::string>{"setClientName TavoTV (6)", "setDisplayMode 1",
                                                        "begin", "getIndSoundOutput 1", "getGWorld"}));
    EXPECT_EQ(s.device.clientName(), "TavoTV");
    ASSERT_EQ(s.videoOut->outputSurface(), s.device.surface());
    EXPECT_EQ(s.device.surface()->drawCount(), 1u);
    expectShows(*s.device.surface(), 40, 30, 1);

    // While the session runs, later frames are only drawn: no mode choice, no start.
    s.device.calls.clear();
    std::vector<uint8_t> next = makeFrame(40, 30, 2);
    EXPECT_EQ(s.videoOut->StartVideoOutForFrame(data(next), desc.get(), FourCC("R10k"), k25, 3), noErr);
    EXPECT_TRUE(s.device.calls.empty());
    EXPECT_EQ(s.videoOut->displayMode(), 1);
    expectShows(*s.device.surface(), 40, 30, 2);
}

TEST(VideoOutSession, GivenModeAndChosenMode) {
    SmallBench s;
    HandleOwner desc = makeDescription(64, 48);
    EXPECT_EQ(s.videoOut->StartVideoOutForFrame(nullptr, desc.get(), 0, k25, 0), noErr);
    EXPECT_EQ(s.videoOut->displayMode(), 2); // chosen for 64 × 48 at 25
    EXPECT_EQ(s.device.displayMode(), 2);
    s.videoOut->StopVideoOut();
    EXPECT_EQ(s.videoOut->StartVideoOutForFrame(nullptr, desc.get(), 0, k25, 3), noErr);
    EXPECT_EQ(s.videoOut->displayMode(), 3); // given
    EXPECT_EQ(s.device.surface()->width(), 96);
    // A null frame starts the session and shows nothing.
    EXPECT_EQ(s.device.surface()->drawCount(), 0u);
    // A format of 0 takes the description's; another format is used as given.
    HandleOwner jpeg = makeDescription(64, 48, FourCC("jpeg"));
    EXPECT_EQ(s.videoOut->ChooseBestDisplayModeForImageDescription(jpeg.get(), 0, k25),
              1); // no mode takes 2vuy
    EXPECT_EQ(s.videoOut->ChooseBestDisplayModeForImageDescription(jpeg.get(), FourCC("R10k"), k25), 2);
    EXPECT_EQ(s.videoOut->ChooseBestDisplayModeForImageDescription(desc.get(), 0, k25), 2);
    EXPECT_EQ(s.videoOut->ChooseBestDisplayModeForImageDescription(nullptr, 0, k25), 1);
}

TEST(VideoOutSession, SoftwareDeviceModeForHDFrames) {
    OutputBench bench;
    auto videoOut = bench.makeController();
    HandleOwner desc = makeDescription(1920, 1080);
    EXPECT_EQ(videoOut->ChooseBestDisplayModeForImageDescription(desc.get(), 0, 0x00180000), 8);
    HandleOwner pal = makeDescription(720, 576, FourCC("dvcp"));
    EXPECT_EQ(videoOut->ChooseBestDisplayModeForImageDescription(pal.get(), 0, 0x00190000), 3);
    EXPECT_STREQ(videoOut->displayModes()[2].name, "PAL 720 x 576 25 16:9");
}

TEST(VideoOutSession, OffDoesNothingAndAClosedDeviceGives3000) {
    SmallBench s;
    fw::HeadlessMenu menu("VideoOut");
    s.videoOut->populateMenuWithVideoOutNames(menu);
    menu.itemWithTag(0)->sendAction(); // "Off"
    EXPECT_FALSE(s.videoOut->enabled());
    s.device.calls.clear();
    HandleOwner desc = makeDescription(40, 30);
    std::vector<uint8_t> frame = makeFrame(40, 30);
    EXPECT_EQ(s.videoOut->StartVideoOutForFrame(data(frame), desc.get(), 0, k24, 0), noErr);
    EXPECT_TRUE(s.device.calls.empty());
    EXPECT_FALSE(s.videoOut->videoOutputInUse());
    s.videoOut->close();
    EXPECT_EQ(s.videoOut->StartVideoOutForFrame(data(frame), desc.get(), 0, k24, 0), -3000);
}

TEST(VideoOutSession, StopEndsTheSessionAndClearsTheTimecode) {
    SmallBench s;
    HandleOwner desc = makeDescription(40, 30);
    std::vector<uint8_t> frame = makeFrame(40, 30);
    ASSERT_EQ(s.videoOut->StartVideoOutForFrame(data(frame), desc.get(), 0, k24, 0), noErr);
    s.device.calls.clear();
    s.videoOut->StopVideoOut();
    EXPECT_EQ(s.device.calls,
              (std::vector<std::string>{"dispatch 257 size 8 null self", "setEchoPort null", "end"}));
    EXPECT_FALSE(s.videoOut->videoOutputInUse());
    EXPECT_FALSE(s.device.claimed());
    EXPECT_EQ(s.videoOut->outputSurface(), nullptr);
    EXPECT_FALSE(s.device.hasTimeCode());
    // The surface keeps the last picture for a front end.
    expectShows(*s.device.surface(), 40, 30, 0);

    // Idle: nothing reaches the device.
    s.device.calls.clear();
    s.videoOut->StopVideoOut();
    EXPECT_TRUE(s.device.calls.empty());

    // Without the private call, the timecode is left alone.
    s.device.hasTimeCodeSelector = false;
    ASSERT_EQ(s.videoOut->StartVideoOutForFrame(nullptr, desc.get(), 0, k24, 0), noErr);
    s.device.calls.clear();
    s.videoOut->StopVideoOut();
    EXPECT_EQ(s.device.calls, (std::vector<std::string>{"setEchoPort null", "end"}));
}

TEST(VideoOutSession, VideoOutSetTimeCodeReachesTheDevice) {
    SmallBench s;
    static_assert(kVideoOutSetTimeCodeSelect == kSoftwareOutputSetTimeCodeSelect);
    ASSERT_FALSE(s.device.opened.empty());
    ComponentInstance ci = s.device.opened.back();
    int definition = 0, record = 0;
    EXPECT_EQ(VideoOutSetTimeCode(ci, &definition, &record), noErr);
    EXPECT_TRUE(s.device.hasTimeCode());
    EXPECT_EQ(VideoOutSetTimeCode(ci, nullptr, nullptr), noErr);
    EXPECT_FALSE(s.device.hasTimeCode());
    EXPECT_EQ(VideoOutSetTimeCode(nullptr, nullptr, nullptr), OSErr(badComponentInstance));
}

TEST(VideoOutSession, AfterAStopTheNextFrameOpensAFreshSequence) {
    SmallBench s;
    HandleOwner big = makeDescription(40, 30);
    HandleOwner small = makeDescription(20, 10);
    std::vector<uint8_t> bigFrame = makeFrame(40, 30, 3);
    std::vector<uint8_t> smallFrame = makeFrame(20, 10, 4);
    ASSERT_EQ(s.videoOut->StartVideoOutForFrame(data(bigFrame), big.get(), 0, k24, 0), noErr);

    // The session's sequence keeps the description it was opened with: a smaller frame is short.
    LogCapture log;
    EXPECT_EQ(s.videoOut->SetVideoOutputFrame(data(smallFrame), small.get()), -8969);
    EXPECT_EQ(log.messages(),
              (std::vector<std::string>{"Error -8969 returned from DecompressSequenceFrameS()\n",
                                        "Error -8969 returned from decompressOneFrame()\n"}));
    EXPECT_TRUE(s.videoOut->videoOutputInUse()); // a failed frame leaves the session up
    expectShows(*s.device.surface(), 40, 30, 3);

    s.videoOut->StopVideoOut();
    log.clear();
    ASSERT_EQ(s.videoOut->StartVideoOutForFrame(data(smallFrame), small.get(), 0, k24, 1), noErr);
    EXPECT_TRUE(log.messages().empty());
    expectShows(*s.device.surface(), 20, 10, 4);
}

TEST(VideoOutSession, FrameErrors) {
    SmallBench s;
    HandleOwner desc = makeDescription(40, 30);
    std::vector<uint8_t> frame = makeFrame(40, 30);
    LogCapture log;
    EXPECT_EQ(s.videoOut->SetVideoOutputFrame(data(frame), desc.get()), -1);
    EXPECT_EQ(
        log.messages(),
        std::vector<std::string>{"Error: trying to call SetVideoOutFrame() when VideoOut is not running!\n"});

    ASSERT_EQ(s.videoOut->StartVideoOutForFrame(nullptr, desc.get(), 0, k24, 0), noErr);
    HandleOwner empty(NewHandle(0));
    HandleOwner truncated(NewHandleClear(40)); // too short to hold the size fields
    for (Handle bad : {Handle(nullptr), empty.get(), truncated.get()}) {
        log.clear();
        EXPECT_EQ(s.videoOut->SetVideoOutputFrame(data(frame), bad), -2);
        EXPECT_EQ(log.messages(),
                  std::vector<std::string>{"Error: invalid ImageDescriptionHandle in SetVideoOutFrame()\n"});
    }

    // A codec the decompressor does not know: the sequence is not opened, the frame step reports too.
    HandleOwner jpeg = makeDescription(40, 30, FourCC("jpeg"));
    log.clear();
    OSErr status = s.videoOut->SetVideoOutputFrame(data(frame), jpeg.get());
    EXPECT_NE(status, noErr);
    std::vector<std::string> lines = log.messages();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Error -8961 returned from DecompressSequenceBeginS\n");
    EXPECT_EQ(lines[1], "Error " + std::to_string(status) + " returned from DecompressSequenceFrameS()\n");
    EXPECT_EQ(lines[2], "Error " + std::to_string(status) + " returned from decompressOneFrame()\n");
    EXPECT_TRUE(s.videoOut->videoOutputInUse());

    // The next frame tries the sequence again.
    log.clear();
    EXPECT_EQ(s.videoOut->SetVideoOutputFrame(data(frame), desc.get()), noErr);
    EXPECT_TRUE(log.messages().empty());
}

TEST(VideoOutSession, SoundRateIsTheLastOfferedUpToTheFirstZero) {
    constexpr UnsignedFixed k32000 = 32000u << 16, k44100 = 44100u << 16, k48000 = 48000u << 16;
    struct Case {
        std::vector<UnsignedFixed> offered;
        UnsignedFixed expected;
    };
    const Case cases[] = {
        {{k32000, k44100, k48000}, k48000}, {{k44100}, k44100}, {{}, 0},
        {{k48000, 0, k44100}, 0},           {{0, k48000}, 0},
    };
    for (const Case& c : cases) {
        SmallBench s(c.offered);
        HandleOwner desc = makeDescription(40, 30);
        EXPECT_EQ(s.videoOut->StartVideoOutForFrame(nullptr, desc.get(), 0, k24, 0), noErr);
        EXPECT_EQ(s.bench.sound->rateRequests(), 1);
        EXPECT_EQ(s.bench.sound->lastRateRequested(), c.expected);
        EXPECT_TRUE(s.videoOut->videoOutputInUse());
    }
}

TEST(VideoOutSession, WithoutASoundOutputNoRateIsSet) {
    SmallBench noSelector;
    noSelector.device.hasSoundSelector = false;
    HandleOwner desc = makeDescription(40, 30);
    EXPECT_EQ(noSelector.videoOut->StartVideoOutForFrame(nullptr, desc.get(), 0, k24, 0), noErr);
    EXPECT_EQ(noSelector.count("getIndSoundOutput 1"), 0);
    EXPECT_EQ(noSelector.bench.sound->rateRequests(), 0);

    SmallBench noOutput;
    noOutput.device.setSoundOutput(nullptr);
    EXPECT_EQ(noOutput.videoOut->StartVideoOutForFrame(nullptr, desc.get(), 0, k24, 0), noErr);
    EXPECT_EQ(noOutput.bench.sound->rateRequests(), 0);
    EXPECT_TRUE(noOutput.videoOut->videoOutputInUse());
}

TEST(VideoOutSession, BeginRefusedWhileAnotherClientHoldsTheDevice) {
    SmallBench s;
    ComponentInstance other = nullptr;
    ASSERT_EQ(OpenAComponent(s.bench.videoComponent, &other), noErr);
    ASSERT_EQ(QTVideoOutputBegin(other), noErr);
    HandleOwner desc = makeDescription(40, 30);
    LogCapture log;
    EXPECT_EQ(s.videoOut->StartVideoOutForFrame(nullptr, desc.get(), 0, k24, 0), videoOutputInUseErr);
    EXPECT_EQ(log.messages(), std::vector<std::string>{"QTVideoOutputBegin() returned error -2090\n"});
    EXPECT_FALSE(s.videoOut->videoOutputInUse());
    EXPECT_TRUE(s.videoOut->isOpen()); // no session, so the instance stays open for the next try
    QTVideoOutputEnd(other);
    CloseComponent(other);
    EXPECT_EQ(s.videoOut->StartVideoOutForFrame(nullptr, desc.get(), 0, k24, 0), noErr);
}

TEST(VideoOutSession, FailureAfterTheDeviceWasClaimedClosesTheInstance) {
    enum Failure { availableRates, setRate, surface };
    for (Failure failure : {availableRates, setRate, surface}) {
        SCOPED_TRACE(int(failure));
        SmallBench s;
        OSErr expected = -1;
        if (failure == availableRates) {
            expected = siUnknownInfoType;
            s.bench.sound->failAvailableRates(expected);
        } else if (failure == setRate) {
            expected = siInvalidSampleRate;
            s.bench.sound->failSetRate(expected);
        } else {
            expected = memFullErr;
            s.device.gWorldStatus = expected;
        }
        HandleOwner desc = makeDescription(40, 30);
        std::vector<uint8_t> frame = makeFrame(40, 30);
        LogCapture log;
        s.device.calls.clear();
        EXPECT_EQ(s.videoOut->StartVideoOutForFrame(data(frame), desc.get(), 0, k24, 0), expected);
        EXPECT_TRUE(log.messages().empty());
        EXPECT_FALSE(s.videoOut->isOpen());
        EXPECT_FALSE(s.videoOut->videoOutputInUse());
        EXPECT_EQ(s.videoOut->outputSurface(), nullptr);
        EXPECT_FALSE(s.device.claimed());
        EXPECT_EQ(s.count("end"), 1);
        EXPECT_EQ(s.bench.registry.openInstanceCount(s.bench.videoComponent), 0);
        EXPECT_EQ(s.device.surface()->drawCount(), 0u); // the frame was not sent

        // Every later start finds no device, the menus' restarts included.
        s.device.calls.clear();
        EXPECT_EQ(s.videoOut->StartVideoOutForFrame(data(frame), desc.get(), 0, k24, 0), -3000);
        EXPECT_EQ(s.videoOut->StartVideoOut(), -3000);
        fw::HeadlessMenu display("Display");
        s.videoOut->populateMenuWithDisplayModes(display);
        display.itemWithTag(2)->sendAction();
        EXPECT_EQ(s.videoOut->StartVideoOutForFrame(data(frame), desc.get(), 0, k24, 0), -3000);
        EXPECT_TRUE(s.device.calls.empty());
        EXPECT_TRUE(log.messages().empty());
    }
}
