#include "cli/document_options.h"

#include "app/my_app_controller.h"
#include "cli/frame_numbers.h"
#include "document/dpx_movie_file.h"
#include "document/movie_name.h"
#include "document/settings_tables.h"
#include "framefiles/dpx_timecode.h"
#include "framefiles/frame_file_code.h"

#include <charconv>

const char kDocumentOptionsHelp[] =
    "  R: a frame-rate tag 0-8 or 23.976 (23.98), 24, 25, 29.97df, 29.97, 30, 50, 59.94, 60\n"
    "  C: R10k or R10g\n"
    "  I, O: the first and last frame of the range (0-based indices, both included); or\n"
    "        --from N --to M: by the frame numbers in the file names (both included); or\n"
    "        --from-tc T --to-tc T: by the frames' header timecodes (HH:MM:SS:FF)\n"
    "  S: the source ID (the timecode's source name)\n"
    "  --large-frames: accept frames up to 16384 in either dimension (by default at most 2048)\n"
    "  --name-after base|file|folder|text|none: the movie's name from the sequence's base name\n"
    "        (default), its in-point file, its folder, the stored text, or nothing (\".mov\")\n";

namespace {

std::optional<int32_t> parseIndex(const std::string& text) {
    int32_t value = 0;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || text.empty())
        return std::nullopt;
    return value;
}

// The user's acts on the window: each control is set and sends its action, as a click or a
// keystroke does.
void choose(fw::PopUpButton& popup, int32_t tag) {
    popup.selectItemAtIndex(popup.indexOfItemWithTag(tag));
    popup.sendAction();
}

void browseTo(DPXMovieFile& document, int32_t index) {
    fw::Slider& slider = *document.frameSlider();
    slider.setIntValue(index);
    slider.sendAction();
}

void type(fw::TextField& field, const std::string& text) {
    field.setStringValue(text);
    field.textDidChange();
    field.sendAction();
}

/// One end of the range as the user gave it: "--from 149", "--to-tc 01:00:00:02" or "--in 5".
std::string endAsGiven(const DocumentOptions& options, bool start) {
    const std::optional<uint64_t>& number = start ? options.fromNumber : options.toNumber;
    const std::optional<uint32_t>& timecode = start ? options.fromTimecode : options.toTimecode;
    if (number)
        return std::string(start ? "--from " : "--to ") + std::to_string(*number);
    if (timecode)
        return std::string(start ? "--from-tc " : "--to-tc ") + timecodeDigitsText(*timecode);
    return std::string(start ? "--in " : "--out ") + std::to_string(*(start ? options.in : options.out));
}

} // namespace

