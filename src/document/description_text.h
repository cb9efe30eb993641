// The document window's description of the sequence and its range.
#pragma once

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
