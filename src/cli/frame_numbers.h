// Ranges in the numbers users see: the frame numbers in the file names and the frames' header
// timecodes, turned into the 0-based indices of an opened sequence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class DPXMovieFile;
struct DocumentOptions;

/// "1001" gives 1001; anything but decimal digits, or a number above 2^64 - 1, gives nullopt.
std::optional<uint64_t> parseFrameNumber(const std::string& text);

/// "01:00:00:12" (';' or '.' also before the frames, as drop-frame timecodes are written) gives the
/// BCD digits 0x01000012; hours up to 23, minutes and seconds up to 59, frames up to 59.
std::optional<uint32_t> parseTimecodeText(const std::string& text);

/// The BCD digits hh mm ss ff as "hh:mm:ss:ff", every bit a digit (no flag masked).
std::string timecodeDigitsText(uint32_t digits);

/// Sets options.in and options.out from --from/--to and --from-tc/--to-tc: the first frame of the
/// sequence with that number, or whose header carries that timecode. "" when every one was found;
/// else a usage problem that names the nearest frames, or the frame count that the movie's rate
/// (--rate, else the document's) doesn't have.
std::string resolveFrameNumbers(DocumentOptions& options, const DPXMovieFile& document);
