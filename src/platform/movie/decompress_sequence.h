// Decompression sequences: frames of one image description drawn into a surface.
//
// The decompressor knows the 10-bit RGB codecs 'R10k' and 'R10g': one 32-bit big-endian word per
// pixel, red in bits 31-22, green 21-12, blue 11-2, lines without padding. Each component lands in
// the surface shifted right by 2. The picture is drawn unscaled with its top-left corner at the
// surface's origin (no matrix), clipped to the surface; the part of the surface it does not cover
// keeps what it held.
//
// The image description is the movie toolbox's 86-byte sample description in a handle (big-endian
// fields): cType at 4, width and height (signed 16-bit) at 32 and 34. A frame must hold
// width × height × 4 bytes.
//
// Sequences are numbered process-wide (the calls name a sequence by a number only); the table is
// locked, so sequences may be used from any thread, each one from one thread at a time.
#pragma once

#include "platform/movie/movie_errors.h"

#include "platform/memory.h"
#include "platform/movie/decompress_surface.h"
#include "platform/types.h"

#include <cstdint>

using ImageSequence = int32_t; // 0: no sequence
using CodecFlags = uint16_t;
using CodecQ = uint32_t;

constexpr CodecQ codecNormalQuality = 0x300;
constexpr int16_t srcCopy = 0; // transfer mode: plain copy

constexpr OSErr noCodecErr = -8961;          // no decompressor for the description's codec type
constexpr OSErr codecUnimpErr = -8962;       // a feature the decompressor lacks (matrix, mask, mode...)
constexpr OSErr codecSizeErr = -8963;        // picture width or height not positive
constexpr OSErr codecBadDataErr = -8969;     // frame data missing or shorter than the picture

/// Opens a sequence for frames described by `desc`, drawing into `port`. `data`/`dataSize` (the
/// first frame) are not drawn here: frames are drawn by DecompressSequenceFrameS. `srcRect` (null:
/// the whole picture) selects the part of the picture drawn at the surface's origin. Only a null
/// matrix, a null mask and the transfer mode srcCopy are supported; `gdh` and `decompressor` are
/// not used (there is one decompressor). On failure *seqID is 0.
OSErr DecompressSequenceBeginS(ImageSequence* seqID, Handle desc, Ptr data, long dataSize, CGrafPtr port,
                               void* gdh, const Rect* srcRect, const void* matrix, int16_t mode,
                               const void* mask, CodecFlags flags, CodecQ accuracy, void* decompressor);

/// Draws one frame synchronously (`asyncCompletionProc` must be null). `outFlags` (may be null)
/// receives 0. A failed frame leaves the surface untouched.
OSErr DecompressSequenceFrameS(ImageSequence seqID, Ptr data, long dataSize, CodecFlags inFlags,
                               CodecFlags* outFlags, const void* asyncCompletionProc);

/// Ends a sequence; its number is not reused.
OSErr CDSequenceEnd(ImageSequence seqID);
