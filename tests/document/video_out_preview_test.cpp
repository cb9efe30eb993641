// The document's preview on the video output: the window notifications, the remembered mode, the
// frames sent while browsing and the failures, on the application's software output device.
#include "document_fixtures.h"

#include "app/device_video_out.h"
#include "document/video_image_description.h"
#include "platform/bigendian.h"
#include "platform/log.h"

#include <gtest/gtest.h>

using namespace testsupport;
using namespace docfixtures;

namespace {

// The application's own output controller, recording what the documents ask of it: "start M" when
// a call starts a session in mode M, "frame" when it only shows a frame in the running session,
// "stop" for StopVideoOut.
class RecordingVideoOut : public VideoOutController {
public:
    RecordingVideoOut(OSType type = QTVideoOutputComponentType, OSType subType = kSoftwareOutputSubType)
        : m_output(type, subType, kSoftwareOutputManufacturer) {}

    bool enabled() const override { return m_output.enabled(); }
    int32_t displayMode() const override { return m_output.displayMode(); }
    OSErr StartVideoOutForFrame(Ptr frame, Handle description, OSType format, Fixed fps,
                                int32_t mode) override {
        const bool running = videoOut().videoOutputInUse();
        OSErr status = m_output.StartVideoOutForFrame(frame, description, format, fps, mode);
        calls.push_back(running ? "frame" : "start " + std::to_string(videoOut().displayMode()));
        lastFormat = format;
        lastRate = fps;
        return status;
    }
    void StopVideoOut() override {
        calls.push_back("stop");
        m_output.StopVideoOut();
    }
    void menuNeedsUpdate(fw::Menu& menu) override { m_output.menuNeedsUpdate(menu); }

    MyVideoOut& videoOut() const { return m_output.videoOut(); }
    SoftwareOutputDevice& device() const { return m_output.device(); }

    std::vector<std::string> calls;
    OSType lastFormat = 0;
    Fixed lastRate = 0;

private:
    DeviceVideoOut m_output;
};

// A session whose output controller is a RecordingVideoOut (made on the given component codes).
struct PreviewBench {
    explicit PreviewBench(const fw::DefaultsDictionary& stored = {}, OSType subType = kSoftwareOutputSubType)
        : session(stored, services(subType)),
          output(dynamic_cast<RecordingVideoOut&>(*session.controller().videoOut())) {}

    static StartupServices services(OSType subType) {
        StartupServices s;
        s.makeVideoOut = [subType](OSType type, OSType, OSType) {
            return std::make_unique<RecordingVideoOut>(type, subType);
        };
        return s;
    }

    HeadlessSession session;
    RecordingVideoOut& output;
};

constexpr uint32_t kWidth = 720;
constexpr uint32_t kHeight = 486;

// The pixel of frame `frame` at (x, y): each frame of the sequence looks different.
uint32_t framePixel(int frame, uint32_t x, uint32_t y) {
    return rgb10Word((x + 7 * frame) % 1024, (y + 3 * frame) % 1024, (x * y + frame) % 1024);
}

// Frames 0, 1, 2, ... of `width` x `height` under these names.
void writeDistinctFrames(const TempDir& dir, const Names& names, uint32_t width = kWidth,
                         uint32_t height = kHeight) {
    for (size_t i = 0; i < names.size(); ++i) {
        FrameSpec fileSpec;
        fileSpec.width = width;
        fileSpec.height = height;
        fileSpec.filename = names[i];
        std::vector<uint32_t> pixels;
        pixels.reserve(size_t(width) * height);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                pixels.push_back(framePixel(int(i), x, y));
        fileSpec.pixels = std::move(pixels);
        writeFrameFile(dir.file(names[i]), fileSpec);
    }
}

// The surface shows frame `frame` at its origin: each component is the frame's 10-bit one >> 2.
void expectSurfaceShowsFrame(const SoftwareOutputDevice& device, int frame) {
    const GWorld* surface = device.surface();
    ASSERT_NE(surface, nullptr);
    for (uint32_t y : {0u, 1u, 100u, kHeight - 1}) {
        for (uint32_t x : {0u, 5u, 333u, kWidth - 1}) {
            const uint32_t word = framePixel(frame, x, y);
            const GWorld::RGB expected{uint8_t((word >> 24) & 0xFF), uint8_t((word >> 14) & 0xFF),
                                       uint8_t((word >> 4) & 0xFF)};
            ASSERT_EQ(surface->pixel(int(x), int(y)), expected)
                << "frame " << frame << " at " << x << "," << y;
        }
    }
}

int32_t chosenMode(const RecordingVideoOut& output, const DPXMovieFile& document) {
    return output.videoOut().ChooseBestDisplayModeForFormat(
        document.codecType(), uint32_t(document.frameWidth()), uint32_t(document.frameHeight()),
        document.frameRate());
}

// The user's pick in the "Display" menu.
void pickDisplayMode(HeadlessSession& session, int32_t mode) {
    fw::Menu& menu = *session.framework().mainMenu().itemWithTitle("Display")->submenu();
    menu.menuWillOpen();
    ASSERT_NE(menu.itemWithTag(mode), nullptr);
    menu.itemWithTag(mode)->sendAction();
}

using Calls = std::vector<std::string>;

} // namespace

