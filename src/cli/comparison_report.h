// How `verify --against` shows a movie's comparison with its frames: one line in text, an object in
// JSON.
#pragma once

#include "cli/json.h"
#include "cli/movie_comparison.h"

#include <string>

struct FrameComparison {
    std::string frame;   // as the user named it
    std::string problem; // why nothing was compared; "" when compared
    MovieComparison result;

    bool identical() const { return problem.empty() && result.differCount == 0; }
};

/// "against shot_0100.dpx: 30 frames compared, 2 differ: sample 3 (shot_0102.dpx), ..." (the first
/// 20 named), then each named one's reason on a line of its own; or "..., all identical".
void printComparisonText(const FrameComparison& comparison);

/// The "against" member: {"frame", "compared", "differ": [{"sample", "frame", "reason"}],
/// "differ_count"}; "frame" of a difference is null when the sequence has no frame for the sample.
void writeComparisonJson(JsonWriter& json, const FrameComparison& comparison);
