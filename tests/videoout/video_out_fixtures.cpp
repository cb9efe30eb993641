#include "video_out_fixtures.h"

#include "platform/bigendian.h"

#include <gtest/gtest.h>

namespace videoouttest {

ComponentResult ScriptedDevice::open(ComponentInstance self) {
    calls.push_back("open");
    if (openStatus == noErr)
        opened.push_back(self);
    return openStatus;
}

bool ScriptedDevice::canDo(int16_t selector) const {
    if (selector == kQTVideoOutputGetIndSoundOutputSelect && !hasSoundSelector)
        return false;
    if (selector == kSoftwareOutputSetTimeCodeSelect && !hasTimeCodeSelector)
        return false;
    return SoftwareOutputDevice::canDo(selector);
}

ComponentResult ScriptedDevice::dispatch(ComponentInstance self, const ComponentParameters& params) {
    calls.push_back("dispatch " + std::to_string(params.what) + " size " + std::to_string(params.paramSize) +
                    (params.params[0] || params.params[1] ? " pointers" : " null") +
                    (reinterpret_cast<ComponentInstance>(params.params[2]) == self ? " self" : " other"));
    return SoftwareOutputDevice::dispatch(self, params);
}

ComponentResult ScriptedDevice::getDisplayModeList(ComponentInstance self, QTAtomContainer* list) {
    calls.push_back("getDisplayModeList");
    if (listStatus != noErr)
        return listStatus;
    if (noList) {
        *list = nullptr;
        return noErr;
    }
    return SoftwareOutputDevice::getDisplayModeList(self, list);
}

ComponentResult ScriptedDevice::setClientName(ComponentInstance self, const unsigned char* name) {
    calls.push_back("setClientName " + std::string(reinterpret_cast<const char*>(name + 1), name[0]) + " (" +
                    std::to_string(name[0]) + ")");
    return SoftwareOutputDevice::setClientName(self, name);
}

ComponentResult ScriptedDevice::setDisplayMode(ComponentInstance self, long displayModeID) {
    calls.push_back("setDisplayMode " + std::to_string(displayModeID));
    return SoftwareOutputDevice::setDisplayMode(self, displayModeID);
}

ComponentResult ScriptedDevice::begin(ComponentInstance self) {
    calls.push_back("begin");
    return SoftwareOutputDevice::begin(self);
}

ComponentResult ScriptedDevice::end(ComponentInstance self) {
    calls.push_back("end");
    return SoftwareOutputDevice::end(self);
}

ComponentResult ScriptedDevice::getGWorld(ComponentInstance self, GWorldPtr* gw) {
    calls.push_back("getGWorld");
    if (gWorldStatus != noErr) {
        *gw = nullptr;
        return gWorldStatus;
    }
    return SoftwareOutputDevice::getGWorld(self, gw);
}

ComponentResult ScriptedDevice::getIndSoundOutput(ComponentInstance self, long index,
                                                  Component* outputComponent) {
    calls.push_back("getIndSoundOutput " + std::to_string(index));
    return SoftwareOutputDevice::getIndSoundOutput(self, index, outputComponent);
}

ComponentResult ScriptedDevice::setEchoPort(ComponentInstance self, CGrafPtr echoPort) {
    calls.push_back(echoPort ? "setEchoPort port" : "setEchoPort null");
    return SoftwareOutputDevice::setEchoPort(self, echoPort);
}

OutputBench::OutputBench(std::shared_ptr<SoftwareOutputDevice> scripted, std::vector<UnsignedFixed> rates)
    : device(std::move(scripted)), sound(std::make_shared<SoftwareSoundOutput>(std::move(rates))) {
    soundComponent =
        registry.registerComponent({kSoundOutputDeviceType, kTavX, kQexV, 0, 0}, "bench audio", sound);
    device->setSoundOutput(soundComponent);
    videoComponent = registry.registerComponent({kVout, kTavX, kQexV, 0, 0}, "Bench Output", device);
}

std::shared_ptr<MyVideoOut> OutputBench::makeController(OSErr* status) const {
    return MyVideoOut::initWithComponentType(kVout, kTavX, kQexV, status);
}

OutputModeDescription mode(const std::string& name, int32_t width, int32_t height, Fixed rate,
                           std::vector<OSType> decompressors) {
    OutputModeDescription m;
    m.name = name;
    m.width = width;
    m.height = height;
    m.refreshRate = rate;
    m.pixelType = FourCC("v210");
    m.decompressorTypes = std::move(decompressors);
    return m;
}

std::vector<DisplayModeRecord> recordsOf(const std::vector<OutputModeDescription>& modes) {
    QTAtomContainer list = nullptr;
    EXPECT_EQ(NewDisplayModeList(modes, &list), noErr);
    DisplayModeRecords records(GetFirstLevelAtoms(list, uint8_t(modes.size())));
    QTDisposeAtomContainer(list);
    return std::vector<DisplayModeRecord>(records.get(), records.get() + modes.size());
}

std::vector<uint8_t> u32s(std::initializer_list<uint32_t> values) {
    std::vector<uint8_t> bytes(values.size() * 4);
    size_t at = 0;
    for (uint32_t v : values) {
        be::writeU32(bytes.data() + at, v);
        at += 4;
    }
    return bytes;
}

std::vector<uint8_t> text(const std::string& characters) {
    return std::vector<uint8_t>(characters.begin(), characters.end());
}

void appendAtom(QTAtomContainer list, QTAtom parent, const Atom& atom) {
    QTAtom inserted = 0;
    ASSERT_EQ(QTInsertChild(list, parent, atom.type, atom.id, 0, long(atom.data.size()),
                            atom.data.empty() ? nullptr : atom.data.data(), &inserted),
              noErr);
    // Children go inside the new atom, after anything that lies before it: its offset holds.
    for (const Atom& child : atom.children)
        appendAtom(list, inserted, child);
}

Atom modeAtom(const OutputModeDescription& m, QTAtomID id, OSType without) {
    Atom qdmi{FourCC("qdmi"), id, {}, {}};
    auto add = [&](OSType type, std::vector<uint8_t> data) {
        if (type != without)
            qdmi.children.push_back({type, 1, std::move(data), {}});
    };
    add(FourCC("dimn"), u32s({uint32_t(m.width), uint32_t(m.height)}));
    add(FourCC("resl"), u32s({uint32_t(m.hRes), uint32_t(m.vRes)}));
    add(FourCC("refr"), u32s({uint32_t(m.refreshRate)}));
    add(FourCC("pixl"), u32s({m.pixelType}));
    add(FourCC("name"), text(m.name));
    QTAtomID decoID = 0;
    for (OSType type : m.decompressorTypes)
        qdmi.children.push_back({FourCC("deco"), ++decoID, {}, {{FourCC("dety"), 1, u32s({type}), {}}}});
    return qdmi;
}

HandleOwner makeDescription(int16_t width, int16_t height, OSType codec) {
    HandleOwner desc(NewHandleClear(86));
    auto* d = reinterpret_cast<uint8_t*>(*desc.get());
    be::writeU32(d, 86);
    be::writeU32(d + 4, codec);
    be::writeU16(d + 14, 1); // data reference index
    be::writeU16(d + 16, 2); // version
    be::writeU32(d + 28, 0x400);
    be::writeU16(d + 32, uint16_t(width));
    be::writeU16(d + 34, uint16_t(height));
    be::writeU32(d + 36, 0x00480000);
    be::writeU32(d + 40, 0x00480000);
    be::writeU32(d + 44, uint32_t(width) * uint32_t(height) * 4);
    be::writeU16(d + 48, 1);
    be::writeU16(d + 82, 24);
    be::writeU16(d + 84, 0xFFFF);
    return desc;
}

uint32_t frameComponent(int x, int y, int channel, uint32_t seed) {
    return (uint32_t(x * 37 + y * 11 + channel * 301) + seed * 97) % 1024;
}

std::vector<uint8_t> makeFrame(int width, int height, uint32_t seed) {
    std::vector<uint8_t> bytes(size_t(width) * size_t(height) * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t word = frameComponent(x, y, 0, seed) << 22 | frameComponent(x, y, 1, seed) << 12 |
                            frameComponent(x, y, 2, seed) << 2;
            be::writeU32(bytes.data() + (size_t(y) * size_t(width) + size_t(x)) * 4, word);
        }
    return bytes;
}

} // namespace videoouttest
