#include "platform/bigendian.h"
#include "platform/movie/atom_container.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> bytesOf(QTAtomContainer container) {
    const auto* p = reinterpret_cast<const uint8_t*>(*container);
    return std::vector<uint8_t>(p, p + GetHandleSize(container));
}

QTAtom insertU32(QTAtomContainer c, QTAtom parent, const char (&type)[5], QTAtomID id, uint32_t value) {
    uint8_t data[4];
    be::writeU32(data, value);
    QTAtom atom = 0;
    EXPECT_EQ(QTInsertChild(c, parent, FourCC(type), id, 0, 4, data, &atom), noErr);
    return atom;
}

struct Container {
    Container() { EXPECT_EQ(QTNewAtomContainer(&handle), noErr); }
    ~Container() { QTDisposeAtomContainer(handle); }
    QTAtomContainer handle = nullptr;
};

} // namespace

TEST(AtomContainer, NewContainerAndFirstChildHaveTheToolboxLayout) {
    Container c;
    std::vector<uint8_t> empty = bytesOf(c.handle);
    ASSERT_EQ(empty.size(), 32u);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(empty[i], 0) << i; // reserved bytes and lock count
    EXPECT_EQ(be::readU32(empty.data(), 12), 20u);
    EXPECT_EQ(be::readU32(empty.data(), 16), FourCC("sean"));
    EXPECT_EQ(be::readU32(empty.data(), 20), 1u);
    EXPECT_EQ(be::readU16(empty.data(), 26), 0);

    const char name[] = "NTSC";
    QTAtom atom = 0;
    ASSERT_EQ(QTInsertChild(c.handle, kParentAtomIsContainer, FourCC("name"), 1, 0, 4, name, &atom), noErr);
    EXPECT_EQ(atom, 32);
    std::vector<uint8_t> b = bytesOf(c.handle);
    ASSERT_EQ(b.size(), 56u);
    EXPECT_EQ(be::readU32(b.data(), 12), 44u); // root grew by the child
    EXPECT_EQ(be::readU16(b.data(), 26), 1);   // root child count
    EXPECT_EQ(be::readU32(b.data(), 32), 24u); // child size
    EXPECT_EQ(be::readU32(b.data(), 36), FourCC("name"));
    EXPECT_EQ(be::readU32(b.data(), 40), 1u);
    EXPECT_EQ(be::readU16(b.data(), 46), 0);
    EXPECT_EQ(std::memcmp(b.data() + 52, "NTSC", 4), 0);
}

