// The atom container reader, as it reads an output device's list of display modes.
#include "platform/movie/atom_container.h"
#include "videoout/display_mode_record.h"

namespace {

void walk(QTAtomContainer container, QTAtom parent, int depth) {
    if (depth > 32)
        return;
    for (QTAtom child = QTNextChildAnyType(container, parent, 0); child != 0;
         child = QTNextChildAnyType(container, parent, child)) {
        QTAtomType type = 0;
        QTAtomID id = 0;
        QTGetAtomTypeAndID(container, child, &type, &id);
        long dataSize = 0;
        Ptr atomData = nullptr;
        if (QTGetAtomDataPtr(container, child, &dataSize, &atomData) == noErr && dataSize > 0)
            (void)(volatile char)atomData[dataSize - 1];
        (void)QTFindChildByID(container, parent, type, id, nullptr);
        walk(container, child, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Handle container = nullptr;
    if (PtrToHand(data, &container, Size(size)) != noErr)
        return 0;
    walk(container, kParentAtomIsContainer, 0);
    const int16_t modes = QTCountChildrenOfType(container, kParentAtomIsContainer, kDisplayModeAtomType);
    if (modes > 0)
        DisplayModeRecords records(GetFirstLevelAtoms(container, uint8_t(modes > 255 ? 255 : modes)));
    DisposeHandle(container);
    return 0;
}