TEST(VideoOutPreview, OpeningStartsInTheChosenModeAndBrowsingOnlySendsFrames) {
    TempDir dir;
    writeDistinctFrames(dir, shotNames(1, 3));
    // 29.97 (tag 4) and 'R10k': the NTSC mode fits these frames exactly.
    PreviewBench bench({{"FrameRate", int32_t(4)}, {"Codec", int32_t(0)}});
    std::shared_ptr<DPXMovieFile> document = bench.session.openDocument(dir.file("shot_0001.dpx"));
    ASSERT_EQ(document->currentFileCode(), 1);

    const int32_t mode = chosenMode(bench.output, *document);
    EXPECT_EQ(mode, 1);
    // The opening's frame starts the session; the window coming to the front sends it again.
    EXPECT_EQ(bench.output.calls, (Calls{"start 1", "frame"}));
    EXPECT_EQ(bench.output.lastFormat, FourCC("R10k"));
    EXPECT_EQ(bench.output.lastRate, Fixed(0x001DF851));
    EXPECT_TRUE(bench.output.device().claimed());
    EXPECT_EQ(bench.output.device().surface()->width(), 720);
    EXPECT_EQ(bench.output.device().surface()->height(), 486);
    expectSurfaceShowsFrame(bench.output.device(), 0);
    EXPECT_EQ(GetHandleSize(document->videoOutFrameBuffer()), Size(kWidth * kHeight * 4));

    // Browsing: each new frame goes into the running session, with no stop and no new start.
    bench.output.calls.clear();
    frameSlider(*document).userMoveTo(2);
    expectSurfaceShowsFrame(bench.output.device(), 2);
    document->gotoIn();
    expectSurfaceShowsFrame(bench.output.device(), 0);
    frameSlider(*document).userMoveTo(1);
    expectSurfaceShowsFrame(bench.output.device(), 1);
    EXPECT_EQ(bench.output.calls, (Calls{"frame", "frame", "frame"}));
    EXPECT_EQ(document->lastVidOutDisplayMode(), 0);
}

TEST(VideoOutPreview, NotificationsAboutOtherWindowsLeaveTheOutputAlone) {
    TempDir dir;
    writeDistinctFrames(dir, shotNames(1, 2));
    PreviewBench bench;
    std::shared_ptr<DPXMovieFile> document = bench.session.openDocument(dir.file("shot_0001.dpx"));
    std::unique_ptr<fw::Window> panel = bench.session.framework().makeWindow("Preferences", {300, 200});
    bench.output.calls.clear();

    document->windowDidBecomeMain(*panel);
    document->windowDidResignMain(*panel);
    document->windowWillClose(*panel);
    EXPECT_TRUE(bench.output.calls.empty());
    EXPECT_TRUE(bench.output.videoOut().videoOutputInUse());
    EXPECT_NE(document->videoOutDescription(), nullptr);
    EXPECT_NE(document->videoOutFrameBuffer(), nullptr);
}

