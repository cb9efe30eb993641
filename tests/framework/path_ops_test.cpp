#include "platform/framework/path_ops.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace fw;

namespace {

struct PathCase {
    std::string path;
    std::string last;
    std::string deletingLast;
    std::string extension;
    std::string deletingExtension;
};

// The platform's own documented examples, the leading-dot rule, slash runs and the sequence names
// that the base-name rule meets.
const std::vector<PathCase> kCases = {
    {"/tmp/scratch.tiff", "scratch.tiff", "/tmp", "tiff", "/tmp/scratch"},
    {"/tmp/lock/", "lock", "/tmp", "", "/tmp/lock"},
    {"/tmp", "tmp", "/", "", "/tmp"},
    {"/", "/", "/", "", "/"},
    {"//", "/", "/", "", "/"},
    {"", "", "", "", ""},
    {"scratch.tiff", "scratch.tiff", "", "tiff", "scratch"},
    {"a//b///", "b", "a", "", "a/b"},
    {"/d/.profile", ".profile", "/d", "", "/d/.profile"},
    {".tiff", ".tiff", "", "", ".tiff"},
    {"/d/.hidden.dpx", ".hidden.dpx", "/d", "dpx", "/d/.hidden"},
    {"scratch..tiff", "scratch..tiff", "", "tiff", "scratch."},
    {"name.", "name.", "", "", "name"},
    {"/d/..", "..", "/d", "", "/d/.."},
    {"/d/.", ".", "/d", "", "/d/."},
    {"...", "...", "", "", ".."},
    {"a.b/c", "c", "a.b", "", "a.b/c"},
    {"scratch.bundle/", "scratch.bundle", "", "bundle", "scratch"},
    {"/seq/shot_0001.dpx", "shot_0001.dpx", "/seq", "dpx", "/seq/shot_0001"},
    {"/seq/shot.0001.dpx", "shot.0001.dpx", "/seq", "dpx", "/seq/shot.0001"},
    {"/seq/shot.0001", "shot.0001", "/seq", "0001", "/seq/shot"},
    {"/seq/0001.dpx", "0001.dpx", "/seq", "dpx", "/seq/0001"},
    {"/seq/frame", "frame", "/seq", "", "/seq/frame"},
    {"/séq/épreuve_٠١.dpx", "épreuve_٠١.dpx", "/séq", "dpx", "/séq/épreuve_٠١"},
};

} // namespace

TEST(PathOps, TableOfPaths) {
    for (const PathCase& c : kCases) {
        SCOPED_TRACE("path \"" + c.path + "\"");
        EXPECT_EQ(lastPathComponent(c.path), c.last);
        EXPECT_EQ(stringByDeletingLastPathComponent(c.path), c.deletingLast);
        EXPECT_EQ(pathExtension(c.path), c.extension);
        EXPECT_EQ(stringByDeletingPathExtension(c.path), c.deletingExtension);
    }
}

TEST(PathOps, AppendingComponentUsesOneSlash) {
    EXPECT_EQ(stringByAppendingPathComponent("/tmp", "scratch.tiff"), "/tmp/scratch.tiff");
    EXPECT_EQ(stringByAppendingPathComponent("/tmp/", "scratch.tiff"), "/tmp/scratch.tiff");
    EXPECT_EQ(stringByAppendingPathComponent("/", "scratch.tiff"), "/scratch.tiff");
    EXPECT_EQ(stringByAppendingPathComponent("", "scratch.tiff"), "scratch.tiff");
    EXPECT_EQ(stringByAppendingPathComponent("/tmp", ""), "/tmp");
    // The directory of a relative single-component path is "": joining gives the name back.
    const std::string path = "shot_0001.dpx";
    EXPECT_EQ(stringByAppendingPathComponent(stringByDeletingLastPathComponent(path), "shot_0002.dpx"),
              "shot_0002.dpx");
}

TEST(PathOps, AppendingExtension) {
    EXPECT_EQ(stringByAppendingPathExtension("shot_", "mov"), std::optional<std::string>("shot_.mov"));
    EXPECT_EQ(stringByAppendingPathExtension("/d/reel/", "mov"), std::optional<std::string>("/d/reel.mov"));
    EXPECT_EQ(stringByAppendingPathExtension("/d//reel", "mov"), std::optional<std::string>("/d/reel.mov"));
    EXPECT_EQ(stringByAppendingPathExtension("", "mov"), std::nullopt);
    EXPECT_EQ(stringByAppendingPathExtension("/", "mov"), std::nullopt);
    EXPECT_EQ(stringByAppendingPathExtension("clip", "/mov"), std::nullopt);
    // The movie-name rule: lose the last extension, then add "mov".
    EXPECT_EQ(stringByAppendingPathExtension(stringByDeletingPathExtension("reel.0001"), "mov"),
              std::optional<std::string>("reel.mov"));
    EXPECT_EQ(stringByAppendingPathExtension(stringByDeletingPathExtension("/d/clip.mp4"), "mov"),
              std::optional<std::string>("/d/clip.mov"));
}
