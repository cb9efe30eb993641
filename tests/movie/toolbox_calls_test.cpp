// The statuses and results the calling code relies on: data references, sample descriptions, edits,
// track lookup and references, user data, and the checks on bad arguments.
#include "movie/movie_fixtures.h"
#include "platform/bigendian.h"
#include "platform/movie/alias_record.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace moviefixtures;

class ToolboxCalls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(EnterMovies(), noErr);
        Handle dataRef = nullptr;
        OSType type = 0;
        ASSERT_EQ(QTNewDataReferenceFromFullPathCFString(m_dir.file("movie.mov"), kQTNativeDefaultPathStyle,
                                                         0, &dataRef, &type),
                  noErr);
        HandleOwner owner(dataRef);
        ASSERT_EQ(CreateMovieStorage(dataRef, type, FourCC("TVOD"), smCurrentScript,
                                     createMovieFileDeleteCurFile, &m_dh, &m_movie),
                  noErr);
        SetMovieTimeScale(m_movie, 3000);
        m_track = NewMovieTrack(m_movie, FixRatio(2, 1), FixRatio(2, 1), 0);
        m_media = NewTrackMedia(m_track, VideoMediaType, 3000, nullptr, 0);
        ASSERT_NE(m_media, nullptr);
    }
    void TearDown() override {
        if (m_dh)
            AbortMovieStorage(m_dh);
        DisposeMovie(m_movie);
    }

    short addDataRef(const std::string& path, OSErr expected = noErr) {
        Handle dataRef = nullptr;
        OSType type = 0;
        EXPECT_EQ(QTNewDataReferenceFromFullPathCFString(path, kQTNativeDefaultPathStyle, 0, &dataRef, &type),
                  noErr);
        short index = 0;
        EXPECT_EQ(AddMediaDataRef(m_media, &index, dataRef, type), expected) << path;
        DisposeHandle(dataRef);
        return index;
    }

    testsupport::TempDir m_dir;
    DataHandler m_dh = nullptr;
    Movie m_movie = nullptr;
    Track m_track = nullptr;
    Media m_media = nullptr;
};

TEST_F(ToolboxCalls, DataReferencesAreNumberedOncePerFileUpToTheSixteenBitLimit) {
    EXPECT_EQ(addDataRef("/frames/a_0001.dpx"), 1);
    EXPECT_EQ(addDataRef("/frames/a_0002.dpx"), 2);
    EXPECT_EQ(addDataRef("/frames/./x/../a_0001.dpx"), 1); // the same file, spelt differently
    for (int i = 3; i <= 32767; ++i) {
        Handle dataRef = nullptr;
        OSType type = 0;
        QTNewDataReferenceFromFullPathCFString("/frames/b_" + std::to_string(i) + ".dpx",
                                               kQTNativeDefaultPathStyle, 0, &dataRef, &type);
        short index = 0;
        ASSERT_EQ(AddMediaDataRef(m_media, &index, dataRef, type), noErr);
        ASSERT_EQ(index, i);
        DisposeHandle(dataRef);
    }
    EXPECT_EQ(addDataRef("/frames/one_too_many.dpx", badDataRefIndex), -1);
    EXPECT_EQ(addDataRef("/frames/a_0002.dpx"), 2); // known files still answer
    EXPECT_EQ(GetMediaDataRefCount(m_media), 32767);
}

TEST_F(ToolboxCalls, DataReferenceHandlesHoldAnAliasToTheFullPath) {
    Handle dataRef = nullptr;
    OSType type = 0;
    std::string cwd = std::filesystem::current_path().string();
    ASSERT_EQ(QTNewDataReferenceFromFullPathCFString("relative/name.dpx", kQTNativeDefaultPathStyle, 0,
                                                     &dataRef, &type),
              noErr);
    EXPECT_EQ(type, rAliasType);
    AliasRecordInfo alias;
    ASSERT_TRUE(
        ParseAliasRecord(reinterpret_cast<uint8_t*>(*dataRef), size_t(GetHandleSize(dataRef)), alias));
    EXPECT_EQ(alias.posixPath, (std::filesystem::path(cwd) / "relative/name.dpx").string());
    EXPECT_EQ(alias.nlvlFrom, -1); // no movie known yet
    DisposeHandle(dataRef);

    EXPECT_EQ(QTNewDataReferenceFromFullPathCFString("/a/b.dpx", 1 /* HFS style */, 0, &dataRef, &type),
              paramErr);
    EXPECT_EQ(QTNewDataReferenceFromFullPathCFString("", kQTNativeDefaultPathStyle, 0, &dataRef, &type),
              paramErr);
    EXPECT_EQ(dataRef, nullptr);
    short index = 0;
    HandleOwner junk(NewHandleClear(40));
    EXPECT_EQ(AddMediaDataRef(m_media, &index, junk.get(), rAliasType), invalidDataRef);
    EXPECT_EQ(AddMediaDataRef(m_media, &index, junk.get(), FourCC("url ")), featureUnsupported);
}