OptionParse parseDocumentOption(const Arguments& args, size_t& i, DocumentOptions& options,
                                std::string& error) {
    const std::string& arg = args[i];
    if (arg == "--large-frames") {
        options.largeFrames = true;
        return OptionParse::taken;
    }
    if (arg == "--name-after") {
        const std::string value = i + 1 < args.size() ? args[++i] : std::string();
        if (options.nameAfter)
            error = "--name-after given twice";
        else if (!(options.nameAfter = parseNameSourceWord(value)))
            error = "--name-after needs base, file, folder, text or none, not '" + value + "'";
        return error.empty() ? OptionParse::taken : OptionParse::bad;
    }
    const bool byNumber = arg == "--from" || arg == "--to";
    const bool byTimecode = arg == "--from-tc" || arg == "--to-tc";
    if (arg != "--rate" && arg != "--codec" && arg != "--in" && arg != "--out" && arg != "--source-id" &&
        !byNumber && !byTimecode)
        return OptionParse::notMine;
    if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return OptionParse::bad;
    }
    // The last of two values would be taken silently where the user may have meant the first.
    const bool given = arg == "--rate"        ? options.rateTag.has_value()
                       : arg == "--codec"     ? options.codecTag.has_value()
                       : arg == "--source-id" ? options.sourceID.has_value()
                       : arg == "--in"        ? options.in.has_value()
                       : arg == "--out"       ? options.out.has_value()
                       : arg == "--from"      ? options.fromNumber.has_value()
                       : arg == "--to"        ? options.toNumber.has_value()
                       : arg == "--from-tc"   ? options.fromTimecode.has_value()
                                              : options.toTimecode.has_value();
    if (given) {
        error = arg + " given twice";
        return OptionParse::bad;
    }
    const std::string& value = args[++i];
    if (arg == "--rate") {
        options.rateTag = settings::parseFrameRate(value);
        if (!options.rateTag)
            error = "unknown frame rate '" + value + "'";
    } else if (arg == "--codec") {
        options.codecTag = settings::parseCodec(value);
        if (!options.codecTag)
            error = "unknown codec '" + value + "'";
    } else if (arg == "--source-id") {
        options.sourceID = value;
        if (value.size() > DPXMovieFile::kMaxSourceIDBytes)
            error = "--source-id is " + std::to_string(value.size()) +
                    " bytes; the timecode track holds at most " +
                    std::to_string(DPXMovieFile::kMaxSourceIDBytes);
    } else if (byNumber) {
        std::optional<uint64_t> number = parseFrameNumber(value);
        if (!number)
            error = arg + " needs a frame number, not '" + value + "'";
        (arg == "--from" ? options.fromNumber : options.toNumber) = number;
    } else if (byTimecode) {
        std::optional<uint32_t> timecode = parseTimecodeText(value);
        if (!timecode)
            error = arg + " needs a timecode HH:MM:SS:FF, not '" + value + "'";
        (arg == "--from-tc" ? options.fromTimecode : options.toTimecode) = timecode;
    } else {
        std::optional<int32_t> index = parseIndex(value);
        if (!index)
            error = arg + " needs a frame index, not '" + value + "'";
        (arg == "--in" ? options.in : options.out) = index;
    }
    if (error.empty()) {
        const int starts =
            options.in.has_value() + options.fromNumber.has_value() + options.fromTimecode.has_value();
        const int ends =
            options.out.has_value() + options.toNumber.has_value() + options.toTimecode.has_value();
        if (starts > 1 || ends > 1)
            error = "give each end of the range once: --in, --from or --from-tc; --out, --to or --to-tc";
    }
    return error.empty() ? OptionParse::taken : OptionParse::bad;
}

std::string documentOptionsProblem(DocumentOptions& options, const DPXMovieFile& document) {
    if (options.rateTag && document.currentFileCode() == kFileCodeMovie)
        return "a movie plays and is copied at its own rate: --rate can't be given with a movie";
    if (std::string problem = resolveFrameNumbers(options, document); !problem.empty())
        return problem;
    if (options.in && options.out && *options.in > *options.out)
        return endAsGiven(options, true) + " is after " + endAsGiven(options, false);
    for (const std::optional<int32_t>& index : {options.in, options.out}) {
        if (index && (*index < 0 || *index >= document.frameCount()))
            return "frame " + std::to_string(*index) + " is outside the sequence's frames 0-" +
                   std::to_string(document.frameCount() - 1);
    }
    return {};
}

void applySessionOptions(MyAppController& controller, const DocumentOptions& options) {
    if (options.largeFrames)
        controller.setDefaultAllowLargeFrames(true);
    if (options.nameAfter)
        controller.setDefaultQTFileNameType(*options.nameAfter);
}

void applyDocumentOptions(DPXMovieFile& document, const DocumentOptions& options) {
    if (options.rateTag)
        choose(*document.frameRatePopup(), *options.rateTag);
    if (options.codecTag)
        choose(*document.codecPopup(), *options.codecTag);
    if (options.in) {
        browseTo(document, *options.in);
        document.markIn();
    }
    if (options.out) {
        browseTo(document, *options.out);
        document.markOut();
    }
    if (options.sourceID)
        type(*document.sourceIDTextField(), *options.sourceID);
}
