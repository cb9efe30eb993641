// The decompressor behind the decompression sequences: 10-bit RGB frames into 8-bit RGB surfaces.
#pragma once

#include "platform/movie/decompress_surface.h"
#include "platform/types.h"

#include <cstdint>

namespace decompress {

/// True for the codec types the decompressor draws: 'R10k' and 'R10g' (the same word layout).
bool handlesCodec(OSType codecType);

/// Draws the `source` part of a picture `imageWidth` pixels wide (`words`: its big-endian pixel
/// words, lines without padding) at the origin of `target`, clipped to the target.
void drawR10Frame(const uint8_t* words, int imageWidth, const Rect& source, SurfacePixels& target);

} // namespace decompress
