// What both the movie checks and the sample locations ask of a video track, said the same way.
//
// How many samples it may claim before its tables are walked: tables of a few bytes can claim
// billions of samples of one size, all in one chunk; real movies spend bytes on their samples (a
// chunk offset, a size, a data reference each, or at least a few per chunk), so the count a header
// can describe grows with its size.
#pragma once

#include "platform/movie/movie_reader.h"

#include <cstdint>
#include <string>
#include <utility>

/// The bytes of the movie atom (0 without one).
uint64_t MovieHeaderSize(const MovieFileInfo& file);

/// Why the track's sample count can't be believed, or "": more than a header of `headerSize` bytes
/// can describe, or samples of one size all in the movie's own file that it can't hold.
std::string ImplausibleSampleCount(const MovieTrackInfo& track, uint64_t movieFileSize, uint64_t headerSize);

/// The width and height an image description gives; 0 x 0 when it is too short to say.
std::pair<int, int> DescriptionFrameSize(const MovieDescriptionInfo& description);

/// "frame 12 is 8 bytes; a 4x2 frame is 32" (frames numbered from 1).
std::string WrongFrameSizeText(uint32_t frame, uint32_t size, int width, int height);
