// A movie's timecode track read back: its definition, source name and the frame number its first
// sample holds. The movie checks and the sample locations share it.
#pragma once

#include "platform/movie/data_ref_resolution.h"
#include "platform/movie/movie_reader.h"
#include "platform/movie/timecode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// The timecode track the video track refers to, else the first timecode track; null for none.
const MovieTrackInfo* TimecodeTrackFor(const MovieFileInfo& file, const MovieTrackInfo* video);

struct TimecodeReading {
    std::optional<TimeCodeDef> def; // from the description
    std::optional<std::string> sourceName;
    /// The first sample's frame number; read only when the sample is in the movie's own file (a
    /// reference could name any file of the user's).
    std::optional<int32_t> startFrame;
    std::vector<std::string> problems; // "timecode track 2: ..."
};

/// Reads the track's description and first sample; `moviePath` is the movie's absolute path.
TimecodeReading ReadTimecodeTrack(const MovieTrackInfo& track, const std::string& moviePath,
                                  ReferencedFiles& files);
