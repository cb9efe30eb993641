// The display modes of the software output device, and building a display mode list from modes.
//
// A display mode list is an atom container whose first level holds one 'qdmi' atom per mode, with
// ID = the mode's 1-based position. Its children, numbers 32-bit big-endian:
//   'dimn' ID 1: width, height          'resl' ID 1: horizontal, vertical resolution (16.16)
//   'refr' ID 1: refresh rate (16.16)   'pixl' ID 1: pixel type code
//   'name' ID 1: the name's characters, no terminator
//   'deco' ID i (i = 1, 2, ...): a container of one 'dety' ID 1 holding a decompressor type
#pragma once

#include "platform/movie/atom_container.h"
#include "platform/types.h"

#include <string>
#include <vector>

struct OutputModeDescription {
    std::string name;
    int32_t width = 0;
    int32_t height = 0;
    Fixed refreshRate = 0;
    OSType pixelType = 0;
    Fixed hRes = 0x00480000;
    Fixed vRes = 0x00480000;
    std::vector<OSType> decompressorTypes;
};

/// SD, HD and 2K modes, in the device's order. The rates are the 16.16 values documents use
/// (29.97 is 2997/100 = 0x001DF851, 23.976 is 2997/125), so a document's rate finds its mode.
const std::vector<OutputModeDescription>& SoftwareOutputDisplayModes();

/// Appends one 'qdmi' atom with ID `id` describing `mode` to the list's first level.
OSErr AppendDisplayModeAtom(QTAtomContainer list, const OutputModeDescription& mode, QTAtomID id);

/// A new list of `modes`, IDs 1, 2, ...; the caller disposes of it. memFullErr leaves *list null.
OSErr NewDisplayModeList(const std::vector<OutputModeDescription>& modes, QTAtomContainer* list);
