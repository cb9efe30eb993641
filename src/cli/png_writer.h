// Writing 8-bit RGB pictures as PNG files, for the commands that save what the output device shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// Writes `height` lines of `width` 8-bit red, green, blue pixels, each line `rowBytes` after the
/// one before, as a PNG file at `path` (replacing it). On failure returns false with the reason in
/// `problem` and leaves no file behind. False as well when the program was built without libpng.
bool writeRgbPng(const std::string& path, const uint8_t* pixels, int width, int height, size_t rowBytes,
                 std::string& problem);
