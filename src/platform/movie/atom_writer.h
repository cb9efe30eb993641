// Builds atoms in memory, big-endian: begin() reserves an atom's header, end() patches its size once
// the children are written. Sizes are counted in 64 bits; an atom that would not fit its 32-bit size
// field marks the writer as overflowed instead of writing a wrong size.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class AtomWriter {
public:
    void begin(OSType type);
    void end();

    void u8(uint8_t v) { m_bytes.push_back(v); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void u64(uint64_t v);
    void s16(int16_t v) { u16(uint16_t(v)); }
    void s32(int32_t v) { u32(uint32_t(v)); }
    void fourCC(OSType code) { u32(code); }
    void versionAndFlags(uint8_t version, uint32_t flags) {
        u32((uint32_t(version) << 24) | (flags & 0xFFFFFF));
    }
    void bytes(const void* data, size_t count);
    void zeros(size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }
    /// A Pascal string (length byte, then the text) in a field of fieldSize bytes (0: just its length);
    /// text beyond the field is cut.
    void pascalString(const std::string& text, size_t fieldSize = 0);

    /// The unity transformation matrix of movie and track headers.
    void unityMatrix();

    size_t size() const { return m_bytes.size(); }
    bool overflowed() const { return m_overflowed; }
    bool complete() const { return m_open.empty(); }
    const std::vector<uint8_t>& data() const { return m_bytes; }
    std::vector<uint8_t> take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
    std::vector<size_t> m_open; // start offsets of atoms begun and not yet ended
    bool m_overflowed = false;
};