TEST(AtomContainer, NestedTreeReadsBackThroughEveryCall) {
    Container c;
    // Two modes with an unrelated atom between them, each with leaves and a nested container.
    QTAtom first = 0, second = 0;
    ASSERT_EQ(QTInsertChild(c.handle, 0, FourCC("qdmi"), 1, 0, 0, nullptr, &first), noErr);
    insertU32(c.handle, first, "refr", 1, 0x003BF0A3);
    QTAtom deco = 0;
    ASSERT_EQ(QTInsertChild(c.handle, first, FourCC("deco"), 0, 0, 0, nullptr, &deco), noErr);
    insertU32(c.handle, deco, "dety", 1, FourCC("v210"));
    insertU32(c.handle, 0, "junk", 1, 7);
    ASSERT_EQ(QTInsertChild(c.handle, 0, FourCC("qdmi"), 2, 0, 0, nullptr, &second), noErr);
    insertU32(c.handle, second, "refr", 1, 0x00190000);

    EXPECT_EQ(QTCountChildrenOfType(c.handle, 0, FourCC("qdmi")), 2);
    EXPECT_EQ(QTCountChildrenOfType(c.handle, 0, 0), 3);

    // Offsets shift on insertion: find everything again from the root.
    QTAtomID id = 0;
    first = QTFindChildByIndex(c.handle, 0, FourCC("qdmi"), 1, &id);
    EXPECT_EQ(id, 1);
    second = QTFindChildByIndex(c.handle, 0, FourCC("qdmi"), 2, &id);
    EXPECT_EQ(id, 2);
    EXPECT_EQ(QTFindChildByIndex(c.handle, 0, FourCC("qdmi"), 3, nullptr), 0);
    int16_t index = 0;
    EXPECT_EQ(QTFindChildByID(c.handle, 0, FourCC("qdmi"), 2, &index), second);
    EXPECT_EQ(index, 2);

    // Walking the first level visits every type in order.
    std::vector<QTAtomType> types;
    for (QTAtom a = QTNextChildAnyType(c.handle, 0, 0); a != 0; a = QTNextChildAnyType(c.handle, 0, a)) {
        QTAtomType type = 0;
        ASSERT_EQ(QTGetAtomTypeAndID(c.handle, a, &type, nullptr), noErr);
        types.push_back(type);
    }
    EXPECT_EQ(types, (std::vector<QTAtomType>{FourCC("qdmi"), FourCC("junk"), FourCC("qdmi")}));

    QTAtom refr = QTFindChildByID(c.handle, second, FourCC("refr"), 1, nullptr);
    long size = 0;
    Ptr data = nullptr;
    ASSERT_EQ(QTGetAtomDataPtr(c.handle, refr, &size, &data), noErr);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(be::readU32(reinterpret_cast<uint8_t*>(data)), 0x00190000u);

    deco = QTFindChildByIndex(c.handle, first, FourCC("deco"), 1, &id);
    EXPECT_EQ(id, 1); // ID 0 asked for the first unused one
    uint32_t codec = 0;
    QTAtom dety = QTFindChildByID(c.handle, deco, FourCC("dety"), 1, nullptr);
    ASSERT_EQ(QTCopyAtomDataToPtr(c.handle, dety, false, 4, &codec, nullptr), noErr);
    EXPECT_EQ(be::readU32(reinterpret_cast<uint8_t*>(&codec)), FourCC("v210"));
}

TEST(AtomContainer, IdsAndIndexesOfInsertion) {
    Container c;
    insertU32(c.handle, 0, "deco", 5, 1);
    insertU32(c.handle, 0, "deco", 0, 2); // gets 6
    uint8_t value[4] = {0, 0, 0, 3};
    ASSERT_EQ(QTInsertChild(c.handle, 0, FourCC("deco"), 9, 1, 4, value, nullptr), noErr); // becomes first
    EXPECT_EQ(QTInsertChild(c.handle, 0, FourCC("deco"), 5, 0, 4, value, nullptr), duplicateAtomTypeAndIDErr);
    EXPECT_EQ(QTInsertChild(c.handle, 0, FourCC("deco"), 10, 5, 4, value, nullptr), atomIndexInvalidErr);
    EXPECT_EQ(QTInsertChild(c.handle, 0, 0, 1, 0, 4, value, nullptr), invalidAtomTypeErr);
    EXPECT_EQ(QTInsertChild(c.handle, 0, FourCC("deco"), 11, 0, 4, nullptr, nullptr), paramErr);

    std::vector<QTAtomID> ids;
    for (int16_t i = 1; i <= QTCountChildrenOfType(c.handle, 0, FourCC("deco")); ++i) {
        QTAtomID id = 0;
        QTFindChildByIndex(c.handle, 0, FourCC("deco"), i, &id);
        ids.push_back(id);
    }
    EXPECT_EQ(ids, (std::vector<QTAtomID>{9, 5, 6}));

    // A leaf that holds data takes no children.
    QTAtom leaf = QTFindChildByID(c.handle, 0, FourCC("deco"), 5, nullptr);
    EXPECT_EQ(QTInsertChild(c.handle, leaf, FourCC("dety"), 1, 0, 4, value, nullptr), invalidAtomErr);
}

