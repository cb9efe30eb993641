#include "platform/bigendian.h"
#include "platform/component/software_output_device.h"
#include "platform/movie/decompress_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// One mode as the output controller reads it back from the list: the children with ID 1 through
// QTGetAtomDataPtr, the decompressor types by 'deco' index through QTCopyAtomDataToPtr.
struct ReadMode {
    int32_t width = 0, height = 0, hRes = 0, vRes = 0;
    Fixed refreshRate = 0;
    OSType pixelType = 0;
    std::string name;
    std::vector<OSType> decompressors;
};

std::vector<ReadMode> readModes(QTAtomContainer list) {
    std::vector<ReadMode> modes;
    for (QTAtom atom = QTNextChildAnyType(list, 0, 0); atom; atom = QTNextChildAnyType(list, 0, atom)) {
        QTAtomType type = 0;
        QTAtomID id = 0;
        EXPECT_EQ(QTGetAtomTypeAndID(list, atom, &type, &id), noErr);
        if (type != FourCC("qdmi"))
            continue;
        EXPECT_EQ(id, QTAtomID(modes.size() + 1));
        ReadMode m;
        auto data = [&](const char(&child)[5], long expectedSize) -> const uint8_t* {
            long size = 0;
            Ptr p = nullptr;
            QTAtom found = QTFindChildByID(list, atom, FourCC(child), 1, nullptr);
            if (QTGetAtomDataPtr(list, found, &size, &p) != noErr || (expectedSize && size != expectedSize))
                return nullptr;
            if (!expectedSize)
                m.name.assign(p, size_t(size));
            return reinterpret_cast<const uint8_t*>(p);
        };
        if (const uint8_t* p = data("dimn", 8)) {
            m.width = int32_t(be::readU32(p));
            m.height = int32_t(be::readU32(p + 4));
        }
        if (const uint8_t* p = data("resl", 8)) {
            m.hRes = int32_t(be::readU32(p));
            m.vRes = int32_t(be::readU32(p + 4));
        }
        if (const uint8_t* p = data("refr", 4))
            m.refreshRate = Fixed(be::readU32(p));
        if (const uint8_t* p = data("pixl", 4))
            m.pixelType = be::readU32(p);
        data("name", 0);
        int16_t decoCount = QTCountChildrenOfType(list, atom, FourCC("deco"));
        for (int16_t i = 1; i <= decoCount; ++i) {
            QTAtom deco = QTFindChildByIndex(list, atom, FourCC("deco"), i, nullptr);
            uint8_t bytes[4];
            QTAtom dety = QTFindChildByID(list, deco, FourCC("dety"), 1, nullptr);
            EXPECT_EQ(QTCopyAtomDataToPtr(list, dety, false, 4, bytes, nullptr), noErr);
            m.decompressors.push_back(be::readU32(bytes));
        }
        modes.push_back(m);
    }
    return modes;
}

struct Session {
    Session() {
        output = RegisterSoftwareOutputDevice(registry);
        ComponentDescription looking{FourCC("vout"), FourCC("TavX"), FourCC("QexV"), 0, 0};
        EXPECT_EQ(FindNextComponent(nullptr, &looking), output.videoOutput);
        EXPECT_EQ(OpenAComponent(output.videoOutput, &instance), noErr);
    }
    ~Session() {
        if (instance)
            CloseComponent(instance);
    }
    ComponentRegistry registry;
    SoftwareOutput output;
    ComponentInstance instance = nullptr;
};

bool lists(const ReadMode& m, const char (&type)[5]) {
    return std::find(m.decompressors.begin(), m.decompressors.end(), FourCC(type)) != m.decompressors.end();
}

} // namespace