TEST_F(ToolboxCalls, SampleReferencesFollowTheDescriptionsDataReference) {
    HandleOwner desc = makeImageDescription(FourCC("R10k"), 2, 2, 1);
    auto setIndex = [&](uint16_t index) {
        be::writeU16(reinterpret_cast<uint8_t*>(*desc.get()) + 14, index);
    };
    EXPECT_EQ(addDataRef("/f/1.dpx"), 1);
    setIndex(1);
    TimeValue time = -1;
    EXPECT_EQ(AddMediaSampleReference(m_media, 2048, 16, 125, desc.get(), 1, 0, &time), noErr);
    EXPECT_EQ(time, 0);
    setIndex(2);
    EXPECT_EQ(AddMediaSampleReference(m_media, 2048, 16, 125, desc.get(), 1, 0, &time), badDataRefIndex);
    setIndex(0); // 0: the movie's own file, which becomes reference 2
    EXPECT_EQ(AddMediaSampleReference(m_media, 36, 16, 125, desc.get(), 1, 0, &time), noErr);
    EXPECT_EQ(time, 125);
    EXPECT_EQ(GetMediaDataRefCount(m_media), 2);
    EXPECT_EQ(GetMediaSampleDescriptionCount(m_media), 2);
    // Several samples at once: equal parts of the size.
    EXPECT_EQ(AddMediaSampleReference(m_media, 100, 48, 125, desc.get(), 3, 0, nullptr), noErr);
    EXPECT_EQ(GetMediaSampleCount(m_media), 5);
    EXPECT_EQ(GetMediaDuration(m_media), 625);
}

TEST_F(ToolboxCalls, BadSamplesAreRefusedWithoutTouchingTheMedia) {
    HandleOwner desc = makeImageDescription(FourCC("R10k"), 2, 2, 1);
    HandleOwner data(NewHandleClear(16));
    EXPECT_EQ(AddMediaSample(nullptr, data.get(), 0, 16, 125, desc.get(), 1, 0, nullptr), invalidMedia);
    EXPECT_EQ(AddMediaSample(m_media, nullptr, 0, 16, 125, desc.get(), 1, 0, nullptr), nilHandleErr);
    EXPECT_EQ(AddMediaSample(m_media, data.get(), 8, 16, 125, desc.get(), 1, 0, nullptr),
              paramErr); // past the handle
    EXPECT_EQ(AddMediaSample(m_media, data.get(), 0, 16, 0, desc.get(), 1, 0, nullptr), paramErr);
    EXPECT_EQ(AddMediaSample(m_media, data.get(), 0, 16, 125, desc.get(), 3, 0, nullptr), paramErr); // 16 / 3
    EXPECT_EQ(AddMediaSample(m_media, data.get(), 0, 16, 125, desc.get(), 1, mediaSampleNotSync, nullptr),
              featureUnsupported);
    HandleOwner shortDesc(NewHandleClear(8));
    EXPECT_EQ(AddMediaSample(m_media, data.get(), 0, 16, 125, shortDesc.get(), 1, 0, nullptr),
              badImageDescription);
    be::writeU32(reinterpret_cast<uint8_t*>(*desc.get()), 200); // claims more than the handle holds
    EXPECT_EQ(AddMediaSample(m_media, data.get(), 0, 16, 125, desc.get(), 1, 0, nullptr),
              badImageDescription);
    EXPECT_EQ(GetMediaSampleCount(m_media), 0);
    // Durations are 32-bit time values.
    be::writeU32(reinterpret_cast<uint8_t*>(*desc.get()), 86);
    EXPECT_EQ(AddMediaSample(m_media, data.get(), 0, 16, 0x7FFFFFFF, desc.get(), 1, 0, nullptr), noErr);
    EXPECT_EQ(AddMediaSample(m_media, data.get(), 0, 16, 1, desc.get(), 1, 0, nullptr), invalidDuration);
}

