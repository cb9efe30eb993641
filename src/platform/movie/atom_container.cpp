#include "platform/movie/atom_container.h"

#include "platform/bigendian.h"

#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr size_t kContainerHeaderSize = 12;
constexpr size_t kAtomHeaderSize = 20;
constexpr size_t kRootOffset = kContainerHeaderSize;
constexpr QTAtomType kRootType = FourCC("sean");
constexpr QTAtomID kRootID = 1;

// Field offsets inside an atom header.
constexpr size_t kSizeField = 0;
constexpr size_t kTypeField = 4;
constexpr size_t kIDField = 8;
constexpr size_t kChildCountField = 14;

struct AtomHeader {
    size_t offset = 0;
    size_t size = 0;
    QTAtomType type = 0;
    QTAtomID id = 0;
    uint16_t childCount = 0;

    size_t end() const { return offset + size; }
    size_t dataOffset() const { return offset + kAtomHeaderSize; }
    size_t dataSize() const { return size - kAtomHeaderSize; }
    bool contains(size_t position) const { return position > offset && position < end(); }
};

// Read-only, bounds-checked view of a container block.
class ContainerView {
public:
    explicit ContainerView(QTAtomContainer container) {
        if (!container || !*container)
            return;
        m_base = reinterpret_cast<const uint8_t*>(*container);
        m_size = size_t(GetHandleSize(container));
        if (m_size < kRootOffset + kAtomHeaderSize)
            return;
        m_root = headerAt(kRootOffset, m_size);
        m_valid = m_root.size >= kAtomHeaderSize && m_root.end() <= m_size && m_root.type == kRootType;
    }

    bool valid() const { return m_valid; }
    const AtomHeader& root() const { return m_root; }
    const uint8_t* base() const { return m_base; }

    /// Calls `visit(child)` for each well-formed child of `parent` until it returns false. A child
    /// whose size does not fit in its parent ends the walk: nothing after it can be trusted.
    template <typename Visit> void forEachChild(const AtomHeader& parent, Visit visit) const {
        size_t position = parent.dataOffset();
        for (unsigned i = 0; i < parent.childCount; ++i) {
            if (position + kAtomHeaderSize > parent.end())
                return;
            AtomHeader child = headerAt(position, parent.end());
            if (child.size < kAtomHeaderSize || child.size > parent.end() - position)
                return;
            if (!visit(child))
                return;
            position += child.size;
        }
    }

    std::vector<AtomHeader> children(const AtomHeader& parent) const {
        std::vector<AtomHeader> result;
        forEachChild(parent, [&](const AtomHeader& child) {
            result.push_back(child);
            return true;
        });
        return result;
    }

    /// Finds the atom that `atom` names; `path` (may be null) receives its ancestors from the root
    /// down to its parent. False when the offset is not the header of an atom in the tree.
    bool locate(QTAtom atom, AtomHeader& found, std::vector<AtomHeader>* path = nullptr) const {
        if (!m_valid || atom < 0)
            return false;
        if (atom == kParentAtomIsContainer) {
            found = m_root;
            return true;
        }
        size_t target = size_t(atom);
        AtomHeader current = m_root;
        for (;;) {
            if (path)
                path->push_back(current);
            bool descend = false;
            bool hit = false;
            forEachChild(current, [&](const AtomHeader& child) {
                if (child.offset == target) {
                    found = child;
                    hit = true;
                    return false;
                }
                if (child.childCount > 0 && child.contains(target)) {
                    current = child;
                    descend = true;
                    return false;
                }
                return true;
            });
            if (hit)
                return true;
            if (!descend)
                return false;
        }
    }

private:
    AtomHeader headerAt(size_t offset, size_t limit) const {
        AtomHeader h;
        h.offset = offset;
        if (offset + kAtomHeaderSize > limit)
            return h;
        const uint8_t* p = m_base + offset;
        h.size = be::readU32(p, kSizeField);
        h.type = be::readU32(p, kTypeField);
        h.id = QTAtomID(be::readU32(p, kIDField));
        h.childCount = be::readU16(p, kChildCountField);
        return h;
    }

