// What one export works from and what it leaves behind.
//
// The document's controls stay live while an export runs, so the worker does not read the
// settings as it goes: the main thread copies them into ExportSettings when the export is
// confirmed, before the worker starts, and the worker reads only that copy (the out point apart,
// which the main thread lowers to cancel). The worker fills ExportOutcome and publishes it with its
// final store of the converting flag; the main thread reads it once that flag is clear.
#pragma once

#include "platform/types.h"

#include <cstdint>
#include <string>

struct ExportSettings {
    std::string saveName;            // full path of the movie file
    std::string directoryPath;       // the sequence's directory, absolute
    bool makeReferenceMovie = false; // samples point into the frame files instead of being copied
    bool flushOnClose = false;       // force the movie's bytes to the disk before it gets its name
    bool replaceExisting = false;    // the save panel's "Replace?" was answered yes
    int32_t inFrame = 0;             // first frame index, inclusive
    int32_t outFrame = 0;            // end index as confirmed, exclusive; cancelling only lowers it
    int32_t frameWidth = 0;          // the document's frame size
    int32_t frameHeight = 0;
    int32_t movieTimescale = 0;
    int32_t frameDuration = 0;
    bool tcDropFrame = false;
    OSType codecType = 0;
    uint32_t startTimecode = 0xFFFFFFFF; // BCD hh mm ss ff of the range's first frame; all ones: none
    bool allowLargeFrames = false;       // frames up to 16384 in either dimension
    int readThreads = 16;                // threads reading frames ahead of the worker; 1: none
    std::string sourceID;
};

/// How a self-contained movie's samples went from the frame files into it: the way the least of
/// them took, since a user wants to know whether the storage shared every block.
enum class SampleCopy {
    none,   // no sample was copied (a reference movie, or no frame written)
    shared, // every byte shared with the frame files: nothing copied, no space used
    kernel, // copied by the kernel or the file server (some blocks may have been shared)
    user,   // read into the process and written out, for some of the samples at least
};

struct ExportOutcome {
    std::string moviePath;
    int32_t framesRequested = 0; // the range confirmed
    int32_t framesWritten = 0;   // video samples in the movie left under its name (0 when none is)
    bool reference = false;
    bool framesDiffer = false; // reference movie: a frame's size or pixel data offset was not the first's
    bool cancelled = false;    // the out point was moved during the export
    bool aborted = false;      // the export was given up: no movie was left
    bool movieWritten = false; // a complete movie file stands under moviePath
    SampleCopy copy = SampleCopy::none;
    OSErr status = noErr; // the first failure that stopped the export or lost the movie
    std::string problem;  // what that failure was, for the user; empty when none happened

    /// Every requested frame is in the movie, which stands under its name.
    bool complete() const { return movieWritten && problem.empty() && framesWritten == framesRequested; }
};