TEST_F(ToolboxCalls, InsertedMediaBecomesTheTrackFromTimeZero) {
    HandleOwner desc = makeImageDescription(FourCC("R10k"), 2, 2, 1);
    HandleOwner data(NewHandleClear(16));
    ASSERT_EQ(BeginMediaEdits(m_media), noErr);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(AddMediaSample(m_media, data.get(), 0, 16, 125, desc.get(), 1, 0, nullptr), noErr);
    ASSERT_EQ(EndMediaEdits(m_media), noErr);
    EXPECT_EQ(GetMovieDuration(m_movie), 0);                                      // nothing inserted yet
    EXPECT_EQ(InsertMediaIntoTrack(m_track, 0, 0, 400, fixed1), invalidDuration); // more than the media has
    EXPECT_EQ(InsertMediaIntoTrack(m_track, 0, 0, 375, 0x00020000), paramErr);    // only rate 1.0
    EXPECT_EQ(InsertMediaIntoTrack(m_track, 0, 0, GetMediaDuration(m_media), fixed1), noErr);
    EXPECT_EQ(GetTrackDuration(m_track), 375);
    EXPECT_EQ(GetMovieDuration(m_movie), 375);
    EXPECT_EQ(InsertMediaIntoTrack(m_track, 0, 0, 125, fixed1), invalidTime); // not into existing content
    EXPECT_EQ(InsertMediaIntoTrack(m_track, -1, 0, 125, fixed1), noErr);      // -1: at the end
    EXPECT_EQ(GetMovieDuration(m_movie), 500);
    EXPECT_EQ(InsertMediaIntoTrack(m_track, 0, 0, 0, fixed1), noErr); // an empty insertion does nothing
}

TEST_F(ToolboxCalls, TracksAreFoundByMediaTypeAndReferenced) {
    Track timecodeTrack = NewMovieTrack(m_movie, FixRatio(2, 1), 0x00140000, 0);
    ASSERT_NE(NewTrackMedia(timecodeTrack, TimeCodeMediaType, 3000, nullptr, 0), nullptr);
    EXPECT_EQ(GetMovieTrackCount(m_movie), 2);
    EXPECT_EQ(GetMovieIndTrackType(m_movie, 1, VideoMediaType, movieTrackMediaType), m_track);
    EXPECT_EQ(GetMovieIndTrackType(m_movie, 1, TimeCodeMediaType, movieTrackMediaType), timecodeTrack);
    EXPECT_EQ(GetMovieIndTrackType(m_movie, 2, VideoMediaType, movieTrackMediaType), nullptr);
    EXPECT_EQ(GetMoviesError(), badTrackIndex);
    SetTrackEnabled(timecodeTrack, false);
    EXPECT_FALSE(GetTrackEnabled(timecodeTrack));
    EXPECT_EQ(
        GetMovieIndTrackType(m_movie, 1, TimeCodeMediaType, movieTrackMediaType | movieTrackEnabledOnly),
        nullptr);

    long index = 0;
    EXPECT_EQ(AddTrackReference(m_track, timecodeTrack, kTrackReferenceTimeCode, &index), noErr);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(AddTrackReference(m_track, timecodeTrack, kTrackReferenceTimeCode, &index), noErr);
    EXPECT_EQ(index, 1); // already there
    EXPECT_EQ(AddTrackReference(nullptr, timecodeTrack, kTrackReferenceTimeCode, &index), invalidTrack);
    EXPECT_EQ(AddTrackReference(m_track, m_track, kTrackReferenceTimeCode, nullptr), paramErr);

    // A second media for a track, an unknown media type, or one with its own data reference: refused.
    EXPECT_EQ(NewTrackMedia(m_track, VideoMediaType, 3000, nullptr, 0), nullptr);
    EXPECT_EQ(GetMoviesError(), paramErr);
    Track other = NewMovieTrack(m_movie, 0, 0, 0x100);
    EXPECT_EQ(NewTrackMedia(other, FourCC("soun"), 48000, nullptr, 0), nullptr);
    HandleOwner ref(NewHandleClear(4));
    EXPECT_EQ(NewTrackMedia(other, VideoMediaType, 3000, ref.get(), rAliasType), nullptr);
    EXPECT_EQ(GetMoviesError(), featureUnsupported);
}