    const uint8_t* m_base = nullptr;
    size_t m_size = 0;
    AtomHeader m_root;
    bool m_valid = false;
};

void writeHeader(uint8_t* p, size_t size, QTAtomType type, QTAtomID id, uint16_t childCount) {
    std::memset(p, 0, kAtomHeaderSize);
    be::writeU32(p + kSizeField, uint32_t(size));
    be::writeU32(p + kTypeField, type);
    be::writeU32(p + kIDField, uint32_t(id));
    be::writeU16(p + kChildCountField, childCount);
}

QTAtomID unusedID(const std::vector<AtomHeader>& siblings, QTAtomType type) {
    QTAtomID highest = 0;
    for (const AtomHeader& sibling : siblings) {
        if (sibling.type == type && sibling.id > highest)
            highest = sibling.id;
    }
    return highest < std::numeric_limits<QTAtomID>::max() ? highest + 1 : 0;
}

} // namespace

OSErr QTNewAtomContainer(QTAtomContainer* atomData) {
    if (!atomData)
        return paramErr;
    *atomData = NewHandleClear(Size(kContainerHeaderSize + kAtomHeaderSize));
    if (!*atomData)
        return memFullErr;
    writeHeader(reinterpret_cast<uint8_t*>(**atomData) + kRootOffset, kAtomHeaderSize, kRootType, kRootID, 0);
    return noErr;
}

OSErr QTDisposeAtomContainer(QTAtomContainer atomData) {
    if (!atomData)
        return invalidAtomContainerErr;
    DisposeHandle(atomData);
    return noErr;
}

OSErr QTInsertChild(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType, QTAtomID id,
                    int16_t index, long dataSize, const void* data, QTAtom* newAtom) {
    if (newAtom)
        *newAtom = 0;
    ContainerView view(container);
    if (!view.valid())
        return invalidAtomContainerErr;
    if (atomType == 0)
        return invalidAtomTypeErr;
    if (dataSize < 0 || (dataSize > 0 && !data))
        return paramErr;

    AtomHeader parent;
    std::vector<AtomHeader> path;
    if (!view.locate(parentAtom, parent, &path))
        return invalidAtomErr;
    // A leaf that holds data cannot also hold children.
    if (parent.childCount == 0 && parent.dataSize() > 0)
        return invalidAtomErr;
    if (parent.childCount == std::numeric_limits<uint16_t>::max())
        return paramErr;

    std::vector<AtomHeader> siblings = view.children(parent);
    if (siblings.size() != parent.childCount)
        return invalidAtomContainerErr;

    if (id == 0) {
        id = unusedID(siblings, atomType);
        if (id == 0)
            return duplicateAtomTypeAndIDErr;
    }
    std::vector<AtomHeader> sameType;
    for (const AtomHeader& sibling : siblings) {
        if (sibling.type != atomType)
            continue;
        if (sibling.id == id)
            return duplicateAtomTypeAndIDErr;
        sameType.push_back(sibling);
    }
    if (index < 0 || size_t(index) > sameType.size() + 1)
        return atomIndexInvalidErr;
    size_t position = parent.end();
    if (index > 0 && size_t(index) <= sameType.size())
        position = sameType[size_t(index) - 1].offset;

    size_t oldSize = size_t(GetHandleSize(container));
    size_t atomSize = kAtomHeaderSize + size_t(dataSize);
    // Offsets are QTAtom values and atom sizes 32-bit fields: the block must stay addressable by both.
    if (atomSize > size_t(std::numeric_limits<QTAtom>::max()) - oldSize)
        return paramErr;

    SetHandleSize(container, Size(oldSize + atomSize));
    if (MemError() != noErr)
        return memFullErr;
    uint8_t* base = reinterpret_cast<uint8_t*>(*container);
    std::memmove(base + position + atomSize, base + position, oldSize - position);
    writeHeader(base + position, atomSize, atomType, id, 0);
    if (dataSize > 0)
        std::memcpy(base + position + kAtomHeaderSize, data, size_t(dataSize));

    // The ancestors all begin before the insertion point, so their offsets still hold.
    path.push_back(parent);
    for (const AtomHeader& ancestor : path)
        be::writeU32(base + ancestor.offset + kSizeField, uint32_t(ancestor.size + atomSize));
    be::writeU16(base + parent.offset + kChildCountField, uint16_t(parent.childCount + 1));

    if (newAtom)
        *newAtom = QTAtom(position);
    return noErr;
}

