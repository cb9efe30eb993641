// Which reader a file is for, by its ID: the big-endian value of its first four bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// 0: not identified or not usable, 1: DPX, 2: Cineon; 3: a movie opened as a document (its
/// samples are its frames), which no frame reader reads.
enum FrameFileCode : int {
    kFileCodeUnknown = 0,
    kFileCodeDPX = 1,
    kFileCodeCineon = 2,
    kFileCodeMovie = 3,
};

constexpr uint32_t kDPXFileID = 0x53445058;    // 'SDPX'; a little-endian DPX starts 'XPDS'
constexpr uint32_t kCineonFileID = 0x802A5FD7; // a byte-swapped Cineon starts D7 5F 2A 80

FrameFileCode frameFileCodeOfID(uint32_t id);

/// The ID of the first `count` bytes: fewer than four bytes give ID 0.
uint32_t frameFileIDOfBytes(const uint8_t* bytes, size_t count);

/// frameFileCodeOfID(frameFileIDOfBytes(bytes, count)).
FrameFileCode frameFileCodeOfBytes(const uint8_t* bytes, size_t count);

/// Reads the ID of the file at `path` (0 when it holds fewer than four bytes). Returns 0, or the
/// errno value that kept the file from being read (ENOENT, EISDIR, EACCES, ...).
int readFrameFileID(const std::string& path, uint32_t& id);
