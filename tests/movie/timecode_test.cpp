// Timecode arithmetic and the timecode media handler.
#include "movie/movie_fixtures.h"
#include "platform/bigendian.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace moviefixtures;

TimeCodeDef definition(int numFrames, bool dropFrame, int32_t extraFlags = tc24HourMax) {
    TimeCodeDef def;
    def.flags = extraFlags | (dropFrame ? tcDropFrame : 0);
    def.fTimeScale = numFrames * 100;
    def.frameDuration = 100;
    def.numFrames = uint8_t(numFrames);
    return def;
}

int32_t frameNumber(const TimeCodeDef& def, int h, int m, int s, int f) {
    int32_t n = -1;
    EXPECT_EQ(TimeCodeToFrameNumber(def, timecode(h, m, s, f), n), noErr);
    return n;
}

TEST(Timecode, FrameNumbersOfKnownTimecodes) {
    struct Case {
        int fps;
        bool drop;
        int h, m, s, f;
        int32_t frame;
    };
    const Case cases[] = {
        {24, false, 1, 0, 0, 0, 86400},      {30, false, 1, 0, 0, 0, 108000},
        {30, true, 1, 0, 0, 0, 107892},      {24, false, 10, 20, 30, 12, 893532},
        {25, false, 1, 0, 0, 0, 90000},      {60, false, 1, 0, 0, 0, 216000},
        {30, true, 0, 0, 59, 29, 1799},      {30, true, 0, 1, 0, 2, 1800},
        {30, true, 0, 10, 0, 0, 17982},      {30, true, 0, 11, 0, 2, 19782},
        {30, true, 23, 59, 59, 29, 2589407}, {30, false, 23, 59, 59, 29, 2591999},
        {60, true, 0, 1, 0, 4, 3600},        {60, true, 1, 0, 0, 0, 215784},
        {24, false, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frameNumber(definition(c.fps, c.drop), c.h, c.m, c.s, c.f), c.frame)
            << c.fps << (c.drop ? " DF " : " NDF ") << c.h << ":" << c.m << ":" << c.s << ":" << c.f;
}

TEST(Timecode, AgreesWithCountingLabelsOneByOne) {
    // An independent count: step a label frame by frame, skipping the labels drop frame never shows,
    // and compare both conversions at every frame of two hours and ten minutes.
    for (auto [fps, drop] :
         {std::pair{24, false}, {25, false}, {30, false}, {30, true}, {50, false}, {60, true}}) {
        TimeCodeDef def = definition(fps, drop);
        int skipped = drop ? fps / 15 : 0;
        int h = 0, m = 0, s = 0, f = 0;
        int mismatches = 0;
        for (int32_t frame = 0; frame < (2 * 60 + 10) * 60 * fps && mismatches < 5; ++frame) {
            int32_t n = -1;
            TimeCodeToFrameNumber(def, timecode(h, m, s, f), n);
            TimeCodeRecord back{};
            FrameNumberToTimeCode(def, frame, back);
            if (n != frame || back.t.hours != h || back.t.minutes != m || back.t.seconds != s ||
                back.t.frames != f) {
                ++mismatches;
                ADD_FAILURE() << fps << (drop ? " DF" : " NDF") << " frame " << frame << ": label " << h
                              << ":" << m << ":" << s << ":" << f << " gives " << n << ", frame gives "
                              << TimeCodeString(back, drop);
            }
            if (++f == fps) {
                f = 0;
                if (++s == 60) {
                    s = 0;
                    if (++m == 60) {
                        m = 0;
                        ++h;
                    }
                    if (m % 10 != 0)
                        f = skipped;
                }
            }
        }
    }
}

TEST(Timecode, WrapsAtTwentyFourHoursAndCountsNegativeTimes) {
    EXPECT_EQ(frameNumber(definition(24, false), 24, 0, 0, 0), 0);
    EXPECT_EQ(frameNumber(definition(24, false), 25, 0, 0, 1), 86401);
    EXPECT_EQ(frameNumber(definition(24, false, 0), 25, 0, 0, 1), 25 * 86400 + 1);

    TimeCodeRecord negative = timecode(0, 0, 1, 0);
    negative.t.minutes |= tctNegFlag;
    int32_t n = 0;
    EXPECT_EQ(TimeCodeToFrameNumber(definition(24, false), negative, n), noErr);
    EXPECT_EQ(n, -24);

    TimeCodeRecord record{};
    EXPECT_EQ(FrameNumberToTimeCode(definition(24, false, tc24HourMax | tcNegTimesOK), -24, record), noErr);
    EXPECT_EQ(TimeCodeString(record, false), "-00:00:01:00");
    EXPECT_EQ(FrameNumberToTimeCode(definition(24, false), -24, record), noErr); // wraps back from midnight
    EXPECT_EQ(TimeCodeString(record, false), "23:59:59:00");
    EXPECT_EQ(FrameNumberToTimeCode(definition(30, true), 107892, record), noErr);
    EXPECT_EQ(TimeCodeString(record, true), "01:00:00;00");

    TimeCodeDef noRate = definition(0, false);
    EXPECT_EQ(TimeCodeToFrameNumber(noRate, timecode(1, 0, 0, 0), n), paramErr);
    EXPECT_EQ(FrameNumberToTimeCode(noRate, 10, record), paramErr);
}

TEST(Timecode, DefinitionBytesAreBigEndian) {
    TimeCodeDef def = definition(30, true);
    uint8_t bytes[14];
    WriteTimeCodeDef(bytes, def);
    const uint8_t expected[14] = {0, 0, 0, 3, 0, 0, 0x0B, 0xB8, 0, 0, 0, 100, 30, 0};
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 14), std::vector<uint8_t>(expected, expected + 14));
    TimeCodeDef back = ReadTimeCodeDef(bytes);
    EXPECT_EQ(back.flags, 3);
    EXPECT_EQ(back.fTimeScale, 3000);
    EXPECT_EQ(back.numFrames, 30);
}

