// One display mode of the output device, and reading the device's display mode list into records.
//
// The list is an atom container whose first level holds one 'qdmi' atom per mode, in the device's
// order; the i-th 'qdmi' atom is mode i (modes are numbered from 1 everywhere). The children read
// from each, numbers 32-bit big-endian:
//   'dimn' ID 1: width, height         'resl' ID 1: horizontal, vertical resolution
//   'refr' ID 1: refresh rate (16.16)  'pixl' ID 1: pixel type code
//   'name' ID 1: the name's characters (no terminator needed)
//   'deco' by index 1, 2, ...: a container whose 'dety' ID 1 holds a decompressor (codec) type
#pragma once

#include "platform/memory.h"
#include "platform/movie/atom_container.h"
#include "platform/types.h"

#include <cstdint>
#include <memory>

constexpr int kMaxDecompressorTypes = 10;
constexpr int kDisplayModeNameSize = 50; // 49 characters and the NUL
/// The walk counts modes in 8 bits.
constexpr int kMaxDisplayModes = 255;

constexpr OSType kDisplayModeAtomType = FourCC("qdmi");

/// A field whose atom is missing stays 0; a missing name leaves the empty string.
struct DisplayModeRecord {
    int32_t width;
    int32_t height;
    int32_t hRes; // not interpreted
    int32_t vRes; // not interpreted
    Fixed refreshRate;
    OSType pixelType; // not interpreted
    /// In the order of the 'deco' children; entries beyond their count are 0.
    OSType decompressorTypes[kMaxDecompressorTypes];
    char name[kDisplayModeNameSize];
};

/// Owns a block of records made by GetFirstLevelAtoms.
struct DisplayModeRecordsDeleter {
    void operator()(DisplayModeRecord* records) const { DisposePtr(reinterpret_cast<Ptr>(records)); }
};
using DisplayModeRecords = std::unique_ptr<DisplayModeRecord[], DisplayModeRecordsDeleter>;

/// A zero-filled block (NewPtrClear) of `count` records filled from the first `count` 'qdmi' atoms
/// of the list's first level, passing over atoms of other types; null when memory is short. The
/// caller disposes of it (DisposePtr, or a DisplayModeRecords).
DisplayModeRecord* GetFirstLevelAtoms(QTAtomContainer list, uint8_t count);

/// Fills one record from the children of one 'qdmi' atom. A child whose data is too short for the
/// numbers read leaves its fields as they are; a name of 50 bytes or more keeps its first 49.
void GetSecondLevelAtoms(DisplayModeRecord& record, QTAtom modeAtom, QTAtomContainer list);
