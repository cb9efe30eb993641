// Movie file names: the extension "mov" that the movie name preference gives them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The name or path less its last extension (the last dot of its last component and what follows,
/// a leading dot excepted), then with ".mov" appended: "shot_" gives "shot_.mov", "reel.0001"
/// "reel.mov", "clip.mov" stays "clip.mov", "/m/take.1.dpx" gives "/m/take.1.mov", "" gives ".mov".
std::string withMovieExtension(std::string_view name);

/// What a sequence's movie name is made from (see NameSourceType).
struct MovieNameSource {
    int32_t type = 1;                           // the movie file name preference
    std::string baseName;                       // the sequence's base name
    std::string inPointFile;                    // the in-point frame's file name ("" for none)
    std::string directoryPath;                  // the sequence's folder
    std::string storedText;                     // the text stored last as the movie name
    bool movieExtension = true;                 // the extension preference
};

/// The movie name proposed for a sequence: its base name (the in-point file's name less its
/// extension when the base name is empty), the in-point file's name less its extension, its
/// folder's name, the stored text, or nothing; then ".mov" when the extension preference is on.
std::string proposedMovieName(const MovieNameSource& source);

/// The name preference's values as the command line gives them: base, file, folder, text, none.
std::optional<int32_t> parseNameSourceWord(std::string_view word);
