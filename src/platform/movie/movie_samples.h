// Where a movie's video frames are: each sample of the first video track located as a file, an
// offset and a byte count, in the movie's own file or in the file its data reference names. This is
// what showing, playing, consolidating and comparing a movie work from; the movie is read once
// and no sample's bytes are read here.
//
//   MovieSamples movie;
//   std::string problem;
//   if (ReadMovieSamples("reel1.mov", movie, problem) == noErr)
//       for (size_t i = 0; i < movie.count(); ++i)
//           read(movie.pathOf(i), movie.samples[i].offset, movie.samples[i].size);
#pragma once

#include "platform/movie/timecode.h"
#include "platform/types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SampleSource {
    uint32_t file = 0;   // index into MovieSamples::files
    uint64_t offset = 0; // of the sample's first byte in that file
    uint32_t size = 0;   // its byte count
};

struct MovieSamples {
    std::string moviePath; // absolute
    OSType codec = 0;      // 'R10k' or 'R10g'
    int width = 0;
    int height = 0;
    TimeScale timeScale = 0;    // of the video media
    uint32_t frameDuration = 0; // of its first sample, in that time scale
    bool selfContained = true;  // every sample is in the movie's own file
    /// The files samples are in, resolved as a reader of the movie resolves them (the recorded
    /// path, else the same file by the relative levels from the movie's folder); "" for a data
    /// reference that names no file.
    std::vector<std::string> files;
    std::vector<SampleSource> samples; // in presentation order

    /// The timecode track's definition and the frame number of its first sample (frames since
    /// 00:00:00:00 under that definition); none without a readable timecode track.
    std::optional<TimeCodeDef> timecodeDef;
    int32_t timecodeStartFrame = 0;
    std::optional<std::string> sourceName; // the timecode's source name

    size_t count() const { return samples.size(); }
    const std::string& pathOf(size_t sample) const { return files[samples[sample].file]; }
    /// Bytes of one frame: width x height x 4 (one 32-bit word a pixel).
    uint64_t frameBytes() const { return uint64_t(width) * uint64_t(height) * 4u; }
};

/// Reads the movie at `path` (a regular file, read within bounds) and locates its video samples.
/// noErr when the movie's first video track is one we can show: codec 'R10k' or 'R10g', a frame size
/// of at least 1x1, sample tables that agree, and every sample exactly width x height x 4 bytes.
/// Otherwise an error status, `out` partly filled, and `problem` says why for the user: "no such
/// file", "not a movie (no movie atom)", "the movie has no video track", "the video is 'v210', not
/// 10-bit RGB ('R10k' or 'R10g')", "frame 12 is 8 bytes; a 4x2 frame is 32", ... Missing or short
/// referenced files are not checked here: whoever reads a sample finds out, frame by frame.
OSErr ReadMovieSamples(const std::string& path, MovieSamples& out, std::string& problem);
