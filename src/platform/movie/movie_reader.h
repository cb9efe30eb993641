// Reads a movie file into its tracks: headers, edits, track references, data references, sample
// descriptions and sample tables, for our own files and those of other writers. The sample tables are
// expanded into one entry per sample (file offset, size, description, duration) on request.
#pragma once

#include "platform/movie/alias_record.h"
#include "platform/movie/atom_tree.h"
#include "platform/types.h"

#include <cstdint>
#include <string>
#include <vector>

struct MovieDataRefInfo {
    OSType type = 0;
    uint32_t flags = 0;
    bool selfContained = false; // flag 1: the data is in the movie's own file
    bool aliasParsed = false;
    AliasRecordInfo alias;
};

struct MovieDescriptionInfo {
    OSType format = 0;
    uint16_t dataRefIndex = 0;
    std::vector<uint8_t> bytes; // the whole entry, size field included
};

struct MovieEditInfo {
    int64_t duration = 0;  // movie time scale
    int64_t mediaTime = 0; // media time scale, -1 for an empty edit
    Fixed rate = 0;
};

struct MovieSampleInfo {
    uint64_t offset = 0;
    uint32_t size = 0;
    uint32_t descriptionIndex = 0; // 1-based
    uint32_t duration = 0;
};

struct MovieTrackInfo {
    uint32_t trackID = 0;
    uint32_t headerFlags = 0; // tkhd: 1 enabled, 2 in movie, 4 in preview
    uint64_t duration = 0;    // movie time scale
    Fixed width = 0;
    Fixed height = 0;
    std::vector<MovieEditInfo> edits;
    std::vector<std::pair<OSType, std::vector<uint32_t>>> references;
    OSType handlerType = 0; // 'vide', 'tmcd', 'soun', ...
    TimeScale timeScale = 0;
    uint64_t mediaDuration = 0;
    std::vector<MovieDataRefInfo> dataRefs;
    std::vector<MovieDescriptionInfo> descriptions;
    std::vector<std::pair<uint32_t, uint32_t>> timeToSample; // (count, duration)
    struct ChunkRun {
        uint32_t firstChunk;
        uint32_t samplesPerChunk;
        uint32_t descriptionIndex;
    };
    std::vector<ChunkRun> sampleToChunk;
    uint32_t commonSampleSize = 0; // stsz's uniform size, 0 when sizes are listed
    uint32_t sampleCount = 0;
    std::vector<uint32_t> sampleSizes;
    std::vector<uint64_t> chunkOffsets;
    bool chunkOffsets64 = false; // 'co64'

    bool enabled() const { return headerFlags & 1; }
};

struct MovieFileInfo {
    std::string path;
    AtomTree tree;
    TimeScale timeScale = 0;
    uint64_t duration = 0;
    uint32_t nextTrackID = 0;
    std::vector<MovieTrackInfo> tracks;
    std::vector<std::string> problems; // the tree's and the tables'
};

/// Reads the movie at path. noErr when the file could be read (what is wrong with it is in
/// info.problems); fnfErr or ioErr when it could not; invalidMovie when it has no movie atom.
OSErr ReadMovieFile(const std::string& path, MovieFileInfo& info);

/// The track's samples one at a time, from its tables, without holding them all: a table may claim
/// millions of samples in a few bytes.
class SampleWalker {
public:
    /// False (with a problem text) when the tables disagree on the number of samples.
    SampleWalker(const MovieTrackInfo& track);
    bool valid() const { return m_problem.empty(); }
    /// The next sample; false at the end or when the tables fail (problem() then says how).
    bool next(MovieSampleInfo& sample);
    /// Samples given so far.
    uint32_t count() const { return m_index; }
    const std::string& problem() const { return m_problem; }

private:
    bool fail(std::string text);
    const MovieTrackInfo& m_track;
    std::string m_problem;
    uint32_t m_index = 0;   // samples given
    size_t m_chunk = 0;     // 0-based chunk of the next sample
    size_t m_run = 0;       // its sample-to-chunk run
    uint32_t m_inChunk = 0; // samples given from the current chunk
    uint64_t m_offset = 0;  // of the next sample in the current chunk
    size_t m_timeEntry = 0; // time-to-sample entry of the next sample
    uint32_t m_inTimeEntry = 0;
};

/// One entry per sample, from the track's tables. False (with a problem text) when the tables
/// disagree (counts, indexes) or claim more samples than can be held.
bool ExpandSamples(const MovieTrackInfo& track, std::vector<MovieSampleInfo>& samples, std::string& problem);