TEST(SoftwareOutputDevice, ModeListReadsBackAsTheControllerReadsIt) {
    Session s;
    HandleOwner name(NewHandle(0));
    ASSERT_EQ(GetComponentInfo(s.output.videoOutput, nullptr, name.get(), nullptr, nullptr), noErr);
    EXPECT_EQ(std::string(*name.get() + 1, size_t((*name.get())[0])), kSoftwareOutputName);

    QTAtomContainer list = nullptr;
    ASSERT_EQ(QTVideoOutputGetDisplayModeList(s.instance, &list), noErr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(QTCountChildrenOfType(list, 0, FourCC("qdmi")), 15);
    std::vector<ReadMode> modes = readModes(list);
    QTDisposeAtomContainer(list);

    struct Expected {
        const char* name;
        int32_t width, height;
        Fixed rate;
    };
    const Expected expected[] = {
        {"NTSC 720 x 486 29.97", 720, 486, 0x001DF851},
        {"PAL 720 x 576 25", 720, 576, 0x00190000},
        {"PAL 720 x 576 25 16:9", 720, 576, 0x00190000},
        {"720p 1280 x 720 50", 1280, 720, 0x00320000},
        {"720p 1280 x 720 59.94", 1280, 720, 0x003BF0A3},
        {"720p 1280 x 720 60", 1280, 720, 0x003C0000},
        {"1080p 1920 x 1080 23.98", 1920, 1080, 0x0017F9DB},
        {"1080p 1920 x 1080 24", 1920, 1080, 0x00180000},
        {"1080i 1920 x 1080 25", 1920, 1080, 0x00190000},
        {"1080i 1920 x 1080 29.97", 1920, 1080, 0x001DF851},
        {"1080i 1920 x 1080 30", 1920, 1080, 0x001E0000},
        {"1080p 1920 x 1080 50", 1920, 1080, 0x00320000},
        {"1080p 1920 x 1080 59.94", 1920, 1080, 0x003BF0A3},
        {"1080p 1920 x 1080 60", 1920, 1080, 0x003C0000},
        {"2K 2048 x 1556 24", 2048, 1556, 0x00180000},
    };
    ASSERT_EQ(modes.size(), std::size(expected));
    for (size_t i = 0; i < modes.size(); ++i) {
        const ReadMode& m = modes[i];
        SCOPED_TRACE(m.name);
        EXPECT_EQ(m.name, expected[i].name);
        EXPECT_LT(m.name.size(), 50u);
        EXPECT_EQ(m.width, expected[i].width);
        EXPECT_EQ(m.height, expected[i].height);
        EXPECT_EQ(m.refreshRate, expected[i].rate);
        EXPECT_EQ(m.hRes, 0x00480000);
        EXPECT_EQ(m.vRes, 0x00480000);
        EXPECT_NE(m.pixelType, 0u);
        EXPECT_LE(m.decompressors.size(), 10u);
        EXPECT_TRUE(lists(m, "v210") && lists(m, "2vuy") && lists(m, "raw "));
        bool pal = m.width == 720 && m.height == 576;
        EXPECT_EQ(pal, lists(m, "dvcp") && lists(m, "dvpp") && lists(m, "dv5p"));
    }
    // The rates are the ones documents use.
    EXPECT_EQ(FixRatio(2997, 125), 0x0017F9DB);
    EXPECT_EQ(FixRatio(2997, 100), 0x001DF851);
    EXPECT_EQ(FixRatio(5994, 100), 0x003BF0A3);
}

TEST(SoftwareOutputDevice, BeginClaimsEndReleasesAndTheSurfaceFollowsTheMode) {
    Session s;
    ComponentInstance other = nullptr;
    ASSERT_EQ(OpenAComponent(s.output.videoOutput, &other), noErr);
    const unsigned char client[] = "\x06TavoTV";
    EXPECT_EQ(QTVideoOutputSetClientName(s.instance, client), noErr);
    EXPECT_EQ(s.output.device->clientName(), "TavoTV");
    EXPECT_EQ(QTVideoOutputSetDisplayMode(s.instance, 0), paramErr);
    EXPECT_EQ(QTVideoOutputSetDisplayMode(s.instance, 16), paramErr);
    EXPECT_EQ(QTVideoOutputSetDisplayMode(s.instance, 8), noErr); // 1080p 24
    long mode = 0;
    EXPECT_EQ(QTVideoOutputGetDisplayMode(s.instance, &mode), noErr);
    EXPECT_EQ(mode, 8);

    GWorldPtr gw = reinterpret_cast<GWorldPtr>(1);
    EXPECT_EQ(QTVideoOutputGetGWorld(s.instance, &gw), paramErr); // not claimed yet
    EXPECT_EQ(gw, nullptr);
    EXPECT_EQ(s.output.device->surface(), nullptr);
    ASSERT_EQ(QTVideoOutputBegin(s.instance), noErr);
    EXPECT_TRUE(s.output.device->claimed());
    EXPECT_EQ(QTVideoOutputBegin(other), videoOutputInUseErr);
    EXPECT_EQ(QTVideoOutputBegin(s.instance), videoOutputInUseErr);
    EXPECT_EQ(QTVideoOutputSetDisplayMode(other, 1), videoOutputInUseErr);
    EXPECT_EQ(QTVideoOutputGetGWorld(other, &gw), paramErr);
    EXPECT_EQ(QTVideoOutputEnd(other), paramErr);
    ASSERT_EQ(QTVideoOutputGetGWorld(s.instance, &gw), noErr);
    ASSERT_EQ(gw, s.output.device->surface());
    EXPECT_EQ(gw->width(), 1920);
    EXPECT_EQ(gw->height(), 1080);
    EXPECT_EQ(gw->pixelFormat(), k24RGBPixelFormat);
    EXPECT_EQ(gw->pixel(1919, 1079), GWorld::RGB{});

    // A frame decompressed into the surface is what the device shows, and stays after the end.
    HandleOwner desc(NewHandleClear(86));
    auto* d = reinterpret_cast<uint8_t*>(*desc.get());
    be::writeU32(d, 86);
    be::writeU32(d + 4, FourCC("R10k"));
    be::writeU16(d + 32, 2);
    be::writeU16(d + 34, 1);
    uint8_t frame[8];
    be::writeU32(frame, 1023u << 22 | 512u << 12 | 4u << 2);
    be::writeU32(frame + 4, 0);
    ImageSequence seq = 0;
    ASSERT_EQ(DecompressSequenceBeginS(&seq, desc.get(), nullptr, 0, gw, nullptr, nullptr, nullptr, srcCopy,
                                       nullptr, 0, codecNormalQuality, nullptr),
              noErr);
    ASSERT_EQ(DecompressSequenceFrameS(seq, reinterpret_cast<Ptr>(frame), 8, 0, nullptr, nullptr), noErr);
    EXPECT_EQ(QTVideoOutputSetEchoPort(s.instance, nullptr), noErr);
    EXPECT_EQ(QTVideoOutputEnd(s.instance), noErr);
    EXPECT_EQ(CDSequenceEnd(seq), noErr);
    EXPECT_FALSE(s.output.device->claimed());
    EXPECT_EQ(s.output.device->surface()->pixel(0, 0), (GWorld::RGB{255, 128, 1}));
    EXPECT_EQ(s.output.device->surface()->drawCount(), 1u);

    // The next session, in another mode, starts black at that mode's size.
    EXPECT_EQ(QTVideoOutputSetDisplayMode(other, 1), noErr);
    ASSERT_EQ(QTVideoOutputBegin(other), noErr);
    ASSERT_EQ(QTVideoOutputGetGWorld(other, &gw), noErr);
    EXPECT_EQ(gw->width(), 720);
    EXPECT_EQ(gw->height(), 486);
    EXPECT_EQ(gw->pixel(0, 0), GWorld::RGB{});
    // Closing without ending lets go of the device.
    EXPECT_EQ(CloseComponent(other), noErr);
    EXPECT_FALSE(s.output.device->claimed());
}

TEST(SoftwareOutputDevice, SoundOutputOffersAndSetsItsRate) {
    Session s;
    EXPECT_EQ(ComponentFunctionImplemented(s.instance, kQTVideoOutputGetIndSoundOutputSelect), 1);
    Component sound = nullptr;
    ASSERT_EQ(QTVideoOutputGetIndSoundOutput(s.instance, 1, &sound), noErr);
    EXPECT_EQ(sound, s.output.soundOutput);
    Component none = sound;
    EXPECT_EQ(QTVideoOutputGetIndSoundOutput(s.instance, 2, &none), paramErr);
    EXPECT_EQ(none, nullptr);

    SoundInfoList rates;
    ASSERT_EQ(GetSoundOutputInfo(sound, siSampleRateAvailable, &rates), noErr);
    ASSERT_EQ(rates.count, 1);
    ASSERT_EQ(GetHandleSize(rates.infoHandle), 4);
    EXPECT_EQ(be::readU32(reinterpret_cast<uint8_t*>(*rates.infoHandle)), 0xBB800000u); // 48000.0
    DisposeHandle(rates.infoHandle);

    auto asInfo = [](UnsignedFixed rate) { return reinterpret_cast<const void*>(uintptr_t(rate)); };
    EXPECT_EQ(SetSoundOutputInfo(sound, siSampleRate, asInfo(0xAC440000)), siInvalidSampleRate); // 44100
    EXPECT_EQ(SetSoundOutputInfo(sound, siSampleRate, asInfo(0xBB800000)), noErr);
    EXPECT_EQ(SetSoundOutputInfo(sound, siSampleRate, asInfo(0)), noErr); // keeps the rate
    UnsignedFixed current = 0;
    EXPECT_EQ(GetSoundOutputInfo(sound, siSampleRate, &current), noErr);
    EXPECT_EQ(current, 0xBB800000u);
    EXPECT_EQ(s.output.sound->rateRequests(), 3);
    EXPECT_EQ(s.output.sound->lastRateRequested(), 0u);
    EXPECT_EQ(GetSoundOutputInfo(sound, FourCC("chan"), &current), siUnknownInfoType);
}

TEST(SoftwareOutputDevice, ScriptedSoundOutputsListAnyRatesAndFail) {
    ComponentRegistry registry;
    auto three =
        std::make_shared<SoftwareSoundOutput>(std::vector<UnsignedFixed>{0x7D000000, 0xAC440000, 0xBB800000});
    Component c = registry.registerComponent({kSoundOutputDeviceType, 0, 0, 0, 0}, "three", three);
    SoundInfoList rates;
    ASSERT_EQ(GetSoundOutputInfo(c, siSampleRateAvailable, &rates), noErr);
    ASSERT_EQ(rates.count, 3);
    EXPECT_EQ(be::readU32(reinterpret_cast<uint8_t*>(*rates.infoHandle) + 8), 0xBB800000u);
    DisposeHandle(rates.infoHandle);

    auto none = std::make_shared<SoftwareSoundOutput>(std::vector<UnsignedFixed>{});
    Component n = registry.registerComponent({kSoundOutputDeviceType, 0, 0, 0, 0}, "none", none);
    ASSERT_EQ(GetSoundOutputInfo(n, siSampleRateAvailable, &rates), noErr);
    EXPECT_EQ(rates.count, 0);
    DisposeHandle(rates.infoHandle);
    EXPECT_EQ(SetSoundOutputInfo(n, siSampleRate, nullptr), noErr); // rate 0

    constexpr OSErr kDeviceBusy = -227;
    three->failAvailableRates(kDeviceBusy);
    EXPECT_EQ(GetSoundOutputInfo(c, siSampleRateAvailable, &rates), kDeviceBusy);
    three->failSetRate(paramErr);
    EXPECT_EQ(SetSoundOutputInfo(c, siSampleRate, nullptr), paramErr);
}

TEST(SoftwareOutputDevice, PrivateTimeCodeCallAndImplementedSelectors) {
    Session s;
    EXPECT_EQ(ComponentFunctionImplemented(s.instance, kSoftwareOutputSetTimeCodeSelect), 1);
    EXPECT_EQ(ComponentFunctionImplemented(s.instance, 0x0002), 0); // current client name: not offered
    int definition = 0, record = 0;
    ComponentParameters block;
    block.paramSize = 8;
    block.what = kSoftwareOutputSetTimeCodeSelect;
    block.params[0] = reinterpret_cast<intptr_t>(&record);
    block.params[1] = reinterpret_cast<intptr_t>(&definition);
    block.params[2] = reinterpret_cast<intptr_t>(s.instance);
    EXPECT_EQ(CallComponentDispatch(&block), noErr);
    EXPECT_TRUE(s.output.device->hasTimeCode());
    block.params[0] = 0;
    block.params[1] = 0;
    EXPECT_EQ(CallComponentDispatch(&block), noErr); // both null clear the timecode
    EXPECT_FALSE(s.output.device->hasTimeCode());
    block.paramSize = 4;
    block.params[1] = reinterpret_cast<intptr_t>(s.instance);
    EXPECT_EQ(CallComponentDispatch(&block), paramErr);
}

namespace {

// A device that fails to hand out its surface after it was claimed.
class NoSurfaceDevice : public SoftwareOutputDevice {
public:
    ComponentResult getGWorld(ComponentInstance, GWorldPtr* gw) override {
        *gw = nullptr;
        return memFullErr;
    }
    bool canDo(int16_t selector) const override {
        return selector != kQTVideoOutputGetIndSoundOutputSelect && SoftwareOutputDevice::canDo(selector);
    }
};

} // namespace

TEST(SoftwareOutputDevice, DerivedDevicesScriptFailures) {
    ComponentRegistry registry;
    Component c = registry.registerComponent({FourCC("vout"), FourCC("TavX"), FourCC("QexV"), 0, 0}, "faulty",
                                             std::make_shared<NoSurfaceDevice>());
    ComponentInstance ci = nullptr;
    ASSERT_EQ(OpenAComponent(c, &ci), noErr);
    EXPECT_EQ(ComponentFunctionImplemented(ci, kQTVideoOutputGetIndSoundOutputSelect), 0);
    EXPECT_EQ(QTVideoOutputBegin(ci), noErr);
    GWorldPtr gw = nullptr;
    EXPECT_EQ(QTVideoOutputGetGWorld(ci, &gw), memFullErr);

    // A device without modes lists no 'qdmi' atom and cannot begin.
    Component empty = registry.registerComponent(
        {FourCC("vout"), FourCC("Empt"), 0, 0, 0}, "empty",
        std::make_shared<SoftwareOutputDevice>(std::vector<OutputModeDescription>{}));
    ComponentInstance e = nullptr;
    ASSERT_EQ(OpenAComponent(empty, &e), noErr);
    QTAtomContainer list = nullptr;
    ASSERT_EQ(QTVideoOutputGetDisplayModeList(e, &list), noErr);
    EXPECT_EQ(QTCountChildrenOfType(list, 0, FourCC("qdmi")), 0);
    QTDisposeAtomContainer(list);
    EXPECT_EQ(QTVideoOutputBegin(e), paramErr);
}
