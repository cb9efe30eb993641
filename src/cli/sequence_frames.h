// The frames of a frame file's sequence from that frame on, found as the document finds them, for
// comparing a movie with what it was made from.
#pragma once

#include "cli/movie_comparison.h"

#include <cstddef>
#include <string>
#include <vector>

/// Opens `frame`'s sequence as `translate` does (no frame shown; large frames allowed, since a
/// movie of them may have been made) and gives its frames from `frame` on, at most `limit` of them.
/// False with `problem` ("couldn't open file FRAME: REASON") when the sequence doesn't open.
bool FramesFrom(const std::string& frame, size_t limit, std::vector<ExpectedFrame>& frames,
                std::string& problem);
