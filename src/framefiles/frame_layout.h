// The pixel layout that a header claims. The readers copy every accepted file as one 32-bit
// big-endian word of 10-bit RGB per pixel; a header that positively claims another layout is
// refused by the document (its pixels would come out as noise), while fields left undefined (all
// bits set) or zero make no claim, so such files are read as ever.
#pragma once

#include "framefiles/dpx_header.h"

#include <cstdint>
#include <optional>
#include <string>

struct FrameLayout {
    /// e.g. "RGB 10-bit filled A", "RGB 12-bit packed", "luma 16-bit", "RGB 10-bit filled A, 2 elements",
    /// "3 ch 10-bit, packing 5" (Cineon).
    std::string text;
    /// True when the claim is the layout the readers assume: 10-bit RGB filled into 32-bit words
    /// (DPX: descriptor RGB, 10 bits, filled method A, no encoding; Cineon: 3 channels of 10 bits,
    /// packing 5, pixel interleaved).
    bool native = false;
    /// Why the pixels can't be copied as they are, when the header positively claims another layout:
    /// "16-bit RGB: only 10-bit RGB in 32-bit words can be copied". nullopt when nothing it claims
    /// contradicts the copied layout.
    std::optional<std::string> refusal;
};

/// The end of every layout refusal: what can be copied.
inline constexpr const char* kCopiableLayoutText = "only 10-bit RGB in 32-bit words can be copied";

/// What the first image element of a DPX header describes (and how many elements there are).
FrameLayout layoutOfDPXHeader(const DPXHeader& header);

/// What the 2048 header bytes of a Cineon file describe (its channels, bit depths and packing).
FrameLayout layoutOfCineonHeader(const uint8_t* header);
