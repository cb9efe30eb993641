// The frame-rate and codec settings of a sequence document: what the tag of each popup item
// selects, and the names by which the command line chooses them.
//
// Frame-rate tags 0-8 (the movie's time scale and frame duration, the 16.16 rate handed to the
// video output, the timecode's drop-frame flag):
//
//   tag  rate      time scale  duration  16.16 rate   drop frame
//    0   23.976       2997        125    0x0017F9DB     no
//    1   24           3000        125    0x00180000     no
//    2   25           2500        100    0x00190000     no
//    3   29.97 DF     2997        100    0x001DF851     yes
//    4   29.97        2997        100    0x001DF851     no
//    5   30           3000        100    0x001E0000     no
//    6   50           5000        100    0x00320000     no
//    7   59.94        5994        100    0x003BF0A3     no  (59.94 is always non-drop)
//    8   60           6000        100    0x003C0000     no
//
// A tag outside 0-8 selects the row of tag 0. Codec tags: 1 is 'R10g', every other tag 'R10k'.
#pragma once

#include "platform/types.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace settings {

struct FrameRateSettings {
    int32_t movieTimescale; // time units per second of the movie
    int32_t frameDuration;  // one frame, in those units
    Fixed frameRate;        // movieTimescale / frameDuration in 16.16, truncated
    bool tcDropFrame;       // the timecode counts drop-frame
};

constexpr int32_t kFrameRateTagCount = 9; // tags 0 to 8
constexpr int32_t kDropFrameTag = 3;
constexpr int32_t kCodecR10kTag = 0;
constexpr int32_t kCodecR10gTag = 1;
constexpr int32_t kCodecTagCount = 2;

constexpr OSType kCodecR10k = FourCC("R10k"); // 0x5231306B
constexpr OSType kCodecR10g = FourCC("R10g"); // 0x52313067

/// The row of a frame-rate tag; a tag outside 0-8 gives the row of tag 0 (23.976).
FrameRateSettings frameRateSettingsForTag(int32_t tag);

/// The codec type of a codec tag: 'R10g' for 1, 'R10k' for 0 and for any other tag.
OSType codecTypeForTag(int32_t tag);

/// The name of a frame-rate tag as the command line spells it ("23.976", "29.97df", ...); the
/// name of tag 0 for a tag outside 0-8.
std::string_view frameRateName(int32_t tag);

/// The name of a codec tag: "R10g" for 1, "R10k" otherwise.
std::string_view codecName(int32_t tag);

/// The frame-rate tag named on the command line: a tag "0" to "8", or one of the rate names
/// 23.976, 24, 25, 29.97df, 29.97, 30, 50, 59.94, 60 (letters in any case). Anything else gives
/// nullopt: "9", "-1", "29.970", "24fps", "".
std::optional<int32_t> parseFrameRate(std::string_view text);

/// The codec tag named on the command line: "R10k" gives 0, "R10g" 1 (letters in any case);
/// anything else nullopt.
std::optional<int32_t> parseCodec(std::string_view text);

} // namespace settings
