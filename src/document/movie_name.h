// Movie file names: the extension "mov" that the movie name preference gives them.
#pragma once

#include <string>
#include <string_view>

/// The name or path less its last extension (the last dot of its last component and what follows,
/// a leading dot excepted), then with ".mov" appended: "shot_" gives "shot_.mov", "reel.0001"
/// "reel.mov", "clip.mov" stays "clip.mov", "/m/take.1.dpx" gives "/m/take.1.mov", "" gives ".mov".
std::string withMovieExtension(std::string_view name);
