// The records behind the toolbox's opaque types. Internal to the movie toolbox.
#pragma once

#include "platform/movie/movie_storage.h"
#include "platform/movie/movies.h"
#include "platform/movie/sample_table.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

/// One segment of a track: media time [mediaTime, mediaTime + duration), or an empty segment
/// (mediaTime -1). duration is counted in durationScale units.
struct TrackEdit {
    int64_t mediaTime = 0;
    int64_t duration = 0;
    TimeScale durationScale = 1;
};

struct MediaHandlerRecord {
    MediaRecord* media = nullptr;
    int32_t timeCodeFlags = 0; // display flags of the timecode handler
};

/// A data reference of a media: the movie's own file, or a file named by an alias.
struct MediaDataRef {
    bool self = false;
    std::string path; // absolute, for an alias
};

struct MediaRecord {
    TrackRecord* track = nullptr;
    OSType type = 0;
    TimeScale timeScale = 600;
    SampleTable samples;
    std::vector<MediaDataRef> dataRefs; // index i+1 in the file
    std::unordered_map<std::string, short> dataRefIndexByPath;
    short selfDataRef = 0; // index of the movie's own file, 0 until a sample needs it
    MediaHandlerRecord handler;
    bool editing = false;
};

struct TrackReferenceList {
    OSType type = 0;
    std::vector<uint32_t> trackIDs;
};

struct TrackRecord {
    MovieRecord* movie = nullptr;
    uint32_t trackID = 0;
    bool enabled = true;
    Fixed width = 0;
    Fixed height = 0;
    int16_t volume = 0;
    std::vector<TrackEdit> edits;
    std::unique_ptr<MediaRecord> media;
    std::vector<TrackReferenceList> references;
};

struct MovieRecord {
    TimeScale timeScale = 600;
    std::vector<std::unique_ptr<TrackRecord>> tracks;
    uint32_t nextTrackID = 1;
    uint32_t creationTime = 0; // seconds since 1904-01-01
    std::shared_ptr<MovieStorage> storage;
    DataHandlerRecord* dataHandler = nullptr; // while the storage is open
};

struct DataHandlerRecord {
    std::shared_ptr<MovieStorage> storage;
    MovieRecord* movie = nullptr; // null once the movie is disposed
    bool flushOnClose = false;
};

/// Sets the status that GetMoviesError reports on this thread.
void SetMoviesError(OSErr err);

/// value (in `from` units) in `to` units, rounded to nearest.
int64_t RescaleTime(int64_t value, TimeScale from, TimeScale to);

/// A track's duration in its movie's time scale.
int64_t TrackDurationInMovieScale(const TrackRecord& track);

/// The 'moov' atom of a movie written at moviePath (for the relative levels of its aliases); empty when
/// it cannot be represented (an atom past 4 GiB).
std::vector<uint8_t> BuildMovieAtom(const MovieRecord& movie, const std::string& moviePath);

/// The absolute path named by an 'alis' data reference handle, or empty when it names none.
std::string DataRefPath(Handle dataRef, OSType dataRefType);
