// Basic types of the media platform that the rest of the system is written against.
#pragma once

#include <cstdint>
#include <string>

using OSErr = int16_t;     // 16-bit status, 0 for success
using OSStatus = int32_t;  // 32-bit status of the newer calls
using OSType = uint32_t;   // four-character code
using Fixed = int32_t;     // 16.16 fixed point
using TimeValue = int32_t;
using TimeScale = int32_t;
using Size = long;

constexpr OSErr noErr = 0;
constexpr OSErr eofErr = -39;        // end of file reached before the bytes wanted
constexpr OSErr paramErr = -50;      // an argument is not usable
constexpr OSErr memFullErr = -108;   // memory exhausted
constexpr OSErr nilHandleErr = -109; // a handle argument is null
constexpr OSErr fnfErr = -43;        // file not found
constexpr OSErr ioErr = -36;         // I/O error
constexpr OSErr dskFulErr = -34;     // disk full
constexpr OSErr wrPermErr = -61;     // write permission denied
constexpr OSErr dupFNErr = -48;      // file exists
constexpr OSErr bdNamErr = -37;      // the name doesn't fit the file system (too long)

/// Four-character code from its text: FourCC("R10k") == 0x5231306B.
constexpr OSType FourCC(const char (&text)[5]) {
    return (OSType(uint8_t(text[0])) << 24) | (OSType(uint8_t(text[1])) << 16) |
           (OSType(uint8_t(text[2])) << 8) | OSType(uint8_t(text[3]));
}

/// The four bytes of a code as text, most significant first ("R10k").
inline std::string FourCCString(OSType code) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i)
        s[i] = char((code >> (24 - 8 * i)) & 0xFF);
    return s;
}

/// 16.16 fixed point of a ratio of integers, truncated, as the platform's FixRatio: FixRatio(2997, 100) == 0x001DF851
/// (29.97), while FixRatio(30000, 1001) == 0x001DF853.
constexpr Fixed FixRatio(int32_t numerator, int32_t denominator) {
    if (denominator == 0)
        return numerator >= 0 ? 0x7FFFFFFF : int32_t(0x80000000);
    return Fixed((int64_t(numerator) << 16) / denominator);
}

constexpr Fixed Long2Fix(int32_t value) { return Fixed(uint32_t(value) << 16); }
