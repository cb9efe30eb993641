// What a movie file holds, checked: its video track (codec, size, rate, frames), its timecode (start
// and source name), and for samples kept in other files whether each file is there and long enough to
// hold the sample's bytes at its offset. The front end decides how to show it.
#pragma once

#include "platform/movie/movie_reader.h"
#include "platform/movie/timecode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ReferenceCheck {
    uint32_t sample = 0; // 1-based sample number in the video track
    std::string path;    // the file the reference resolved to (the named path when missing)
    uint64_t offset = 0;
    uint32_t size = 0;
    bool present = false; // the file exists and can be opened
    bool ok = false;      // and holds offset + size bytes
};

struct TrackSummary {
    uint32_t trackID = 0;
    OSType handlerType = 0;
    OSType format = 0; // first sample description's data format
    int width = 0;     // from the description (video)
    int height = 0;
    TimeScale timeScale = 0;
    uint32_t frameDuration = 0; // the first sample's duration
    bool uniformDuration = true;
    uint32_t samples = 0;
    uint64_t mediaDuration = 0;
    bool enabled = false;
};

struct MovieInspection {
    MovieFileInfo file;
    std::vector<TrackSummary> tracks;
    std::optional<TrackSummary> video;   // the first video track
    bool selfContained = true;           // every video sample is in the movie's own file
    std::optional<std::string> timecode; // "hh:mm:ss:ff", ';' before the frames for drop frame
    bool dropFrame = false;
    std::optional<TimeCodeDef> timecodeDef;
    std::optional<std::string> sourceName;
    std::vector<ReferenceCheck> references;
    std::vector<std::string> problems;

    /// Sound: read without problems, a video track, every sample where it is said to be.
    bool sound() const { return problems.empty(); }
};

/// Reads and checks the movie at path. Returns the status of reading it (noErr, fnfErr, ioErr,
/// invalidMovie); problems of a readable file are in inspection.problems.
OSErr InspectMovie(const std::string& path, MovieInspection& inspection);

/// "23.976" for 2997/125: the rate with up to three decimals, trailing zeros dropped.
std::string FormatFrameRate(TimeScale timeScale, uint32_t frameDuration);
