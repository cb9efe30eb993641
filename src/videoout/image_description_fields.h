// The fields of an image description (the movie toolbox's 86-byte sample description in a handle,
// big-endian) that the video output reads.
#pragma once

#include "platform/memory.h"
#include "platform/types.h"

#include <cstdint>

struct ImageDescriptionFields {
    OSType cType = 0;      // offset 4: codec type
    int16_t width = 0;     // offset 32
    int16_t height = 0;    // offset 34
    uint32_t dataSize = 0; // offset 44: bytes of one frame
};

/// Bytes a description needs to hold the fields above.
constexpr Size kImageDescriptionFieldsSize = 48;

/// The fields of `desc`; false (fields 0) for a null handle or one too short to hold them.
bool ReadImageDescriptionFields(Handle desc, ImageDescriptionFields* fields);
