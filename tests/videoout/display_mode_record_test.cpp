#include "video_out_fixtures.h"

#include "platform/component/software_output_modes.h"
#include "videoout/display_mode_record.h"

#include <gtest/gtest.h>

#include <string>

using namespace videoouttest;

namespace {

// A list built from hand-made first-level atoms.
struct HandList {
    explicit HandList(const std::vector<Atom>& atoms) {
        EXPECT_EQ(QTNewAtomContainer(&list), noErr);
        for (const Atom& atom : atoms)
            appendAtom(list, kParentAtomIsContainer, atom);
    }
    ~HandList() { QTDisposeAtomContainer(list); }
    DisplayModeRecords read(uint8_t count) const {
        return DisplayModeRecords(GetFirstLevelAtoms(list, count));
    }
    QTAtomContainer list = nullptr;
};

const OutputModeDescription kHD = mode("HD 24", 1920, 1080, 0x00180000, {FourCC("v210"), FourCC("2vuy")});
const OutputModeDescription kSD = mode("SD 29.97", 720, 486, 0x001DF851, {FourCC("raw ")});

} // namespace

TEST(DisplayModeRecord, SoftwareDeviceModesReadIntoRecords) {
    const std::vector<OutputModeDescription>& modes = SoftwareOutputDisplayModes();
    std::vector<DisplayModeRecord> records = recordsOf(modes);
    ASSERT_EQ(records.size(), modes.size());
    for (size_t i = 0; i < modes.size(); ++i) {
        const DisplayModeRecord& r = records[i];
        SCOPED_TRACE(modes[i].name);
        EXPECT_EQ(std::string(r.name), modes[i].name);
        EXPECT_EQ(r.width, modes[i].width);
        EXPECT_EQ(r.height, modes[i].height);
        EXPECT_EQ(r.hRes, modes[i].hRes);
        EXPECT_EQ(r.vRes, modes[i].vRes);
        EXPECT_EQ(r.refreshRate, modes[i].refreshRate);
        EXPECT_EQ(r.pixelType, modes[i].pixelType);
        for (size_t k = 0; k < kMaxDecompressorTypes; ++k)
            EXPECT_EQ(r.decompressorTypes[k],
                      k < modes[i].decompressorTypes.size() ? modes[i].decompressorTypes[k] : 0u);
    }
}

TEST(DisplayModeRecord, OtherFirstLevelAtomsArePassedOver) {
    HandList hand({{FourCC("junk"), 1, u32s({1}), {}},
                   modeAtom(kHD, 1),
                   {FourCC("abcd"), 7, {}, {{FourCC("dimn"), 1, u32s({640, 480}), {}}}},
                   {FourCC("qdmx"), 2, u32s({2}), {}},
                   modeAtom(kSD, 2),
                   {FourCC("zzzz"), 1, u32s({3}), {}}});
    ASSERT_EQ(QTCountChildrenOfType(hand.list, kParentAtomIsContainer, FourCC("qdmi")), 2);
    DisplayModeRecords records = hand.read(2);
    ASSERT_TRUE(records);
    EXPECT_STREQ(records[0].name, "HD 24");
    EXPECT_EQ(records[0].width, 1920);
    EXPECT_STREQ(records[1].name, "SD 29.97");
    EXPECT_EQ(records[1].height, 486);
    EXPECT_EQ(records[1].decompressorTypes[0], FourCC("raw "));

    // A count below the number of modes reads that many; the block holds exactly that many.
    DisplayModeRecords first = hand.read(1);
    EXPECT_STREQ(first[0].name, "HD 24");
    EXPECT_EQ(GetPtrSize(reinterpret_cast<Ptr>(first.get())), Size(sizeof(DisplayModeRecord)));
}

TEST(DisplayModeRecord, TwelveDecompressorsKeepTheFirstTen) {
    std::vector<OSType> twelve;
    for (int i = 0; i < 12; ++i)
        twelve.push_back(FourCC("dc00") + uint32_t(i));
    HandList hand({modeAtom(mode("many", 1280, 720, 0x00320000, twelve), 1)});
    DisplayModeRecords records = hand.read(1);
    for (int i = 0; i < kMaxDecompressorTypes; ++i)
        EXPECT_EQ(records[size_t(0)].decompressorTypes[i], twelve[size_t(i)]);
    EXPECT_EQ(records[0].width, 1280); // the fields before the array are untouched
    EXPECT_STREQ(records[0].name, "many");
}

