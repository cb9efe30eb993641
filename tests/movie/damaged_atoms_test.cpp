// Movies damaged in one size or count field that the reader trusts: each is reported, never read past.
#include "movie/movie_fixtures.h"
#include "platform/bigendian.h"
#include "platform/movie/movie_check.h"
#include "platform/movie/movie_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace moviefixtures;

struct Damage {
    const char* what;
    size_t track;         // 0: video, 1: timecode
    const char* atomPath; // under the track
    size_t payloadOffset; // of the field, from the atom's payload
    // The value written, from the atom's payload size (so that it only just fails to fit).
    uint32_t (*value)(uint64_t payloadSize);
    bool sixteenBits;
    const char* problem;
};

uint32_t oneMoreThanLeftAtEight(uint64_t payloadSize) {
    return uint32_t(payloadSize - 8 + 1);
}
uint32_t huge(uint64_t) {
    return 0x7FFFFFFF;
}

const Damage kDamages[] = {
    {"a description longer than what is left of 'stsd'", 0, "mdia/minf/stbl/stsd", 8, oneMoreThanLeftAtEight,
     false, "'stsd' description 1 has a bad size"},
    {"a data reference longer than what is left of 'dref'", 0, "mdia/minf/dinf/dref", 8,
     oneMoreThanLeftAtEight, false, "'dref' entry 1 has a bad size"},
    {"time-to-sample entries beyond the atom", 0, "mdia/minf/stbl/stts", 4, huge, false,
     "'stts' lists more entries than it holds"},
    {"sample-to-chunk entries beyond the atom", 0, "mdia/minf/stbl/stsc", 4, huge, false,
     "'stsc' lists more entries than it holds"},
    {"more samples than are timed", 0, "mdia/minf/stbl/stsz", 8, huge, false, "'stsz' sizes 2147483647"},
    {"chunk offsets beyond the atom", 0, "mdia/minf/stbl/stco", 4, huge, false,
     "'stco' lists more offsets than it holds"},
    {"edits beyond the atom", 0, "edts/elst", 4, huge, false, "'elst' lists more entries than it holds"},
    {"a timecode description longer than what is left of 'stsd'", 1, "mdia/minf/stbl/stsd", 8,
     oneMoreThanLeftAtEight, false, "'stsd' description 1 has a bad size"},
    {"a source name longer than its 'name' atom", 1, "mdia/minf/stbl/stsd", 8 + 34 + 8,
     [](uint64_t) { return uint32_t(0xFFFF); }, true, "the source name runs past its description"},
};

TEST(DamagedAtoms, EverySizeTheReaderTrustsIsCheckedAgainstWhatIsLeft) {
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.path() / "frames");
    MoviePlan plan;
    plan.path = dir.file("good.mov");
    plan.referenceFiles = writeFrameFiles(dir.file("frames"), plan, 2048);
    plan.referenceOffsets = {2048, 2048, 2048};
    plan.startTimecode = timecode(1, 0, 0, 0);
    plan.sourceName = "A001";
    ASSERT_EQ(writeMovie(plan).firstError, noErr);
    MovieInspection good;
    ASSERT_EQ(InspectMovie(plan.path, good), noErr);
    ASSERT_TRUE(good.problems.empty()) << good.problems.front();
    ASSERT_EQ(good.sourceName, "A001");
    const std::vector<uint8_t> original = testsupport::readFile(plan.path);

    for (const Damage& damage : kDamages) {
        SCOPED_TRACE(damage.what);
        const AtomNode* moov = good.file.tree.topLevel(FourCC("moov"));
        const AtomNode* trak = moov->child(FourCC("trak"), damage.track);
        ASSERT_NE(trak, nullptr);
        const AtomNode* atom = trak->find(damage.atomPath);
        ASSERT_NE(atom, nullptr);
        const uint64_t payloadSize = atom->size - atom->headerSize;
        std::vector<uint8_t> bytes = original;
        uint8_t* field = bytes.data() + atom->offset + atom->headerSize + damage.payloadOffset;
        if (damage.sixteenBits)
            be::writeU16(field, uint16_t(damage.value(payloadSize)));
        else
            be::writeU32(field, damage.value(payloadSize));
        const std::string path = dir.file("damaged.mov");
        testsupport::writeFile(path, bytes);

        MovieInspection inspection;
        InspectMovie(path, inspection);
        bool reported = false;
        for (const std::string& problem : inspection.problems)
            reported = reported || problem.find(damage.problem) != std::string::npos;
        EXPECT_TRUE(reported) << "problems: " << ::testing::PrintToString(inspection.problems);
    }
}

} // namespace