class TimecodeHandler : public ::testing::Test {
protected:
    void SetUp() override {
        Handle dataRef = nullptr;
        OSType type = 0;
        ASSERT_EQ(QTNewDataReferenceFromFullPathCFString(m_dir.file("tc.mov"), kQTNativeDefaultPathStyle, 0,
                                                         &dataRef, &type),
                  noErr);
        m_dataRef.reset(dataRef);
        ASSERT_EQ(CreateMovieStorage(dataRef, type, FourCC("TVOD"), smCurrentScript, 0, &m_dh, &m_movie),
                  noErr);
        Track video = NewMovieTrack(m_movie, FixRatio(4, 1), FixRatio(4, 1), 0);
        m_videoMedia = NewTrackMedia(video, VideoMediaType, 2997, nullptr, 0);
        Track track = NewMovieTrack(m_movie, FixRatio(4, 1), 0x00140000, 0);
        m_media = NewTrackMedia(track, TimeCodeMediaType, 2997, nullptr, 0);
        m_handler = GetMediaHandler(m_media);
        ASSERT_NE(m_handler, nullptr);
    }
    void TearDown() override {
        AbortMovieStorage(m_dh);
        DisposeMovie(m_movie);
    }

    /// The description's bytes after TCSetSourceRef with a user data holding `names` as 'name' items.
    std::vector<uint8_t> withSource(Handle desc, const std::vector<std::string>& names,
                                    OSErr* status = nullptr) {
        UserData userData = nullptr;
        EXPECT_EQ(NewUserData(&userData), noErr);
        for (size_t i = 0; i < names.size(); ++i) {
            Handle text = nullptr;
            PtrToHand(names[i].data(), &text, Size(names[i].size()));
            EXPECT_EQ(AddUserDataText(userData, text, TCSourceRefNameType, long(i) + 1, 0), noErr);
            DisposeHandle(text);
        }
        OSErr err = TCSetSourceRef(m_handler, desc, userData);
        if (status)
            *status = err;
        else
            EXPECT_EQ(err, noErr);
        DisposeUserData(userData);
        return std::vector<uint8_t>(*desc, *desc + GetHandleSize(desc));
    }

