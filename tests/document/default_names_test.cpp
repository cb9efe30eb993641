// The source ID: its default from the preference, typing it, storing it; and the movie name the
// export proposes.
#include "document_fixtures.h"

#include "document/movie_name.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;
using namespace docfixtures;
using fw::DefaultsValue;

namespace {

// The source ID a document on `path` starts with under the source-ID preference `type`.
std::string sourceIDFor(const std::string& path, int32_t type, const std::string& storedSourceID = "") {
    HeadlessSession session({{"DefaultSourceIDType", type}, {"SourceID", storedSourceID}});
    std::shared_ptr<DPXMovieFile> document = session.openDocument(path);
    EXPECT_EQ(sourceIDField(*document).stringValue(), document->sourceID());
    EXPECT_EQ(session.userDefaults().objectForKey("SourceID"), DefaultsValue(document->sourceID()));
    return document->sourceID();
}

std::string proposedNameFor(const std::string& path, int32_t type, bool extension = true,
                            const std::string& storedFileName = "") {
    HeadlessSession session(
        {{"DefaultFileNameType", type}, {"DefaultFileExt", extension}, {"FileName", storedFileName}});
    return session.openDocument(path)->getDefaultFileNameString();
}

} // namespace

TEST(SourceID, TheDefaultFollowsTheFiveValuesOfThePreference) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("Reel 7"));
    const std::string reel = dir.file("Reel 7");
    for (const std::string& name : shotNames(1, 3, "A001C003_", ".dpx"))
        writeFrameFile(reel + "/" + name, FrameSpec{});
    const std::string opened = reel + "/A001C003_0002.dpx";

    EXPECT_EQ(sourceIDFor(opened, 0, "kept"), "");
    EXPECT_EQ(sourceIDFor(opened, 1), "A001C003_");
    EXPECT_EQ(sourceIDFor(opened, 2), "A001C003_0001"); // the in point: the first frame
    EXPECT_EQ(sourceIDFor(opened, 3), "Reel 7");
    EXPECT_EQ(sourceIDFor(opened, 4, "Tape 12"), "Tape 12");
    EXPECT_EQ(sourceIDFor(opened, 5, "Tape 12"), "");
    EXPECT_EQ(sourceIDFor(opened, -1, "Tape 12"), "");

    // A sequence named by digits only has an empty base name: value 1 gives the in-point file.
    TempDir digits;
    writeFrames(digits, {"0001.dpx", "0002.dpx"});
    EXPECT_EQ(sourceIDFor(digits.file("0002.dpx"), 1), "0001");

    // No sequence: 1 to 3 give nothing, 4 still the stored text.
    writeFile(dir.file("notes_0001.dpx"), {'n', 'o', 't', 'e'});
    for (int32_t type : {1, 2, 3})
        EXPECT_EQ(sourceIDFor(dir.file("notes_0001.dpx"), type), "") << type;
    EXPECT_EQ(sourceIDFor(dir.file("notes_0001.dpx"), 4, "Tape 12"), "Tape 12");
}

TEST(SourceID, TypingStoresEveryIntermediateTextAndTheNextDocumentCanTakeIt) {
    TempDir dir;
    writeFrames(dir, shotNames(1, 2));
    HeadlessSession session({{"DefaultSourceIDType", int32_t(4)}});
    std::shared_ptr<DPXMovieFile> document = session.openDocument(dir.file("shot_0001.dpx"));
    fw::HeadlessTextField& field = sourceIDField(*document);
    session.userDefaults().clearJournal();

    ASSERT_TRUE(field.userType("R1é"));
    ASSERT_TRUE(field.userDeleteBackward());
    ASSERT_TRUE(field.userType("2"));
    ASSERT_TRUE(field.userEndEditing());
    std::vector<std::string> stored;
    for (const fw::MemoryUserDefaults::Write& write : session.userDefaults().writes()) {
        ASSERT_EQ(write.key, "SourceID");
        stored.push_back(std::get<std::string>(write.value));
    }
    EXPECT_EQ(stored, (std::vector<std::string>{"R", "R1", "R1é", "R1", "R12", "R12"}));
    EXPECT_EQ(document->sourceID(), "R12");
    EXPECT_EQ(session.controller().defaultSourceID(), "R12");

    // Preference 4: the next document starts with the source ID set last.
    std::shared_ptr<DPXMovieFile> next = session.openDocument(dir.file("shot_0002.dpx"));
    EXPECT_EQ(next->sourceID(), "R12");
    EXPECT_EQ(sourceIDField(*next).stringValue(), "R12");
}

