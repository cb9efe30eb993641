// Big-endian reads and writes of unsigned integers: the one place where byte order is decoded.
// Frame file headers, movie atoms and atom containers are all big-endian on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace be {

inline uint16_t readU16(const uint8_t* p) { return uint16_t((uint16_t(p[0]) << 8) | p[1]); }

inline uint32_t readU32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

inline uint64_t readU64(const uint8_t* p) { return (uint64_t(readU32(p)) << 32) | readU32(p + 4); }

/// A 32-bit IEEE float stored big-endian.
inline float readF32(const uint8_t* p) {
    uint32_t bits = readU32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline uint16_t readU16(const uint8_t* base, size_t offset) { return readU16(base + offset); }
inline uint32_t readU32(const uint8_t* base, size_t offset) { return readU32(base + offset); }
inline uint64_t readU64(const uint8_t* base, size_t offset) { return readU64(base + offset); }
inline float readF32(const uint8_t* base, size_t offset) { return readF32(base + offset); }

inline void writeU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}

inline void writeU32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

inline void writeU64(uint8_t* p, uint64_t v) {
    writeU32(p, uint32_t(v >> 32));
    writeU32(p + 4, uint32_t(v));
}

inline void writeF32(uint8_t* p, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    writeU32(p, bits);
}

} // namespace be