TEST(VideoOutPreview, LosingAndRegainingMainRestartsInThePickedMode) {
    TempDir dir;
    writeDistinctFrames(dir, shotNames(1, 2));
    TempDir other;
    writeDistinctFrames(other, shotNames(1, 1, "take_"), 1280, 720);
    PreviewBench bench;
    HeadlessSession& session = bench.session;
    std::shared_ptr<DPXMovieFile> first = session.openDocument(dir.file("shot_0001.dpx"));
    const int32_t chosen = chosenMode(bench.output, *first);
    const int32_t picked = chosen == 3 ? 2 : 3; // a PAL mode: 720 x 576
    pickDisplayMode(session, picked);
    EXPECT_EQ(bench.output.videoOut().displayMode(), picked);

    // A second document comes to the front: the first stops the output and remembers the mode it
    // had; the second starts in its own chosen mode (its frames: 1280 x 720).
    bench.output.calls.clear();
    std::shared_ptr<DPXMovieFile> second = session.openDocument(other.file("take_0001.dpx"));
    const int32_t secondMode = chosenMode(bench.output, *second);
    // The second document's opening frame goes into the session running at that moment.
    EXPECT_EQ(bench.output.calls, (Calls{"frame", "stop", "start " + std::to_string(secondMode)}));
    EXPECT_EQ(first->lastVidOutDisplayMode(), picked);
    EXPECT_EQ(bench.output.device().surface()->width(), 1280);

    // Back to the first: the picked mode again, with its current frame.
    bench.output.calls.clear();
    first->window()->makeKeyAndOrderFront();
    EXPECT_EQ(bench.output.calls, (Calls{"stop", "start " + std::to_string(picked)}));
    EXPECT_EQ(second->lastVidOutDisplayMode(), secondMode);
    EXPECT_EQ(bench.output.device().displayMode(), picked);
    EXPECT_EQ(bench.output.device().surface()->height(), 576);
    expectSurfaceShowsFrame(bench.output.device(), 0);

    // Losing main to a window that is no document's stops the output, and the mode is kept.
    std::unique_ptr<fw::Window> panel = session.framework().makeWindow("Preferences", {300, 200});
    bench.output.calls.clear();
    panel->makeKeyAndOrderFront();
    EXPECT_EQ(bench.output.calls, (Calls{"stop"}));
    EXPECT_FALSE(bench.output.device().claimed());
    panel->close();
    EXPECT_EQ(bench.output.calls, (Calls{"stop", "start " + std::to_string(picked)}));
}

TEST(VideoOutPreview, ClosingTheMainWindowStopsAndFreesWhileABackgroundCloseLeavesTheOutputAlone) {
    TempDir dir;
    writeDistinctFrames(dir, shotNames(1, 2));
    TempDir other;
    writeDistinctFrames(other, shotNames(1, 2, "take_"));
    PreviewBench bench;
    std::shared_ptr<DPXMovieFile> back = bench.session.openDocument(dir.file("shot_0001.dpx"));
    std::shared_ptr<DPXMovieFile> front = bench.session.openDocument(other.file("take_0002.dpx"));
    pickDisplayMode(bench.session, 2);
    // After the restart the device shows nothing until the next frame.
    frameSlider(*front).userMoveTo(0);

    // Closing a document behind the front one: its buffers go, the front one's output stays.
    bench.output.calls.clear();
    back->window()->performClose();
    EXPECT_EQ(back->videoOutDescription(), nullptr);
    EXPECT_EQ(back->videoOutFrameBuffer(), nullptr);
    EXPECT_TRUE(bench.output.calls.empty());
    EXPECT_TRUE(bench.output.videoOut().videoOutputInUse());
    EXPECT_EQ(bench.output.videoOut().displayMode(), 2);

    // Closing the front one stops the output and remembers its mode (and it stops again as the
    // window resigns main on its way out).
    front->window()->performClose();
    EXPECT_EQ(bench.output.calls, (Calls{"stop", "stop"}));
    EXPECT_EQ(front->lastVidOutDisplayMode(), 2);
    EXPECT_EQ(front->videoOutDescription(), nullptr);
    EXPECT_EQ(front->videoOutFrameBuffer(), nullptr);
    EXPECT_FALSE(bench.output.device().claimed());
    // The device keeps the last picture after the end.
    expectSurfaceShowsFrame(bench.output.device(), 0);
}

