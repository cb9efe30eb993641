#include "document/sequence_warnings.h"

#include "document/frame_number.h"

#include "export/timecode_values.h"
#include "framefiles/dpx_timecode.h"
#include "platform/framework/path_ops.h"
#include "platform/framework/unicode_text.h"

#include <algorithm>
#include <optional>

namespace {

constexpr size_t kNamedAtMost = 5; // names in one line before "and N more"

// "a, b, c and 4 more": the first few items of a group, then how many more there are.
std::string listed(const std::vector<std::string>& items) {
    std::string text;
    for (size_t i = 0; i < items.size() && i < kNamedAtMost; ++i)
        text += (i ? ", " : "") + items[i];
    if (items.size() > kNamedAtMost)
        text += " and " + std::to_string(items.size() - kNamedAtMost) + " more";
    return text;
}

std::string sizeText(int32_t width, int32_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

// The frame number of a name of the opened name's pattern (base name, decimal digits, the opened
// extension); not samePattern for a name of another pattern, no number when the pattern carries no
// digits at all.
struct NameNumber {
    bool samePattern = false;
    std::optional<uint64_t> number;
};

NameNumber numberOfName(const std::string& name, const std::string& baseName, const std::string& extension) {
    NameNumber result;
    if (fw::pathExtension(name) != extension)
        return result;
    const std::string stem = fw::stringByDeletingPathExtension(name);
    if (stem.compare(0, baseName.size(), baseName) != 0)
        return result;
    const std::string digits = stem.substr(baseName.size());
    if (!fw::deletingTrailingDecimalDigits(digits).empty())
        return result;
    result.number = frameNumberOfDigits(digits);
    // Digits beyond what a number holds make a name of another pattern.
    result.samePattern = digits.empty() || result.number.has_value();
    return result;
}

} // namespace

const char* sequenceWarningKindName(SequenceWarningKind kind) {
    switch (kind) {
    case SequenceWarningKind::numberingBreak:
        return "numbering_break";
    case SequenceWarningKind::leftOut:
        return "left_out";
    case SequenceWarningKind::sameNumber:
        return "same_number";
    case SequenceWarningKind::otherPattern:
        return "other_pattern";
    case SequenceWarningKind::sizeDiffers:
        return "size_differs";
    case SequenceWarningKind::offsetDiffers:
        return "offset_differs";
    case SequenceWarningKind::timecodeBreak:
        return "timecode_break";
    }
    return "";
}

std::vector<SequenceWarning> sequenceWarnings(const SequenceWarningInput& input) {
    std::vector<SequenceWarning> warnings;
    if (!input.names || !input.frames || input.names->size() != input.frames->size())
        return warnings;
    const std::vector<std::string>& names = *input.names;
    const std::vector<ScannedFrame>& frames = *input.frames;
    const int32_t in = std::max<int32_t>(input.inFrame, 0);
    const int32_t out = std::min<int32_t>(input.outFrame, int32_t(names.size()));
    const std::string extension = fw::pathExtension(input.openedName);
    if (in >= out)
        return warnings; // no range: no frames to compare

    std::vector<std::string> breaks, sameNumbers, otherPatterns, otherSizes, otherOffsets;
    std::optional<uint64_t> previousNumber;
    int32_t previousNumbered = -1;
    for (int32_t i = in; i < out; ++i) {
        const std::string& name = names[size_t(i)];
        const ScannedFrame& frame = frames[size_t(i)];
        const NameNumber number = numberOfName(name, input.baseName, extension);
        if (!number.samePattern) {
            otherPatterns.push_back(name);
        } else if (number.number) {
            if (previousNumber && *number.number == *previousNumber)
                sameNumbers.push_back(names[size_t(previousNumbered)] + " and " + name);
            else if (previousNumber && *number.number > *previousNumber + 1)
                breaks.push_back(names[size_t(previousNumbered)] + " to " + name + " (" +
                                 std::to_string(*number.number - *previousNumber - 1) + " missing)");
            previousNumber = number.number;
            previousNumbered = i;
        }
        if (frame.width != input.frameWidth || frame.height != input.frameHeight)
            otherSizes.push_back(name + " (" + sizeText(frame.width, frame.height) + ")");
        if (frame.dataOffset != frames[size_t(in)].dataOffset)
            otherOffsets.push_back(name + " (" + std::to_string(frame.dataOffset) + ")");
    }

    auto add = [&warnings](SequenceWarningKind kind, const std::string& text) {
        warnings.push_back({kind, text});
    };
    if (!breaks.empty())
        add(SequenceWarningKind::numberingBreak, "the numbering breaks: " + listed(breaks));
    if (input.leftOut && !input.leftOut->empty()) {
        std::vector<std::string> items;
        for (const LeftOutEntry& entry : *input.leftOut)
            items.push_back(entry.name + " (" + entry.reason + ")");
        add(SequenceWarningKind::leftOut, "left out of the sequence: " + listed(items));
    }
    if (!sameNumbers.empty())
        add(SequenceWarningKind::sameNumber, "names with the same number: " + listed(sameNumbers));
    if (!otherPatterns.empty())
        add(SequenceWarningKind::otherPattern,
            "names of another pattern than " + input.openedName + ": " + listed(otherPatterns));
    if (!otherSizes.empty())
        add(SequenceWarningKind::sizeDiffers, "frames of another size than " +
                                                  sizeText(input.frameWidth, input.frameHeight) + ": " +
                                                  listed(otherSizes));
    if (!otherOffsets.empty())
        add(SequenceWarningKind::offsetDiffers, "frames whose pixel data starts elsewhere than at byte " +
                                                    std::to_string(frames[size_t(in)].dataOffset) + ": " +
                                                    listed(otherOffsets));

    // Header timecodes: each frame that carries one should be one frame on from the previous one.
    const bool above30 = input.timecodeDef.numFrames > 30;
    for (int32_t i = in + 1; i < out && input.timecodeDef.numFrames != 0; ++i) {
        const uint32_t previous = frames[size_t(i - 1)].timecode;
        const uint32_t current = frames[size_t(i)].timecode;
        if (previous == kNoTimeCode || current == kNoTimeCode)
            continue;
        const uint32_t expected = offsetTimeCode(previous, 1, input.timecodeDef);
        if (timeCodeDigits(current, above30) != expected) {
            add(SequenceWarningKind::timecodeBreak,
                "the header timecodes break at " + names[size_t(i)] + " (" +
                    timeCodeString(current, above30) + " after " + timeCodeString(previous, above30) +
                    "): the movie's timecode counts on, so the frames from there on are labelled otherwise");
            break;
        }
    }
    return warnings;
}
