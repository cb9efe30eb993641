// The document window's description of the sequence and its range, and the window's content size
// for a frame size.
#pragma once

#include "platform/geometry.h"

#include <cstdint>
#include <optional>
#include <string>

/// Megabytes (MiB) of `frames` frames of width x height 10-bit RGB pixels in 32-bit words: the
/// 32-bit pixel count x 4.0 x frames (as a float) / 1048576 in double precision, rounded to float.
/// 2048 x 1556, 100 frames: 1215.625.
float rangeMegabytes(int32_t width, int32_t height, int32_t frames);

/// The three lines the window shows, from the format "%s\n%dx%d\n%d frame%s: %d-%d,  ~%3.1f MBytes":
/// the stored file name of the current frame ("(null)" without one), the frame size, the number of
/// frames in the range inFrame to outFrame - 1 ("s" when more than one), the first and last index
/// and the megabytes. 100 frames of 2048 x 1556 from 0: "...\n2048x1556\n100 frames: 0-99,
/// ~1215.6 MBytes" (two spaces after the comma).
std::string descriptionText(const std::optional<std::string>& storedFileName, int32_t width, int32_t height,
                            int32_t inFrame, int32_t outFrame);

/// The content size of the document window for frames of width x height: a quarter of the frame
/// when it is taller than 750 lines, a third from 581 to 750, a half up to 580, plus 46 x 115 for
/// the controls; computed in double precision and rounded to float. 2048 x 1556 gives 558 x 504,
/// 1280 x 720 472.667 x 355, 800 x 580 446 x 405.
NSSize windowContentSize(int32_t width, int32_t height);
