// Movies written through the toolbox calls in the order the export makes them, with pixel words made
// here, and the expectations to check them against.
#pragma once

#include "platform/memory.h"
#include "platform/movie/movies.h"
#include "platform/movie/timecode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace moviefixtures {

struct Rate {
    const char* name;
    TimeScale timeScale;
    TimeValue frameDuration;
    bool dropFrame;
    const char* probedRate; // ffprobe's r_frame_rate
};

/// The rates of the document's frame-rate table that the tests cover.
const std::vector<Rate>& testRates();

/// Frame `index` of a width x height movie: one big-endian word per pixel, R<<22 | G<<12 | B<<2, with
/// values that differ per pixel, per component and per frame.
std::vector<uint8_t> framePixels(int width, int height, int index);

/// The 86-byte image description the export builds.
HandleOwner makeImageDescription(OSType codec, int width, int height, uint16_t frameCount);

/// The 38-byte timecode description the export builds (dataRefIndex 0, no source reference).
HandleOwner makeTimeCodeDescription(const TimeCodeDef& def);

struct MoviePlan {
    std::string path;
    OSType codec = FourCC("R10k");
    int width = 48;
    int height = 32;
    int frames = 3;
    TimeScale timeScale = 3000;
    TimeValue frameDuration = 125;
    bool dropFrame = false;
    std::optional<TimeCodeRecord> startTimecode;
    std::string sourceName;
    /// Reference movie: one file per frame, the pixels at referenceOffsets[i] (else copied samples).
    std::vector<std::string> referenceFiles;
    std::vector<long> referenceOffsets;
    bool replaceExisting = true;
    /// The timecode sample kept in this other file at this offset (a hostile movie's), not in the movie.
    std::string timecodeReferenceFile;
    long timecodeReferenceOffset = 0;
    /// Copied samples taken from these files at these offsets (AddMediaSampleFromFile), not from memory.
    std::vector<std::string> sampleFiles;
    std::vector<long> sampleFileOffsets;
    /// Sparse gap left in the media data after this many frames (0: none).
    int gapAfterFrames = 0;
    uint64_t gapBytes = 0;
};

struct WriteResult {
    OSErr firstError = noErr; // the first non-zero status of any call
    std::string failingCall;
    OSErr closeStatus = noErr;
    MovieStorageCopies copies; // how the samples from files were written
};

/// Writes the movie as the export does: storage, video track and media, samples, insertion, the
/// timecode track with its source name and the video track's reference, header, close.
WriteResult writeMovie(const MoviePlan& plan);

/// Writes frame files for a reference movie: `headerBytes` of filler, then the frame's pixel words.
std::vector<std::string> writeFrameFiles(const std::string& directory, const MoviePlan& plan,
                                         long headerBytes);

/// The frames as ffmpeg decodes R10k into gbrp10le (G, B, R planes of 16-bit little-endian values),
/// written to a file for `ffmpeg -f rawvideo`.
void writeExpectedPlanes(const std::string& path, const MoviePlan& plan);

/// ffmpeg's md5 of the movie's decoded video, and of the expected planes.
std::string decodedMd5(const std::string& moviePath);
std::string expectedMd5(const std::string& planesPath, const MoviePlan& plan);

TimeCodeRecord timecode(int hours, int minutes, int seconds, int frames);

} // namespace moviefixtures
