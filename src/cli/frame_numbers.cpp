#include "cli/frame_numbers.h"

#include "cli/document_options.h"
#include "cli/sequence_report.h"
#include "document/dpx_movie_file.h"
#include "document/frame_number.h"
#include "document/settings_tables.h"
#include "framefiles/dpx_file.h"
#include "framefiles/dpx_timecode.h"
#include "platform/log.h"

#include <cstdio>
#include <vector>

namespace {

/// The frames' keys (numbers, or timecode digits as one number) by index; nullopt where a frame has none.
using Keys = std::vector<std::optional<uint64_t>>;

Keys frameNumbers(const DPXMovieFile& document) {
    Keys keys;
    for (const std::string& name : document.fileList()) {
        uint64_t number = 0;
        std::string stem;
        keys.push_back(trailingFrameNumber(name, number, stem) ? std::optional<uint64_t>(number)
                                                               : std::nullopt);
    }
    return keys;
}

/// The header timecodes: the flag bits of SMPTE 12M cleared, except bit 6 of the frames, which at
/// 50 fps and above is the frames' tens digit (01:00:00:45); both readings are kept.
struct TimecodeKeys {
    Keys full;   // flag bits of hours, minutes and seconds cleared
    Keys masked; // and bits 6-7 of the frames too
};

TimecodeKeys frameTimecodes(const DPXMovieFile& document) {
    TimecodeKeys keys;
    LogCapture quiet(false); // a frame that can't be read just has no timecode here
    for (int32_t i = 0; i < document.frameCount(); ++i) {
        int32_t code = 0;
        std::shared_ptr<FrameFile> reader = DPXMovieFile::openFileAtPath(document.pathOfFrame(i), code);
        auto* dpx = dynamic_cast<MyDPXFile*>(reader.get());
        const uint32_t timecode = dpx ? dpx->timecode() : kNoTimeCode;
        if (reader)
            reader->closeFile();
        if (timecode == kNoTimeCode) {
            keys.full.emplace_back();
            keys.masked.emplace_back();
        } else {
            keys.full.emplace_back(timecode & 0x3F7F7F7F);
            keys.masked.emplace_back(timecode & kTimeCodeDigitMask);
        }
    }
    return keys;
}

std::optional<int32_t> firstIndexOf(const Keys& keys, uint64_t wanted) {
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == wanted)
            return int32_t(i);
    return std::nullopt;
}

/// "nearest: shot_1049.dpx (1049), shot_1052.dpx (1052)", or why there is none.
std::string nearestFrames(const DPXMovieFile& document, const Keys& keys, uint64_t wanted,
                          std::string (*show)(uint64_t)) {
    std::optional<size_t> below;
    std::optional<size_t> above;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (!keys[i])
            continue;
        if (*keys[i] < wanted && (!below || *keys[i] > *keys[*below]))
            below = i;
        if (*keys[i] > wanted && (!above || *keys[i] < *keys[*above]))
            above = i;
    }
    if (!below && !above)
        return "no frame of the sequence has one";
    std::string text = "nearest: ";
    for (std::optional<size_t> at : {below, above}) {
        if (!at)
            continue;
        if (text.size() > 9)
            text += ", ";
        text += document.fileList()[*at] + " (" + show(*keys[*at]) + ")";
    }
    return text;
}

std::string numberText(uint64_t number) {
    return std::to_string(number);
}
std::string timecodeText(uint64_t digits) {
    return timeCodeString(uint32_t(digits));
}

} // namespace

std::optional<uint64_t> parseFrameNumber(const std::string& text) {
    return frameNumberOfDigits(text);
}

std::optional<uint32_t> parseTimecodeText(const std::string& text) {
    // hh:mm:ss:ff, hh:mm:ss;ff or hh:mm:ss.ff
    if (text.size() != 11 || text[2] != ':' || text[5] != ':' ||
        (text[8] != ':' && text[8] != ';' && text[8] != '.'))
        return std::nullopt;
    const unsigned limits[4] = {23, 59, 59, 59};
    uint32_t digits = 0;
    for (int field = 0; field < 4; ++field) {
        const char tens = text[size_t(field) * 3];
        const char units = text[size_t(field) * 3 + 1];
        if (tens < '0' || tens > '9' || units < '0' || units > '9')
            return std::nullopt;
        if (unsigned((tens - '0') * 10 + (units - '0')) > limits[field])
            return std::nullopt;
        digits = (digits << 8) | uint32_t((tens - '0') << 4) | uint32_t(units - '0');
    }
    return digits;
}

std::string timecodeDigitsText(uint32_t digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x", unsigned(digits >> 24),
                  unsigned(digits >> 16 & 0xFF), unsigned(digits >> 8 & 0xFF), unsigned(digits & 0xFF));
    return text;
}

std::string resolveFrameNumbers(DocumentOptions& options, const DPXMovieFile& document) {
    if (options.fromNumber || options.toNumber) {
        const Keys numbers = frameNumbers(document);
        for (auto [wanted, index, option] : {std::make_tuple(options.fromNumber, &options.in, "--from"),
                                             std::make_tuple(options.toNumber, &options.out, "--to")}) {
            if (!wanted)
                continue;
            *index = firstIndexOf(numbers, *wanted);
            if (!*index)
                return std::string(option) + " " + std::to_string(*wanted) +
                       ": no frame of the sequence has that number (" +
                       nearestFrames(document, numbers, *wanted, numberText) + ")";
        }
    }
    if (options.fromTimecode || options.toTimecode) {
        // A frame count the rate doesn't have names no frame, whatever a header says.
        const settings::FrameRateSettings rate =
            options.rateTag
                ? settings::frameRateSettingsForTag(*options.rateTag)
                : settings::FrameRateSettings{document.movieTimescale(), document.frameDuration(), 0, false};
        const uint32_t perSecond =
            rate.frameDuration > 0
                ? uint32_t((rate.movieTimescale + rate.frameDuration - 1) / rate.frameDuration)
                : 0;
        for (auto [wanted, option] : {std::make_pair(options.fromTimecode, "--from-tc"),
                                      std::make_pair(options.toTimecode, "--to-tc")}) {
            const uint32_t frames = wanted ? (*wanted >> 4 & 0xF) * 10 + (*wanted & 0xF) : 0;
            if (wanted && perSecond > 0 && frames >= perSecond)
                return std::string(option) + " " + timecodeDigitsText(*wanted) + ": there is no frame " +
                       std::to_string(frames) + " in a second at the movie's rate (frames 00-" +
                       std::to_string(perSecond - 1) + ")";
        }
        const TimecodeKeys timecodes = frameTimecodes(document);
        for (auto [wanted, index, option] : {std::make_tuple(options.fromTimecode, &options.in, "--from-tc"),
                                             std::make_tuple(options.toTimecode, &options.out, "--to-tc")}) {
            if (!wanted)
                continue;
            *index = firstIndexOf(timecodes.full, *wanted);
            // Below frame 40 the frames' bit 6 may be the drop-frame flag rather than a digit.
            if (!*index && (*wanted & 0x40) == 0)
                *index = firstIndexOf(timecodes.masked, *wanted);
            if (!*index)
                return std::string(option) + " " + timecodeDigitsText(*wanted) +
                       ": no frame of the sequence carries that timecode (" +
                       nearestFrames(document, timecodes.masked, *wanted, timecodeText) + ")";
        }
    }
    return {};
}
