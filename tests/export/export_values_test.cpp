// The export's own values: the image description's bytes, the timecode definition and record, and
// the limit of data references in a reference movie.
#include "document/video_image_description.h"
#include "export/export_fixtures.h"
#include "export/timecode_values.h"
#include "support/test_support.h"

#include "document/settings_tables.h"
#include "platform/bigendian.h"
#include "platform/log.h"
#include "platform/movie/movie_errors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

using namespace exportfixtures;

TEST(ExportValues, ImageDescriptionByteForByte) {
    HandleOwner desc(NewVideoImageDescription(FourCC("R10k"), 2048, 1556, 250));
    ASSERT_TRUE(desc);
    ASSERT_EQ(GetHandleSize(desc.get()), 86);
    const auto* d = reinterpret_cast<const uint8_t*>(*desc.get());
    const uint8_t expectedHead[50] = {
        0,    0,    0,    86,   'R', '1',  '0', 'k', 0, 0,    0, 0,
        0,    0,    0,    0, // size, type, reserved, dataRefIndex 0
        0,    2,    0,    0,    'Q', 'e',  'x', 'V', 0, 0,    0, 0,
        0,    0,    4,    0,                                        // version 2, vendor, qualities
        0x08, 0x00, 0x06, 0x14, 0,   0x48, 0,   0,   0, 0x48, 0, 0, // 2048 x 1556, 72 dpi
        0x00, 0xC2, 0x80, 0x00, 0,   250};                          // 2048 x 1556 x 4, frameCount
    EXPECT_EQ(std::memcmp(d, expectedHead, sizeof expectedHead), 0);
    EXPECT_EQ(d[50], 25);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 51), 25), "QEX Tavo 10-bit RGB Codec");
    for (int i = 76; i < 82; ++i)
        EXPECT_EQ(d[i], 0) << i;
    EXPECT_EQ(be::readU16(d + 82), 24);
    EXPECT_EQ(be::readU16(d + 84), 0xFFFF);

    MemoryExhaustion noMemory(MemoryExhaustion::handles);
    EXPECT_EQ(NewVideoImageDescription(FourCC("R10k"), 4, 2, 1), nullptr);
}

TEST(ExportValues, TimecodeDefinitionAtEveryRate) {
    const int fps[] = {24, 24, 25, 30, 30, 30, 50, 60, 60};
    for (int tag = 0; tag < settings::kFrameRateTagCount; ++tag) {
        settings::FrameRateSettings rate = settings::frameRateSettingsForTag(tag);
        TimeCodeDef def = exportTimeCodeDef(rate.movieTimescale, rate.frameDuration, rate.tcDropFrame);
        EXPECT_EQ(def.numFrames, fps[tag]) << tag;
        EXPECT_EQ(def.flags, tag == settings::kDropFrameTag ? 3 : 2) << tag;
        EXPECT_EQ(def.fTimeScale, rate.movieTimescale);
        EXPECT_EQ(def.frameDuration, rate.frameDuration);
    }
}

TEST(ExportValues, TimecodeRecordReadsDigitsWithoutFlagBits) {
    auto check = [](uint32_t bcd, int h, int m, int s, int f, int fps = 30) {
        TimeCodeRecord r = exportTimeCodeRecord(bcd, fps);
        EXPECT_EQ(r.t.hours, h) << std::hex << bcd;
        EXPECT_EQ(r.t.minutes, m) << std::hex << bcd;
        EXPECT_EQ(r.t.seconds, s) << std::hex << bcd;
        EXPECT_EQ(r.t.frames, f) << std::hex << bcd;
    };
    check(0x01000000, 1, 0, 0, 0);
    check(0x10203012, 10, 20, 30, 12);
    check(0x01000040, 1, 0, 0, 0); // drop-frame flag
    check(0x010000C0, 1, 0, 0, 0); // and colour frame
    check(0xC1808000, 1, 0, 0, 0); // the hours', minutes' and seconds' flags
    check(0x50a359d2, 10, 23, 59, 12);
    check(0x0000001A, 0, 0, 0, 20); // digits are not tested against 9: 1 x 10 + 10
    // Above 30 frames per second bit 6 is the frames-tens digit's: 01:00:00:45 stays 45.
    check(0x01000045, 1, 0, 0, 5, 25);
    check(0x01000045, 1, 0, 0, 45, 50);
    check(0x01000059, 1, 0, 0, 59, 60);
    check(0x010000D9, 1, 0, 0, 59, 60); // the colour-frame flag is still no digit
}

TEST(ExportValues, TimecodeMovedByFramesCountsAtTheMoviesRate) {
    struct Case {
        uint32_t start;
        int32_t offset;
        int rateTag;
        uint32_t expected;
    };
    const Case cases[] = {
        {0x01000016, 4, 1, 0x01000020},  // 24 fps
        {0x01000020, -4, 1, 0x01000016}, // back to the opened file's earlier frame
        {0x01000023, 1, 1, 0x01000100},  // into the next second
        {0x00000002, -3, 1, 0x23595923}, // before midnight: the day before
        {0x00005928, 4, 3, 0x00010004},  // 29.97 drop frame: 00:01:00;00 and ;01 are skipped
        {0x00095929, 1, 3, 0x00100000},  // ... but not at a tenth minute
        {0x00005928, 4, 4, 0x00010002},  // 29.97 non-drop counts every label
        {0x01000045, 3, 6, 0x01000048},  // 50 fps: frames 40-59
        {0x01000049, 1, 6, 0x01000100},  {0x01000045, 2, 8, 0x01000047}, // 60 fps
        {0xFFFFFFFF, 5, 1, 0xFFFFFFFF},                                  // no timecode stays none
    };
    for (const Case& c : cases) {
        settings::FrameRateSettings rate = settings::frameRateSettingsForTag(c.rateTag);
        TimeCodeDef def = exportTimeCodeDef(rate.movieTimescale, rate.frameDuration, rate.tcDropFrame);
        EXPECT_EQ(offsetTimeCode(c.start, c.offset, def), c.expected)
            << std::hex << c.start << " + " << std::dec << c.offset << " at tag " << c.rateTag;
    }
}

TEST(ExportValues, DataReferencePastTheLimitStopsAReferenceExport) {
    // One frame file under 32 768 names: one more than a media's data references can number.
    testsupport::TempDir dir;
    testsupport::FrameSpec fileSpec;
    writeSequence(dir.file(""), "f_", 1, fileSpec);
    for (int i = 2; i <= 32768; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f_%05d.dpx", i);
        std::filesystem::create_symlink("f_0001.dpx", dir.path() / name);
    }
    HeadlessSession session;
    auto document = openDocument(session, dir.file("f_0001.dpx"));
    ASSERT_EQ(document->frameCount(), 32768);
    LogCapture log;
    ExportSettings s = settingsAtRate(*document, dir.file("many.mov"), true, 1);
    EXPECT_EQ(document->saveMovieWithSettings(s), badDataRefIndex);
    EXPECT_EQ(log.count("DataRefIndex = -1 in addVideoReferencesToMedia: - last possible frame?\n"), 1);
    const ExportOutcome& outcome = document->exportOutcome();
    EXPECT_EQ(outcome.framesWritten, 32767);
    EXPECT_TRUE(outcome.movieWritten);
    EXPECT_FALSE(outcome.complete());
    EXPECT_NE(outcome.problem.find("f_32768.dpx"), std::string::npos) << outcome.problem;
}

} // namespace
