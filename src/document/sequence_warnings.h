// What the sequence scan keeps of each frame, and the warnings about a range of it: nothing that the
// sequence rules leave out, and nothing about frames that would make a wrong movie, goes unsaid.
//
// The rules themselves stay: every entry with the base name as its prefix that is a usable frame is
// in the sequence, in numeric order. The warnings say where that gives something the user may not
// expect: a break in the numbering, entries left out, two names with one number (frame1, frame01),
// names of another pattern that came in through the prefix (shot_v2_0001 among shot_0001...),
// frames of another size or pixel data offset, and header timecodes that don't count on by one.
#pragma once

#include "platform/movie/timecode.h"

#include <cstdint>
#include <string>
#include <vector>

/// One frame of the sequence as the scan found it.
struct ScannedFrame {
    int32_t width = 0;
    int32_t height = 0;
    int32_t dataOffset = 0;
    uint32_t timecode = 0xFFFFFFFF; // the DPX header's time code; all ones: none (Cineon, unset)
};

/// An entry with the base name that is not in the sequence, and why. The document's scan keeps those
/// that may be frames: DPX or Cineon files (either byte order) and files with the opened extension.
struct LeftOutEntry {
    std::string name;
    std::string reason;
};

enum class SequenceWarningKind {
    numberingBreak, // consecutive frames whose numbers differ by more than one
    leftOut,        // entries with the base name that aren't usable frames
    sameNumber,     // two names that carry the same number
    otherPattern,   // names that share the prefix but not the opened name's pattern
    sizeDiffers,    // frames of another size than the document's
    offsetDiffers,  // frames whose pixel data starts elsewhere than the range's first frame's
    timecodeBreak,  // header timecodes that don't count on by one frame at the movie's rate
};

/// The JSON name of a kind: "numbering_break", "left_out", "same_number", "other_pattern",
/// "size_differs", "offset_differs", "timecode_break".
const char* sequenceWarningKindName(SequenceWarningKind kind);

struct SequenceWarning {
    SequenceWarningKind kind;
    std::string text; // one line, naming the frames (at most a few, then how many more)
};

/// Everything the warnings are made from.
struct SequenceWarningInput {
    const std::vector<std::string>* names = nullptr;   // the sequence, in order
    const std::vector<ScannedFrame>* frames = nullptr; // one per name
    const std::vector<LeftOutEntry>* leftOut = nullptr;
    std::string baseName;   // the opened name less extension and trailing digits
    std::string openedName; // the opened file's name, whose pattern the others should have
    int32_t inFrame = 0;    // the range, out exclusive
    int32_t outFrame = 0;
    int32_t frameWidth = 0; // the document's frame size
    int32_t frameHeight = 0;
    TimeCodeDef timecodeDef{}; // the movie's counting
};

/// The warnings for the range, one per kind that applies, in the kinds' order. Left-out entries
/// concern the whole sequence, the other kinds the range.
std::vector<SequenceWarning> sequenceWarnings(const SequenceWarningInput& input);