TEST(AtomContainer, ReadingStatusesAndSizes) {
    Container c;
    QTAtom parent = 0;
    ASSERT_EQ(QTInsertChild(c.handle, 0, FourCC("deco"), 1, 0, 0, nullptr, &parent), noErr);
    QTAtom shortLeaf = 0;
    ASSERT_EQ(QTInsertChild(c.handle, parent, FourCC("dety"), 1, 0, 2, "ab", &shortLeaf), noErr);
    parent = QTFindChildByIndex(c.handle, 0, FourCC("deco"), 1, nullptr);

    uint8_t buffer[4] = {9, 9, 9, 9};
    long actual = -1;
    EXPECT_EQ(QTCopyAtomDataToPtr(c.handle, shortLeaf, false, 4, buffer, &actual), paramErr);
    EXPECT_EQ(buffer[0], 9); // nothing copied
    EXPECT_EQ(QTCopyAtomDataToPtr(c.handle, shortLeaf, true, 4, buffer, &actual), noErr);
    EXPECT_EQ(actual, 2);
    EXPECT_EQ(std::memcmp(buffer, "ab\x09\x09", 4), 0);
    EXPECT_EQ(QTCopyAtomDataToPtr(c.handle, shortLeaf, true, 1, buffer, &actual),
              paramErr); // never truncated

    long size = 0;
    Ptr data = nullptr;
    EXPECT_EQ(QTGetAtomDataPtr(c.handle, parent, &size, &data), notLeafAtomErr);
    EXPECT_EQ(QTGetAtomDataPtr(c.handle, kParentAtomIsContainer, &size, &data), notLeafAtomErr);
    EXPECT_EQ(QTGetAtomDataPtr(nullptr, shortLeaf, &size, &data), invalidAtomContainerErr);
    // Offsets that are not atom headers: inside a header, inside data, past the end, negative.
    for (QTAtom bogus : {QTAtom(5), QTAtom(parent + 4), QTAtom(shortLeaf + 20), QTAtom(100000), QTAtom(-8)}) {
        EXPECT_EQ(QTGetAtomDataPtr(c.handle, bogus, &size, &data), invalidAtomErr) << bogus;
        EXPECT_EQ(QTGetAtomTypeAndID(c.handle, bogus, nullptr, nullptr), invalidAtomErr) << bogus;
        EXPECT_EQ(QTCountChildrenOfType(c.handle, bogus, 0), 0) << bogus;
        EXPECT_EQ(QTNextChildAnyType(c.handle, bogus, 0), 0) << bogus;
    }
    EXPECT_EQ(QTFindChildByID(c.handle, parent, FourCC("dety"), 2, nullptr), 0);
    EXPECT_EQ(QTFindChildByIndex(c.handle, parent, FourCC("dety"), 0, nullptr), 0);
    EXPECT_EQ(QTDisposeAtomContainer(nullptr), invalidAtomContainerErr);
}

TEST(AtomContainer, DamagedSizesEndTheWalkInsideTheBlock) {
    Container c;
    insertU32(c.handle, 0, "qdmi", 1, 1);
    insertU32(c.handle, 0, "qdmi", 2, 2);
    insertU32(c.handle, 0, "qdmi", 3, 3);
    QTAtom second = QTFindChildByIndex(c.handle, 0, FourCC("qdmi"), 2, nullptr);
    // The second atom claims to run past its parent: it and everything after it are ignored.
    be::writeU32(reinterpret_cast<uint8_t*>(*c.handle) + second, 0x7FFFFFF0);
    EXPECT_EQ(QTCountChildrenOfType(c.handle, 0, FourCC("qdmi")), 1);
    EXPECT_EQ(QTFindChildByIndex(c.handle, 0, FourCC("qdmi"), 2, nullptr), 0);
    EXPECT_EQ(QTInsertChild(c.handle, 0, FourCC("qdmi"), 4, 0, 0, nullptr, nullptr), invalidAtomContainerErr);

    // A root that is not 'sean' makes the whole block unusable.
    be::writeU32(reinterpret_cast<uint8_t*>(*c.handle) + 16, FourCC("moov"));
    EXPECT_EQ(QTCountChildrenOfType(c.handle, 0, 0), 0);
    EXPECT_EQ(QTGetAtomTypeAndID(c.handle, 0, nullptr, nullptr), invalidAtomContainerErr);

    // A block too short for a root.
    HandleOwner tiny(NewHandleClear(8));
    EXPECT_EQ(QTNextChildAnyType(tiny.get(), 0, 0), 0);
}