int16_t QTCountChildrenOfType(QTAtomContainer container, QTAtom parentAtom, QTAtomType childType) {
    ContainerView view(container);
    AtomHeader parent;
    if (!view.locate(parentAtom, parent))
        return 0;
    int count = 0;
    view.forEachChild(parent, [&](const AtomHeader& child) {
        if (childType == 0 || child.type == childType)
            ++count;
        return true;
    });
    return int16_t(count > std::numeric_limits<int16_t>::max() ? std::numeric_limits<int16_t>::max() : count);
}

QTAtom QTFindChildByIndex(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType, int16_t index,
                          QTAtomID* id) {
    ContainerView view(container);
    AtomHeader parent;
    if (index < 1 || !view.locate(parentAtom, parent))
        return 0;
    QTAtom result = 0;
    int seen = 0;
    view.forEachChild(parent, [&](const AtomHeader& child) {
        if (child.type != atomType || ++seen < index)
            return true;
        result = QTAtom(child.offset);
        if (id)
            *id = child.id;
        return false;
    });
    return result;
}

QTAtom QTFindChildByID(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType, QTAtomID id,
                       int16_t* index) {
    ContainerView view(container);
    AtomHeader parent;
    if (!view.locate(parentAtom, parent))
        return 0;
    QTAtom result = 0;
    int16_t position = 0;
    view.forEachChild(parent, [&](const AtomHeader& child) {
        if (child.type != atomType)
            return true;
        ++position;
        if (child.id != id)
            return true;
        result = QTAtom(child.offset);
        if (index)
            *index = position;
        return false;
    });
    return result;
}

QTAtom QTNextChildAnyType(QTAtomContainer container, QTAtom parentAtom, QTAtom currentChild) {
    ContainerView view(container);
    AtomHeader parent;
    if (!view.locate(parentAtom, parent))
        return 0;
    QTAtom result = 0;
    bool takeNext = currentChild == 0;
    view.forEachChild(parent, [&](const AtomHeader& child) {
        if (takeNext) {
            result = QTAtom(child.offset);
            return false;
        }
        takeNext = child.offset == size_t(currentChild);
        return true;
    });
    return result;
}

OSErr QTGetAtomTypeAndID(QTAtomContainer container, QTAtom atom, QTAtomType* atomType, QTAtomID* id) {
    ContainerView view(container);
    if (!view.valid())
        return invalidAtomContainerErr;
    AtomHeader header;
    if (!view.locate(atom, header))
        return invalidAtomErr;
    if (atomType)
        *atomType = header.type;
    if (id)
        *id = header.id;
    return noErr;
}

OSErr QTGetAtomDataPtr(QTAtomContainer container, QTAtom atom, long* dataSize, Ptr* atomData) {
    ContainerView view(container);
    if (!view.valid())
        return invalidAtomContainerErr;
    AtomHeader header;
    if (!view.locate(atom, header))
        return invalidAtomErr;
    if (atom == kParentAtomIsContainer || header.childCount > 0)
        return notLeafAtomErr;
    if (dataSize)
        *dataSize = long(header.dataSize());
    if (atomData)
        *atomData = *container + header.dataOffset();
    return noErr;
}

OSErr QTCopyAtomDataToPtr(QTAtomContainer container, QTAtom atom, bool sizeOrLessOK, long size,
                          void* returnedDataPtr, long* actualSize) {
    if (actualSize)
        *actualSize = 0;
    long available = 0;
    Ptr data = nullptr;
    OSErr status = QTGetAtomDataPtr(container, atom, &available, &data);
    if (status != noErr)
        return status;
    if (size < 0 || (size > 0 && !returnedDataPtr) || available > size ||
        (!sizeOrLessOK && available != size))
        return paramErr;
    if (available > 0)
        std::memcpy(returnedDataPtr, data, size_t(available));
    if (actualSize)
        *actualSize = available;
    return noErr;
}
