// What the scan command tells about an opened sequence beyond the document's own state: the
// entries with the base name that were left out and why, breaks in the numbering, and frames whose
// size or pixel data offset differ from the opened file's.
#pragma once

#include "document/sequence_warnings.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class DPXMovieFile;
class JsonWriter;

// LeftOutEntry (document/sequence_warnings.h): its reason is the one the document's scan gives
// ("no such file", "shorter than 4 bytes", "16-bit RGB: only 10-bit RGB ...", ...), worded in one place.

struct DifferingFrame {
    std::string name;
    int64_t width = 0;
    int64_t height = 0;
    int64_t dataOffset = 0;
};

struct SequenceReport {
    std::vector<LeftOutEntry> leftOut;                              // in numeric order
    std::vector<std::pair<std::string, std::string>> numberingGaps; // [after, before]
    std::vector<DifferingFrame> differingFrames;
};

/// The frame number at the end of a name less its extension, with the text before it:
/// "shot_0005.dpx" gives 5 and "shot_". False when the name ends in no digits (or too many).
bool trailingFrameNumber(const std::string& name, uint64_t& number, std::string& stem);

/// The frames' details as the document's scan kept them, and every other entry of the directory
/// with the base name, looked at again to say why it was left out; the readers' log lines of this
/// second look are kept quiet, since the document's scan has logged them already.
SequenceReport reportSequence(const DPXMovieFile& document);

/// The same from what the document's scan kept, without reading the folder again: the entries left
/// out are those that may be frames (see DPXMovieFile::leftOutEntries()). For listings of many
/// sequences.
SequenceReport reportScannedSequence(const DPXMovieFile& document);

/// The report's "left_out" (objects `name`, `reason`) and "numbering_gaps" (pairs [after, before])
/// keys, as `scan` and `ls` write them.
void writeLeftOut(JsonWriter& json, const SequenceReport& report);
void writeNumberingGaps(JsonWriter& json, const SequenceReport& report);
