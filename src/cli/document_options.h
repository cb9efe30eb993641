// The movie settings and the range that `describe` and `translate` take on the command line, set
// on an opened document through its window's controls, as a user sets them.
#pragma once

#include "cli/commands.h"

#include <cstdint>
#include <optional>
#include <string>

class DPXMovieFile;
class MyAppController;

struct DocumentOptions {
    std::optional<int32_t> rateTag;
    std::optional<int32_t> codecTag;
    std::optional<int32_t> in;  // first frame of the range, 0-based
    std::optional<int32_t> out; // last frame of the range, included
    // The range in the numbers users see: frame numbers in the file names, or header timecodes
    // (BCD digits hh mm ss ff); each becomes `in` or `out` once the sequence is known.
    std::optional<uint64_t> fromNumber;
    std::optional<uint64_t> toNumber;
    std::optional<uint32_t> fromTimecode;
    std::optional<uint32_t> toTimecode;
    std::optional<std::string> sourceID;
    bool largeFrames = false; // --large-frames: frames up to 16384 in either dimension, set before opening
    std::optional<int32_t> nameAfter; // --name-after: the movie name preference, set before opening
};

/// The lines of a usage text that explain R, C, I, O and S.
extern const char kDocumentOptionsHelp[];

enum class OptionParse { notMine, taken, bad };

/// When args[i] is --rate, --codec, --in, --out, --from, --to, --from-tc, --to-tc or --source-id,
/// takes it and its value (moving i on) into `options`: taken, or bad with `error` set (a missing or
/// unknown value, or two ways of giving one end of the range); --large-frames is taken alone;
/// --name-after takes base, file, folder, text or none.
/// notMine otherwise.
OptionParse parseDocumentOption(const Arguments& args, size_t& i, DocumentOptions& options,
                                std::string& error);

/// Turns frame numbers and timecodes into indices of the opened document's sequence, then says ""
/// when the options can be applied to it; else why not (a number or timecode that no frame has,
/// naming the nearest frames; the start after the end; a frame outside the sequence).
std::string documentOptionsProblem(DocumentOptions& options, const DPXMovieFile& document);

/// Before any opening: what the options say of the application's preferences (the large frames
/// allowance, the movie name preference).
void applySessionOptions(MyAppController& controller, const DocumentOptions& options);

/// Sets the options through the window's controls: the popups chosen, the slider moved to the in
/// and out frames and marked, the source ID typed.
void applyDocumentOptions(DPXMovieFile& document, const DocumentOptions& options);
