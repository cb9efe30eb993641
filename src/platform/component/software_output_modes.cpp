#include "platform/component/software_output_modes.h"

#include "platform/bigendian.h"

namespace {

constexpr Fixed kRate23_976 = FixRatio(2997, 125);
constexpr Fixed kRate24 = Long2Fix(24);
constexpr Fixed kRate25 = Long2Fix(25);
constexpr Fixed kRate29_97 = FixRatio(2997, 100);
constexpr Fixed kRate30 = Long2Fix(30);
constexpr Fixed kRate50 = Long2Fix(50);
constexpr Fixed kRate59_94 = FixRatio(5994, 100);
constexpr Fixed kRate60 = Long2Fix(60);

// Every mode takes 10-bit and 8-bit 4:2:2 and RGB; the DV family that fits the raster comes after.
std::vector<OSType> decompressors(const std::vector<OSType>& extra) {
    std::vector<OSType> types = {FourCC("v210"), FourCC("2vuy"), FourCC("raw "), FourCC("yuv2")};
    types.insert(types.end(), extra.begin(), extra.end());
    return types;
}

OutputModeDescription mode(const char* name, int32_t width, int32_t height, Fixed rate, OSType pixelType,
                           std::vector<OSType> types) {
    OutputModeDescription m;
    m.name = name;
    m.width = width;
    m.height = height;
    m.refreshRate = rate;
    m.pixelType = pixelType;
    m.decompressorTypes = std::move(types);
    return m;
}

OSErr insertU32Pair(QTAtomContainer list, QTAtom parent, OSType type, uint32_t first, uint32_t second) {
    uint8_t data[8];
    be::writeU32(data, first);
    be::writeU32(data + 4, second);
    return QTInsertChild(list, parent, type, 1, 0, 8, data, nullptr);
}

OSErr insertU32(QTAtomContainer list, QTAtom parent, OSType type, QTAtomID id, uint32_t value) {
    uint8_t data[4];
    be::writeU32(data, value);
    return QTInsertChild(list, parent, type, id, 0, 4, data, nullptr);
}

} // namespace

const std::vector<OutputModeDescription>& SoftwareOutputDisplayModes() {
    static const std::vector<OutputModeDescription> modes = [] {
        const OSType v210 = FourCC("v210");
        // Both PAL modes take the DV types, so that DV frames can be sent to the second one.
        const std::vector<OSType> palDV = {FourCC("dvcp"), FourCC("dvpp"), FourCC("dv5p")};
        std::vector<OutputModeDescription> m;
        m.push_back(mode("NTSC 720 x 486 29.97", 720, 486, kRate29_97, v210,
                         decompressors({FourCC("dvc "), FourCC("dv5n")})));
        m.push_back(mode("PAL 720 x 576 25", 720, 576, kRate25, v210, decompressors(palDV)));
        m.push_back(mode("PAL 720 x 576 25 16:9", 720, 576, kRate25, v210, decompressors(palDV)));
        m.push_back(mode("720p 1280 x 720 50", 1280, 720, kRate50, v210, decompressors({FourCC("dvhq")})));
        m.push_back(
            mode("720p 1280 x 720 59.94", 1280, 720, kRate59_94, v210, decompressors({FourCC("dvhp")})));
        m.push_back(mode("720p 1280 x 720 60", 1280, 720, kRate60, v210, decompressors({FourCC("dvhp")})));
        m.push_back(mode("1080p 1920 x 1080 23.98", 1920, 1080, kRate23_976, v210, decompressors({})));
        m.push_back(mode("1080p 1920 x 1080 24", 1920, 1080, kRate24, v210, decompressors({})));
        m.push_back(mode("1080i 1920 x 1080 25", 1920, 1080, kRate25, v210, decompressors({FourCC("dvh5")})));
        m.push_back(
            mode("1080i 1920 x 1080 29.97", 1920, 1080, kRate29_97, v210, decompressors({FourCC("dvh6")})));
        m.push_back(mode("1080i 1920 x 1080 30", 1920, 1080, kRate30, v210, decompressors({FourCC("dvh6")})));
        m.push_back(mode("1080p 1920 x 1080 50", 1920, 1080, kRate50, v210, decompressors({})));
        m.push_back(mode("1080p 1920 x 1080 59.94", 1920, 1080, kRate59_94, v210, decompressors({})));
        m.push_back(mode("1080p 1920 x 1080 60", 1920, 1080, kRate60, v210, decompressors({})));
        m.push_back(
            mode("2K 2048 x 1556 24", 2048, 1556, kRate24, FourCC("r210"), decompressors({FourCC("r210")})));
        return m;
    }();
    return modes;
}

OSErr AppendDisplayModeAtom(QTAtomContainer list, const OutputModeDescription& mode, QTAtomID id) {
    QTAtom qdmi = 0;
    OSErr status = QTInsertChild(list, kParentAtomIsContainer, FourCC("qdmi"), id, 0, 0, nullptr, &qdmi);
    // Each insertion moves the atoms after it, so the mode's atom is found again by its ID.
    auto modeAtom = [&] {
        return QTFindChildByID(list, kParentAtomIsContainer, FourCC("qdmi"), id, nullptr);
    };
    if (status == noErr)
        status = insertU32Pair(list, modeAtom(), FourCC("dimn"), uint32_t(mode.width), uint32_t(mode.height));
    if (status == noErr)
        status = insertU32Pair(list, modeAtom(), FourCC("resl"), uint32_t(mode.hRes), uint32_t(mode.vRes));
    if (status == noErr)
        status = insertU32(list, modeAtom(), FourCC("refr"), 1, uint32_t(mode.refreshRate));
    if (status == noErr)
        status = insertU32(list, modeAtom(), FourCC("pixl"), 1, mode.pixelType);
    if (status == noErr)
        status = QTInsertChild(list, modeAtom(), FourCC("name"), 1, 0, long(mode.name.size()),
                               mode.name.data(), nullptr);
    QTAtomID decoID = 0;
    for (OSType type : mode.decompressorTypes) {
        if (status != noErr)
            break;
        QTAtom deco = 0;
        status = QTInsertChild(list, modeAtom(), FourCC("deco"), ++decoID, 0, 0, nullptr, &deco);
        if (status == noErr)
            status = insertU32(list, deco, FourCC("dety"), 1, type);
    }
    return status;
}

OSErr NewDisplayModeList(const std::vector<OutputModeDescription>& modes, QTAtomContainer* list) {
    if (!list)
        return paramErr;
    OSErr status = QTNewAtomContainer(list);
    QTAtomID id = 0;
    for (const OutputModeDescription& mode : modes) {
        if (status != noErr)
            break;
        status = AppendDisplayModeAtom(*list, mode, ++id);
    }
    if (status != noErr && *list) {
        QTDisposeAtomContainer(*list);
        *list = nullptr;
    }
    return status;
}
