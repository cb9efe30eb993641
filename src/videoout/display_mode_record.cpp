#include "videoout/display_mode_record.h"

#include "platform/bigendian.h"

#include <algorithm>

namespace {

// The data of the child of that type with ID 1, when it holds at least `minSize` bytes.
const uint8_t* childData(QTAtomContainer list, QTAtom parent, OSType type, long minSize, long* size) {
    QTAtom child = QTFindChildByID(list, parent, type, 1, nullptr);
    Ptr data = nullptr;
    if (!child || QTGetAtomDataPtr(list, child, size, &data) != noErr || *size < minSize)
        return nullptr;
    return reinterpret_cast<const uint8_t*>(data);
}

} // namespace

DisplayModeRecord* GetFirstLevelAtoms(QTAtomContainer list, uint8_t count) {
    auto* records =
        reinterpret_cast<DisplayModeRecord*>(NewPtrClear(Size(count) * Size(sizeof(DisplayModeRecord))));
    if (!records)
        return nullptr;
    QTAtom current = 0;
    uint8_t filled = 0;
    while (filled < count) {
        current = QTNextChildAnyType(list, kParentAtomIsContainer, current);
        if (!current)
            break;
        QTAtomType type = 0;
        QTGetAtomTypeAndID(list, current, &type, nullptr);
        if (type == kDisplayModeAtomType)
            GetSecondLevelAtoms(records[filled++], current, list);
    }
    return records;
}

void GetSecondLevelAtoms(DisplayModeRecord& record, QTAtom modeAtom, QTAtomContainer list) {
    long size = 0;
    if (const uint8_t* p = childData(list, modeAtom, FourCC("dimn"), 8, &size)) {
        record.width = int32_t(be::readU32(p));
        record.height = int32_t(be::readU32(p + 4));
    }
    if (const uint8_t* p = childData(list, modeAtom, FourCC("resl"), 8, &size)) {
        record.hRes = int32_t(be::readU32(p));
        record.vRes = int32_t(be::readU32(p + 4));
    }
    if (const uint8_t* p = childData(list, modeAtom, FourCC("refr"), 4, &size))
        record.refreshRate = Fixed(be::readU32(p));
    if (const uint8_t* p = childData(list, modeAtom, FourCC("pixl"), 4, &size))
        record.pixelType = be::readU32(p);
    if (const uint8_t* p = childData(list, modeAtom, FourCC("name"), 0, &size)) {
        size_t length = std::min<size_t>(size_t(size), kDisplayModeNameSize - 1);
        size_t copied = 0;
        while (copied < length && p[copied] != 0) {
            record.name[copied] = char(p[copied]);
            ++copied;
        }
        record.name[copied] = '\0';
        record.name[length] = '\0';
    }

    int count = QTCountChildrenOfType(list, modeAtom, FourCC("deco"));
    if (count > kMaxDecompressorTypes)
        count = kMaxDecompressorTypes;
    for (int i = 1; i <= count; ++i) {
        QTAtom deco = QTFindChildByIndex(list, modeAtom, FourCC("deco"), int16_t(i), nullptr);
        QTAtom dety = deco ? QTFindChildByID(list, deco, FourCC("dety"), 1, nullptr) : 0;
        uint8_t bytes[4];
        record.decompressorTypes[i - 1] =
            dety && QTCopyAtomDataToPtr(list, dety, false, 4, bytes, nullptr) == noErr ? be::readU32(bytes)
                                                                                       : 0;
    }
    for (int i = count < 0 ? 0 : count; i < kMaxDecompressorTypes; ++i)
        record.decompressorTypes[i] = 0;
}
