#include "platform/movie/atom_writer.h"

#include "platform/bigendian.h"

#include <algorithm>

void AtomWriter::begin(OSType type) {
    m_open.push_back(m_bytes.size());
    u32(0);
    fourCC(type);
}

void AtomWriter::end() {
    if (m_open.empty())
        return;
    size_t start = m_open.back();
    m_open.pop_back();
    uint64_t atomSize = uint64_t(m_bytes.size() - start);
    if (atomSize > 0xFFFFFFFFull) {
        m_overflowed = true;
        return;
    }
    be::writeU32(m_bytes.data() + start, uint32_t(atomSize));
}

void AtomWriter::u16(uint16_t v) {
    uint8_t b[2];
    be::writeU16(b, v);
    m_bytes.insert(m_bytes.end(), b, b + 2);
}

void AtomWriter::u32(uint32_t v) {
    uint8_t b[4];
    be::writeU32(b, v);
    m_bytes.insert(m_bytes.end(), b, b + 4);
}

void AtomWriter::u64(uint64_t v) {
    uint8_t b[8];
    be::writeU64(b, v);
    m_bytes.insert(m_bytes.end(), b, b + 8);
}

void AtomWriter::bytes(const void* data, size_t count) {
    const auto* p = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), p, p + count);
}

void AtomWriter::pascalString(const std::string& text, size_t fieldSize) {
    size_t limit = fieldSize ? fieldSize - 1 : 255;
    size_t length = std::min(text.size(), limit);
    u8(uint8_t(length));
    bytes(text.data(), length);
    if (fieldSize)
        zeros(fieldSize - 1 - length);
}

void AtomWriter::unityMatrix() {
    const uint32_t matrix[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
    for (uint32_t v : matrix)
        u32(v);
}
