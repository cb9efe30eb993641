// The 86-byte image description of the document's frames: raw frames of 10-bit RGB words under
// the codec type chosen in the document. The movie's video samples are declared with it, and the
// video output decompresses the frames it is sent under it.
//
//   off size field            value
//     0  4   idSize           86
//     4  4   cType            'R10k' or 'R10g'
//     8  6   reserved         0
//    14  2   dataRefIndex     0; a reference movie rewrites it for every frame
//    16  2   version          2
//    18  2   revisionLevel    0
//    20  4   vendor           'QexV'
//    24  4   temporalQuality  0
//    28  4   spatialQuality   0x400 (lossless)
//    32  2   width            low 16 bits of the frame width
//    34  2   height
//    36  4   hRes, vRes       72.0 in 16.16
//    44  4   dataSize         width x height x 4
//    48  2   frameCount       reference movie 1; self-contained: the frames of the export (low 16 bits)
//    50 32   name             Pascal string "QEX Tavo 10-bit RGB Codec", zero-padded
//    82  2   depth            24
//    84  2   clutID           -1 (no colour table)
#pragma once

#include "platform/movie/movies.h"

#include <cstddef>
#include <cstdint>

namespace ImageDescriptionLayout {
constexpr size_t kIdSize = 0;
constexpr size_t kCType = 4;
constexpr size_t kResvd1 = 8;
constexpr size_t kResvd2 = 12;
constexpr size_t kDataRefIndex = 14;
constexpr size_t kVersion = 16;
constexpr size_t kRevisionLevel = 18;
constexpr size_t kVendor = 20;
constexpr size_t kTemporalQuality = 24;
constexpr size_t kSpatialQuality = 28;
constexpr size_t kWidth = 32;
constexpr size_t kHeight = 34;
constexpr size_t kHRes = 36;
constexpr size_t kVRes = 40;
constexpr size_t kDataSize = 44;
constexpr size_t kFrameCount = 48;
constexpr size_t kName = 50;
constexpr size_t kNameSize = 32;
constexpr size_t kDepth = 82;
constexpr size_t kClutID = 84;
constexpr size_t kSize = 86;
constexpr const char* kCodecName = "QEX Tavo 10-bit RGB Codec"; // 25 characters
} // namespace ImageDescriptionLayout

/// A new image description of that codec, frame size and frame count; null when memory is short.
ImageDescriptionHandle NewVideoImageDescription(OSType codecType, int32_t width, int32_t height,
                                                int32_t frameCount);
