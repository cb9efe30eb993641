// Alias records: how a movie's data reference names a file (data reference type 'alis').
//
// Version 2 layout, big-endian:
//   0 u32 user type 0 | 4 u16 record size | 6 u16 version 2 | 8 u16 kind 0 (file)
//  10 Str27 volume name | 38 u32 volume created, u16 file-system signature 'H+', u16 drive type,
//     u32 parent directory ID | 50 Str63 file name | 114 u32 file number, u32 created, u32 file type,
//     u32 creator | 130 s16 nlvlFrom | 132 s16 nlvlTo (relative levels from the movie to the file; -1 =
//     none) | 134 u32 volume attributes, u16 file-system ID, 10 reserved | 150 extras: s16 tag,
//     u16 length, data padded to even; tag -1 ends them.
// Extras written: 0 parent directory name, 2 absolute path in colon form (volume name first), 18 POSIX
// absolute path. Independent readers resolve with the relative levels and the colon path, or the
// parent directory name; our reader prefers the POSIX path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct AliasRecordInfo {
    uint16_t recordSize = 0;
    uint16_t version = 0;
    std::string volumeName;
    std::string fileName;
    int16_t nlvlFrom = -1;
    int16_t nlvlTo = -1;
    std::string parentDirectoryName; // extra 0
    std::string colonPath;           // extra 2
    std::string posixPath;           // extra 18
};

constexpr size_t kAliasFixedSize = 150;
constexpr uint16_t kAliasRecordMaxSize = 0xFFFF;

/// Relative levels from a movie file to a target file, both absolute paths: nlvlFrom - 1 steps up from
/// the movie's directory to the deepest common directory, then the last nlvlTo components of the
/// target's path. Same directory: (1, 1).
void AliasRelativeLevels(const std::string& moviePath, const std::string& targetPath, int16_t& nlvlFrom,
                         int16_t& nlvlTo);

/// The alias record of the file at targetPath (absolute, normalised), with the relative levels from
/// moviePath when given. Empty when the record would pass its 16-bit size.
std::vector<uint8_t> MakeAliasRecord(const std::string& targetPath, const std::string& moviePath = {});

/// Whether MakeAliasRecord(targetPath, ...) makes a record (its size fits 16 bits), found without
/// making it: a reference export asks for every frame before the records are written.
bool AliasRecordFits(std::string_view targetPath);

/// Reads an alias record; false when it is too short or its extras run past its size.
bool ParseAliasRecord(const uint8_t* data, size_t size, AliasRecordInfo& info);

/// The path an alias names: the POSIX path, else the colon path turned into a POSIX one.
std::string AliasAbsolutePath(const AliasRecordInfo& info);

/// The path of the alias's target reached from the movie's directory with the relative levels, or empty
/// without levels.
std::string AliasRelativePath(const AliasRecordInfo& info, const std::string& moviePath);