TEST(VideoOutPreview, FailuresAreLoggedAndNothingIsSent) {
    TempDir dir;
    writeDistinctFrames(dir, shotNames(1, 2));
    // A larger frame in the sequence: it opens, but doesn't fit the document's frame buffer.
    writeDistinctFrames(dir, {"shot_0003.dpx"}, kWidth, kHeight + 2);
    writeFile(dir.file("notes_0001.dpx"), std::vector<uint8_t>(4096, 'x'));
    {
        LogCapture log;
        PreviewBench bench;
        std::shared_ptr<DPXMovieFile> document = bench.session.openDocument(dir.file("shot_0001.dpx"));
        bench.output.calls.clear();
        frameSlider(*document).userMoveTo(2);
        EXPECT_EQ(log.count("readFrameToBuffer: returned error -1\n"), 1);
        EXPECT_TRUE(bench.output.calls.empty());
        expectSurfaceShowsFrame(bench.output.device(), 0);

        // A document whose opening failed has nothing to show, also when its window comes forward.
        std::shared_ptr<DPXMovieFile> failed = bench.session.openDocument(dir.file("notes_0001.dpx"));
        ASSERT_EQ(failed->currentFileCode(), 0);
        bench.output.calls.clear();
        failed->window()->makeKeyAndOrderFront();
        EXPECT_EQ(bench.output.calls, (Calls{"stop"}));
        EXPECT_EQ(failed->startVideoOut(), -1);
        EXPECT_EQ(failed->videoOutDescription(), nullptr);
        EXPECT_EQ(bench.output.calls, (Calls{"stop"}));
    }
    {
        // No memory for the description or the buffer: -108 without a line, nothing sent.
        PreviewBench bench;
        std::shared_ptr<DPXMovieFile> document = bench.session.openDocument(dir.file("shot_0001.dpx"));
        document->window()->close();
        bench.output.calls.clear();
        LogCapture log;
        {
            MemoryExhaustion exhausted(MemoryExhaustion::handles);
            EXPECT_EQ(document->startVideoOut(), -108);
        }
        EXPECT_TRUE(bench.output.calls.empty());
        EXPECT_TRUE(log.messages().empty());
    }
    {
        // No device: every frame shown logs the output's -3000.
        LogCapture log;
        PreviewBench bench({}, FourCC("none"));
        std::shared_ptr<DPXMovieFile> document = bench.session.openDocument(dir.file("shot_0001.dpx"));
        EXPECT_EQ(log.count("StartVideoOut returned error -3000\n"), 2);
        frameSlider(*document).userMoveTo(1);
        EXPECT_EQ(log.count("StartVideoOut returned error -3000\n"), 3);
        EXPECT_EQ(document->startVideoOut(), -3000);
    }
}

TEST(VideoOutPreview, TheFramesDescriptionDeclaresTheDocumentsCodecAndSize) {
    TempDir dir;
    writeDistinctFrames(dir, shotNames(1, 1), 64, 48);
    PreviewBench bench({{"Codec", int32_t(1)}});
    std::shared_ptr<DPXMovieFile> document = bench.session.openDocument(dir.file("shot_0001.dpx"));
    Handle desc = document->videoOutDescription();
    ASSERT_EQ(GetHandleSize(desc), Size(86));
    const auto* d = reinterpret_cast<const uint8_t*>(*desc);
    EXPECT_EQ(be::readU32(d, 0), 86u);
    EXPECT_EQ(be::readU32(d, 4), FourCC("R10g"));
    EXPECT_EQ(be::readU32(d, 20), FourCC("QexV"));
    EXPECT_EQ(be::readU32(d, 28), 0x400u);
    EXPECT_EQ(be::readU16(d + 32), 64);
    EXPECT_EQ(be::readU16(d + 34), 48);
    EXPECT_EQ(be::readU32(d, 36), 0x00480000u);
    EXPECT_EQ(be::readU32(d, 44), 64u * 48u * 4u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 51), d[50]), "QEX Tavo 10-bit RGB Codec");
    EXPECT_EQ(std::vector<uint8_t>(d + 76, d + 82), std::vector<uint8_t>(6, 0));
    EXPECT_EQ(be::readU16(d + 82), 24);
    EXPECT_EQ(be::readU16(d + 84), 0xFFFF);

    // A codec chosen later reaches the mode choice as the format; the description stays.
    codecPopup(*document).selectItemWithTag(0);
    codecPopup(*document).sendAction();
    EXPECT_EQ(document->startVideoOut(), 0);
    EXPECT_EQ(bench.output.lastFormat, FourCC("R10k"));
    EXPECT_EQ(document->videoOutDescription(), desc);
}
