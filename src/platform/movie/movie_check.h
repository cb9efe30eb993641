// What a movie file holds, checked: its video track (codec, size, rate, frames), its timecode (start
// and source name), and for samples kept in other files whether each file is there and long enough to
// hold the sample's bytes at its offset. The front end decides how to show it.
#pragma once

#include "platform/movie/movie_reader.h"
#include "platform/movie/timecode.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct ReferenceCheck {
    uint32_t sample = 0; // 1-based sample number in the video track
    std::string path;    // the file the reference resolved to (the named path when missing)
    uint64_t offset = 0;
    uint32_t size = 0;
    bool present = false;  // the file exists, is a regular file and can be opened
    uint64_t fileSize = 0; // its size, when present
    bool ok = false;       // and holds offset + size bytes
};

/// The frame size a referenced file's own header gives now, or nullopt when it has no readable frame
/// header. The movie layer knows no frame formats: the caller that does supplies this.
using FrameSizeProbe = std::function<std::optional<std::pair<int, int>>(const std::string& path)>;

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
    std::vector<ReferenceCheck> references; // the first kMaxListedReferences samples kept elsewhere
    uint64_t referenceCount = 0;            // every sample kept in another file, listed or not
    std::vector<std::string> problems;

    /// A header can make millions of samples point elsewhere; the list stays bounded.
    static constexpr size_t kMaxListedReferences = 100'000;

    /// Sound: read without problems, a video track, every sample where it is said to be.
    bool sound() const { return problems.empty(); }
};

/// Reads and checks the movie at path. Returns the status of reading it (noErr, fnfErr, ioErr,
/// invalidMovie); problems of a readable file are in inspection.problems. Every file opened (the movie,
/// the files references name) must be a regular file; none is waited on, and nothing of a referenced
/// file is read but, through frameSize (when given), the header of a frame a sample points into.
OSErr InspectMovie(const std::string& path, MovieInspection& inspection,
                   const FrameSizeProbe& frameSize = {});

/// "23.976" for 2997/125: the rate with up to three decimals, trailing zeros dropped.
std::string FormatFrameRate(TimeScale timeScale, uint32_t frameDuration);