    testsupport::TempDir m_dir;
    HandleOwner m_dataRef;
    DataHandler m_dh = nullptr;
    Movie m_movie = nullptr;
    Media m_videoMedia = nullptr;
    Media m_media = nullptr;
    MediaHandler m_handler = nullptr;
};

TEST_F(TimecodeHandler, SourceReferenceReplacesThePlaceholder) {
    HandleOwner desc = makeTimeCodeDescription(definition(30, true));
    std::vector<uint8_t> named = withSource(desc.get(), {"TAPE 12", "second item is not used"});
    ASSERT_EQ(named.size(), 34u + 12 + 7);
    EXPECT_EQ(be::readU32(named.data(), 0), 53u);
    EXPECT_EQ(be::readU32(named.data(), 34), 19u);
    EXPECT_EQ(be::readU32(named.data(), 38), FourCC("name"));
    EXPECT_EQ(be::readU16(named.data(), 42), 7u);
    EXPECT_EQ(std::string(named.begin() + 46, named.end()), "TAPE 12");
    EXPECT_EQ(be::readU32(named.data(), 20), 3u); // the definition is untouched

    // Setting it again replaces it; a user data without a name clears it back to the 38-byte form.
    EXPECT_EQ(withSource(desc.get(), {"B"}).size(), 34u + 12 + 1);
    std::vector<uint8_t> cleared = withSource(desc.get(), {});
    ASSERT_EQ(cleared.size(), 38u);
    EXPECT_EQ(be::readU32(cleared.data(), 0), 38u);
    EXPECT_EQ(be::readU32(cleared.data(), 34), 0u);
}

TEST_F(TimecodeHandler, RefusesWhatItCannotStore) {
    HandleOwner desc = makeTimeCodeDescription(definition(24, false));
    OSErr status = noErr;
    withSource(desc.get(), {std::string(70000, 'x')}, &status);
    EXPECT_EQ(status, paramErr); // the text length is 16 bits
    EXPECT_EQ(GetHandleSize(desc.get()), 38);

    HandleOwner image = makeImageDescription(FourCC("R10k"), 4, 4, 1);
    withSource(image.get(), {"X"}, &status);
    EXPECT_EQ(status, paramErr);

    // The video media's handler has no timecode calls.
    MediaHandler videoHandler = GetMediaHandler(m_videoMedia);
    TimeCodeDef def = definition(24, false);
    TimeCodeRecord record = timecode(1, 0, 0, 0);
    int32_t n = 0;
    EXPECT_EQ(TCTimeCodeToFrameNumber(videoHandler, &def, &record, &n), mediaHandlerSelectorErr);
    EXPECT_EQ(TCSetTimeCodeFlags(videoHandler, 0, tcdfShowTimeCode), mediaHandlerSelectorErr);
    EXPECT_EQ(TCTimeCodeToFrameNumber(m_handler, nullptr, &record, &n), paramErr);
    EXPECT_EQ(TCTimeCodeToFrameNumber(m_handler, &def, &record, &n), noErr);
    EXPECT_EQ(n, 86400);
}

TEST_F(TimecodeHandler, DisplayFlagsFollowTheMask) {
    int32_t flags = -1;
    EXPECT_EQ(TCSetTimeCodeFlags(m_handler, tcdfShowTimeCode, tcdfShowTimeCode), noErr);
    EXPECT_EQ(TCGetTimeCodeFlags(m_handler, &flags), noErr);
    EXPECT_EQ(flags, tcdfShowTimeCode);
    EXPECT_EQ(TCSetTimeCodeFlags(m_handler, 0, 0), noErr); // nothing selected: unchanged
    EXPECT_EQ(TCGetTimeCodeFlags(m_handler, &flags), noErr);
    EXPECT_EQ(flags, tcdfShowTimeCode);
    EXPECT_EQ(TCSetTimeCodeFlags(m_handler, 0, tcdfShowTimeCode), noErr);
    EXPECT_EQ(TCGetTimeCodeFlags(m_handler, &flags), noErr);
    EXPECT_EQ(flags, 0);
}

} // namespace
