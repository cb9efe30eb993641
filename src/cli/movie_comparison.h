// A movie's samples compared with the frames they were made from: sample i against frame i. A sample
// kept in the movie is compared byte for byte with the frame's pixel data; a sample kept in another
// file must point at the frame's own file (the same file, not a copy) at its pixel data.
#pragma once

#include "platform/movie/movie_samples.h"

#include <cstdint>
#include <string>
#include <vector>

struct ExpectedFrame {
    std::string path;
    uint64_t dataOffset = 0; // of its pixel data
    int width = 0;
    int height = 0;
};

struct FrameDifference {
    uint32_t sample = 0; // 1-based
    std::string frame;   // the frame's path; "" when the sequence has no frame for the sample
    std::string reason;  // "bytes differ at offset 1234", "no frame after shot_0130.dpx", ...
};

struct MovieComparison {
    uint64_t compared = 0;               // the movie's samples
    uint64_t differCount = 0;            // all of them, listed or not
    std::vector<FrameDifference> differ; // the first kMaxListed

    /// Millions of samples may differ; the list stays bounded.
    static constexpr size_t kMaxListed = 100'000;
};

/// Compares every sample of `movie` with `frames` (the frames from the movie's first sample on, in
/// order; those past the movie's length are not looked at). A frame that is missing, not a regular
/// file, of another size or too short for its pixel data is a difference, as is a sample with no
/// frame left. Reads in blocks of at most kBlockBytes; nothing is held per sample.
MovieComparison CompareMovieWithFrames(const MovieSamples& movie, const std::vector<ExpectedFrame>& frames);

constexpr size_t kComparisonBlockBytes = size_t(1) << 20;