TEST(ProposedMovieName, ChosenByThePreferenceWithTheMovExtension) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("day1"));
    const std::string day = dir.file("day1");
    for (const std::string& name : shotNames(1, 3, "reel.", ".dpx"))
        writeFrameFile(day + "/" + name, FrameSpec{});
    const std::string opened = day + "/reel.0002.dpx";

    EXPECT_EQ(proposedNameFor(opened, 0), ".mov");
    EXPECT_EQ(proposedNameFor(opened, 1), "reel.mov"); // base "reel." loses its empty extension
    EXPECT_EQ(proposedNameFor(opened, 2), "reel.mov"); // reel.0001 loses .0001
    EXPECT_EQ(proposedNameFor(opened, 3), "day1.mov");
    EXPECT_EQ(proposedNameFor(opened, 4, true, "clip.mov"), "clip.mov");
    EXPECT_EQ(proposedNameFor(opened, 4, true, "take.2"), "take.mov");
    EXPECT_EQ(proposedNameFor(opened, 7, true, "clip.mov"), ".mov");
    // Without the extension preference the name stays as made.
    EXPECT_EQ(proposedNameFor(opened, 0, false), "");
    EXPECT_EQ(proposedNameFor(opened, 1, false), "reel.");
    EXPECT_EQ(proposedNameFor(opened, 2, false), "reel.0001");
    EXPECT_EQ(proposedNameFor(opened, 4, false, "take.2"), "take.2");

    TempDir shots;
    writeFrames(shots, shotNames(1, 2));
    EXPECT_EQ(proposedNameFor(shots.file("shot_0001.dpx"), 1), "shot_.mov");
    TempDir digits;
    writeFrames(digits, {"0001.dpx", "0002.dpx"});
    // An empty base name: each value as above, the base name's value falling back on the in point.
    for (const auto& [type, name] : std::vector<std::pair<int32_t, std::string>>{
             {0, ".mov"}, {1, "0001.mov"}, {2, "0001.mov"}, {4, "clip.mov"}})
        EXPECT_EQ(proposedNameFor(digits.file("0002.dpx"), type, true, "clip"), name) << type;
    EXPECT_EQ(proposedNameFor(digits.file("0002.dpx"), 3),
              std::filesystem::path(digits.path()).filename().string() + ".mov");
    writeFile(shots.file("shot_notes"), {'n', 'o', 't', 'e'});
    EXPECT_EQ(proposedNameFor(shots.file("shot_notes"), 1), ".mov"); // no sequence, no base name
    EXPECT_EQ(proposedNameFor(shots.file("shot_notes"), 1, false), "");

    // The in point moves the name of value 2.
    HeadlessSession session({{"DefaultFileNameType", int32_t(2)}});
    std::shared_ptr<DPXMovieFile> document = session.openDocument(opened);
    frameSlider(*document).userMoveTo(2);
    document->markIn();
    EXPECT_EQ(document->getDefaultFileNameString(), "reel.mov");
}

TEST(ProposedMovieName, TheExtensionRuleOnNamesAndPaths) {
    EXPECT_EQ(withMovieExtension(""), ".mov");
    EXPECT_EQ(withMovieExtension(".mov"), ".mov"); // never a hidden .mov.mov
    EXPECT_EQ(withMovieExtension("/m/.mov"), "/m/.mov");
    EXPECT_EQ(withMovieExtension("shot_"), "shot_.mov");
    EXPECT_EQ(withMovieExtension("reel.0001"), "reel.mov");
    EXPECT_EQ(withMovieExtension("clip.mov"), "clip.mov");
    EXPECT_EQ(withMovieExtension("/m/take.1.dpx"), "/m/take.1.mov");
    EXPECT_EQ(withMovieExtension("/m.d/take"), "/m.d/take.mov");
    EXPECT_EQ(withMovieExtension(".hidden"), ".hidden.mov");
}
