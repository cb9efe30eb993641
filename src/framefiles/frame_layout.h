// The pixel layout that a header claims, for information only. The readers never act on it: every
// accepted file is read as one 32-bit big-endian word of 10-bit RGB per pixel, whatever it claims.
#pragma once

#include "framefiles/dpx_header.h"

#include <cstdint>
#include <string>

struct FrameLayout {
    /// e.g. "RGB 10-bit filled A", "RGB 12-bit packed", "luma 16-bit", "RGB 10-bit filled A, 2 elements",
    /// "3 ch 10-bit, packing 5" (Cineon).
    std::string text;
    /// True when the claim is the layout the readers assume: 10-bit RGB filled into 32-bit words
    /// (DPX: descriptor RGB, 10 bits, filled method A, no encoding; Cineon: 3 channels of 10 bits,
    /// packing 5, pixel interleaved).
    bool native = false;
};

/// What the first image element of a DPX header describes (and how many elements there are).
FrameLayout layoutOfDPXHeader(const DPXHeader& header);

/// What the 2048 header bytes of a Cineon file describe (its channels, bit depths and packing).
FrameLayout layoutOfCineonHeader(const uint8_t* header);
