// The files a movie's data references name, resolved as a reader of the movie resolves them, and
// what became of each: the movie checks and the sample locations share this so that both find the
// same file for a reference.
#pragma once

#include "platform/movie/movie_reader.h"

#include <cstdint>
#include <map>
#include <string>

/// What became of a file a reference names, looked up once per path.
struct FileLookup {
    bool present = false; // a regular file that could be opened
    uint64_t size = 0;
    std::string why; // when not present: "missing", "not a regular file", ...
};

/// Looks each path up once; nothing of a file is read.
class ReferencedFiles {
public:
    const FileLookup& lookup(const std::string& path);

private:
    std::map<std::string, FileLookup> m_files;
};

/// The file a data reference names, seen from the movie (an absolute, normalised path): the movie
/// itself for a self-contained reference; else the path it records, else the same file by the
/// relative levels between the movie's folder and it; a recorded path that is itself relative is
/// taken from the movie's folder, never from the current directory. "" when it names no file.
std::string ResolveDataRef(const MovieDataRefInfo& ref, const std::string& moviePath, ReferencedFiles& files);

/// The data reference a sample's description names, or null (with its 1-based index in `refIndex`)
/// when the description names none of the track's.
const MovieDataRefInfo* SampleDataRef(const MovieTrackInfo& track, const MovieSampleInfo& sample,
                                      uint16_t& refIndex);
