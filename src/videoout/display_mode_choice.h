// Choosing the display mode that best fits a picture: its pixel format, size and frame rate.
//
// A pure function of the picture and the device's modes, so that the rule can be checked with
// tables; MyVideoOut applies it to its own mode array.
#pragma once

#include "platform/types.h"
#include "videoout/display_mode_record.h"

#include <cstdint>
#include <span>

/// The decompressor type a mode must list to take `format`: 'v210' for 'v210', 'R10k' and 'R10g';
/// 'raw ' for 'raw ' and 'rle '; '2vuy' for every other code.
OSType DisplayModePixelFormatClass(OSType format);

/// The 1-based number of the mode to show the picture in; 1 when none fits. Sizes the device has
/// no mode for are looked for as a mode of the size they are shown in (320 × 240, 640 × 480 and
/// 720 × 480 as 720 × 486; 960 × 720 as 1280 × 720; 1280 × 1080 and 1440 × 1080 as 1920 × 1080),
/// and 1280 × 720 below 59.0 frames per second as 1280 × 720 at 59.94. A mode fits when it has
/// that size, that refresh rate (any, for a rate of 0) and lists the format's class. The first
/// fitting mode wins, except for DV formats ('dvcp', 'dvpp', 'dv5p') at 720 × 576, which take the
/// second fitting mode when there is one. `fps` is 16.16 fixed point: 0x00180000 is 24.
int32_t ChooseBestDisplayMode(std::span<const DisplayModeRecord> modes, OSType format, uint32_t width,
                              uint32_t height, Fixed fps);