TEST(UserData, TextsByTypeIndexAndRegion) {
    UserData data = nullptr;
    ASSERT_EQ(NewUserData(&data), noErr);
    HandleOwner a, b;
    Handle h = nullptr;
    PtrToHand("first", &h, 5);
    a.reset(h);
    PtrToHand("second", &h, 6);
    b.reset(h);
    EXPECT_EQ(AddUserDataText(data, a.get(), TCSourceRefNameType, 1, 0), noErr);
    EXPECT_EQ(AddUserDataText(data, b.get(), TCSourceRefNameType, 3, 0), paramErr); // no item 2 yet
    EXPECT_EQ(AddUserDataText(data, b.get(), TCSourceRefNameType, 2, 0), noErr);
    EXPECT_EQ(AddUserDataText(data, b.get(), TCSourceRefNameType, 1, 0), noErr); // replaces item 1's text
    EXPECT_EQ(CountUserDataType(data, TCSourceRefNameType), 2);
    HandleOwner out(NewHandle(0));
    EXPECT_EQ(GetUserDataText(data, out.get(), TCSourceRefNameType, 1, 0), noErr);
    EXPECT_EQ(std::string(*out.get(), size_t(GetHandleSize(out.get()))), "second");
    EXPECT_EQ(GetUserDataText(data, out.get(), TCSourceRefNameType, 1, 2), userDataItemNotFound);
    EXPECT_EQ(GetUserDataText(data, out.get(), FourCC("desc"), 1, 0), userDataItemNotFound);
    EXPECT_EQ(DisposeUserData(data), noErr);
}

TEST(AliasRecord, RelativeLevelsFromTheMovieToTheFile) {
    struct Case {
        const char* movie;
        const char* target;
        int16_t from, to;
        const char* resolved;
    };
    const Case cases[] = {
        {"/a/b/movie.mov", "/a/b/f.dpx", 1, 1, "/a/b/f.dpx"},
        {"/a/b/movie.mov", "/a/b/shots/f.dpx", 1, 2, "/a/b/shots/f.dpx"},
        {"/a/b/out/movie.mov", "/a/b/shots/f.dpx", 2, 2, "/a/b/shots/f.dpx"},
        {"/a/b/c/d/movie.mov", "/a/x/f.dpx", 4, 2, "/a/x/f.dpx"},
        {"/movie.mov", "/f.dpx", 1, 1, "/f.dpx"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> record = MakeAliasRecord(c.target, c.movie);
        AliasRecordInfo info;
        ASSERT_TRUE(ParseAliasRecord(record.data(), record.size(), info)) << c.target;
        EXPECT_EQ(info.recordSize, record.size());
        EXPECT_EQ(info.nlvlFrom, c.from) << c.movie << " -> " << c.target;
        EXPECT_EQ(info.nlvlTo, c.to) << c.movie << " -> " << c.target;
        EXPECT_EQ(info.posixPath, c.target);
        EXPECT_EQ(AliasAbsolutePath(info), c.target);
        EXPECT_EQ(AliasRelativePath(info, c.movie), c.resolved);
        // Seen from the movie moved along with the files: the same relative place.
        std::string moved = std::string("/moved") + c.movie;
        EXPECT_EQ(AliasRelativePath(info, moved), std::string("/moved") + c.resolved);
    }
    // The colon path alone (without the POSIX extra) still names the file.
    AliasRecordInfo colonOnly;
    colonOnly.colonPath = ":a:b:f.dpx";
    EXPECT_EQ(AliasAbsolutePath(colonOnly), "/a/b/f.dpx");
    // A record cut short is refused.
    std::vector<uint8_t> record = MakeAliasRecord("/a/b/f.dpx");
    AliasRecordInfo info;
    EXPECT_FALSE(ParseAliasRecord(record.data(), 149, info));
    be::writeU16(record.data() + 4, uint16_t(record.size() + 40)); // size beyond the data: extras cut
    EXPECT_TRUE(ParseAliasRecord(record.data(), record.size(), info));
    record[151] = 0xFF; // an extra claiming more bytes than are left
    record[153] = 0xFF;
    EXPECT_FALSE(ParseAliasRecord(record.data(), record.size(), info));
}

} // namespace

TEST(AliasRecord, WhetherARecordFitsIsKnownWithoutMakingIt) {
    std::vector<std::string> paths{"", "/", "a", "/f.dpx", "/a/b/f.dpx", "/a//b/", "//a///b//c.dpx", "/a/b/"};
    // Around the 16-bit size: one long name, and a long folder holding a short or a long name.
    for (size_t n = 32660; n <= 32700; n += 3) {
        paths.push_back("/" + std::string(n, 'x'));
        paths.push_back("/" + std::string(n, 'd') + "/f.dpx");
        paths.push_back("/" + std::string(n / 2, 'd') + "/" + std::string(n / 2 + 1, 'f'));
        paths.push_back("/" + std::string(n / 2, 'd') + "/" + std::string(n / 2, 'f') + "/");
    }
    for (const std::string& path : paths)
        EXPECT_EQ(AliasRecordFits(path), !MakeAliasRecord(path).empty()) << path.size() << " bytes";
}