TEST(DisplayModeRecord, MissingOrUnreadableChildrenLeaveZeros) {
    OutputModeDescription full = mode("full", 1920, 1080, 0x00190000, {FourCC("v210")});
    Atom odd = modeAtom(full, 3, FourCC("name"));
    odd.children.push_back({FourCC("deco"), 9, {}, {}});                                       // no 'dety'
    odd.children.push_back({FourCC("deco"), 10, {}, {{FourCC("dety"), 1, {0x61, 0x62}, {}}}}); // 2 bytes
    odd.children.push_back(
        {FourCC("deco"), 11, {}, {{FourCC("dety"), 2, u32s({FourCC("2vuy")}), {}}}}); // ID 2
    odd.children.push_back({FourCC("deco"), 12, {}, {{FourCC("dety"), 1, u32s({FourCC("raw ")}), {}}}});
    HandList hand(
        {odd,
         modeAtom(full, 4, FourCC("refr")),
         modeAtom(full, 5, FourCC("dimn")),
         // Data too short for the numbers read: the fields stay 0, nothing past the data is read.
         {FourCC("qdmi"), 6, {}, {{FourCC("dimn"), 1, u32s({1920}), {}}, {FourCC("refr"), 1, {0, 0x19}, {}}}},
         // Children with another ID than 1 are not the mode's.
         {FourCC("qdmi"), 7, {}, {{FourCC("dimn"), 2, u32s({1920, 1080}), {}}}}});
    DisplayModeRecords r = hand.read(5);

    EXPECT_STREQ(r[0].name, "");
    EXPECT_EQ(r[0].refreshRate, 0x00190000);
    const OSType expected[] = {FourCC("v210"), 0, 0, 0, FourCC("raw "), 0, 0, 0, 0, 0};
    for (int i = 0; i < kMaxDecompressorTypes; ++i)
        EXPECT_EQ(r[0].decompressorTypes[i], expected[i]) << i;

    EXPECT_EQ(r[1].refreshRate, 0);
    EXPECT_EQ(r[1].width, 1920);
    EXPECT_STREQ(r[1].name, "full");

    EXPECT_EQ(r[2].width, 0);
    EXPECT_EQ(r[2].height, 0);
    EXPECT_EQ(r[2].hRes, full.hRes);

    EXPECT_EQ(r[3].width, 0);
    EXPECT_EQ(r[3].refreshRate, 0);
    EXPECT_EQ(r[4].width, 0);
}

TEST(DisplayModeRecord, NamesStopAtANulAndKeepAtMost49Characters) {
    std::string longName(60, 'x');
    longName[48] = 'L'; // the 49th character, the last one kept
    HandList hand({{FourCC("qdmi"), 1, {}, {{FourCC("name"), 1, text(longName), {}}}},
                   {FourCC("qdmi"), 2, {}, {{FourCC("name"), 1, text(std::string("ab\0cd", 5)), {}}}},
                   {FourCC("qdmi"), 3, {}, {{FourCC("name"), 1, text(std::string(49, 'y')), {}}}},
                   {FourCC("qdmi"), 4, {}, {{FourCC("name"), 1, {}, {}}}}});
    DisplayModeRecords r = hand.read(4);
    EXPECT_EQ(std::string(r[0].name), longName.substr(0, 49));
    EXPECT_EQ(std::string(r[1].name), "ab");
    EXPECT_EQ(std::string(r[2].name), std::string(49, 'y'));
    EXPECT_STREQ(r[3].name, "");
}

TEST(DisplayModeRecord, NoMemoryGivesNoRecords) {
    HandList hand({modeAtom(kHD, 1)});
    MemoryExhaustion exhausted(MemoryExhaustion::pointers);
    EXPECT_EQ(GetFirstLevelAtoms(hand.list, 1), nullptr);
}
