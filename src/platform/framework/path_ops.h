// The framework string's path operations, on POSIX paths held as UTF-8.
//
// Each operation first tidies the path as the platform does: runs of slashes become one and a
// trailing slash is dropped (the root "/" stays). They work on the text only; the file system is
// never asked. Since '/' and '.' are ASCII, no UTF-8 character is ever split.
//
//   path                  lastPathComponent  stringByDeletingLastPathComponent  pathExtension  stringByDeletingPathExtension
//   "/tmp/scratch.tiff"   "scratch.tiff"     "/tmp"                             "tiff"         "/tmp/scratch"
//   "/tmp/lock/"          "lock"             "/tmp"                             ""             "/tmp/lock"
//   "/tmp"                "tmp"              "/"                                ""             "/tmp"
//   "/"                   "/"                "/"                                ""             "/"
//   "scratch.tiff"        "scratch.tiff"     ""                                 "tiff"         "scratch"
//   ""                    ""                 ""                                 ""             ""
//   "a//b///"             "b"                "a"                                ""             "a/b"
//   "/d/.profile"         ".profile"         "/d"                               ""             "/d/.profile"
//   "shot.0001"           "shot.0001"        ""                                 "0001"         "shot"
//   "scratch..tiff"       "scratch..tiff"    ""                                 "tiff"         "scratch."
//   "name."               "name."            ""                                 ""             "name"
//   "/d/.."               ".."               "/d"                               ""             "/d/.."
//   "a.b/c"               "c"                "a.b"                              ""             "a.b/c"
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fw {

/// The path with runs of slashes made one and a trailing slash dropped ("/" stays "/").
std::string stringByFixingSlashes(std::string_view path);

/// The last component of the tidied path; "/" for the root, "" for "".
std::string lastPathComponent(std::string_view path);

/// The tidied path less its last component and the slash before it: "/" when only the root is
/// left, "" for a single relative component.
std::string stringByDeletingLastPathComponent(std::string_view path);

/// The text after the last dot of the last component. A dot that is the component's first
/// character begins no extension (".profile" has none, nor has ".."); a trailing dot gives "".
std::string pathExtension(std::string_view path);

/// The tidied path less the last dot of its last component and what follows it, under the same
/// rule as pathExtension: "shot.0001.dpx" gives "shot.0001", ".tiff" stays ".tiff".
std::string stringByDeletingPathExtension(std::string_view path);

/// The path joined with a component by one slash: ("/tmp", "a") and ("/tmp/", "a") give "/tmp/a",
/// ("/", "a") gives "/a", ("", "a") gives "a", (path, "") gives the path unchanged.
std::string stringByAppendingPathComponent(std::string_view path, std::string_view component);

/// The path (less a trailing slash) with "." and the extension appended, tidied: ("clip", "mov")
/// gives "clip.mov", ("shot_", "mov") gives "shot_.mov". No result (nullopt) for an empty path, the
/// root, or an extension that starts with a slash. ("", "mov") has none: callers wanting ".mov"
/// build it themselves.
std::optional<std::string> stringByAppendingPathExtension(std::string_view path, std::string_view extension);

} // namespace fw
