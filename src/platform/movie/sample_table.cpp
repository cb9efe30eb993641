#include "platform/movie/sample_table.h"

#include <algorithm>

uint32_t SampleTable::descriptionIndex(const uint8_t* bytes, size_t size) {
    std::string_view key(reinterpret_cast<const char*>(bytes), size);
    if (auto found = m_descriptionIndex.find(key); found != m_descriptionIndex.end())
        return found->second;
    m_descriptions.emplace_back(key);
    uint32_t index = uint32_t(m_descriptions.size());
    m_descriptionIndex.emplace(std::string_view(m_descriptions.back()), index);
    return index;
}

OSErr SampleTable::addSamples(uint64_t firstOffset, uint32_t sampleSize, uint32_t count, uint32_t duration,
                              uint32_t descriptionIndex) {
    if (count == 0)
        return noErr;
    if (uint64_t(m_chunkOffsets.size()) + count > 0xFFFFFFFFull)
        return paramErr;
    uint32_t firstChunk = uint32_t(m_chunkOffsets.size()) + 1;

    if (!m_timeToSample.empty() && m_timeToSample.back().duration == duration &&
        uint64_t(m_timeToSample.back().count) + count <= 0xFFFFFFFFull)
        m_timeToSample.back().count += count;
    else
        m_timeToSample.push_back({count, duration});

    // One sample per chunk: a new run only where the description changes.
    if (m_sampleToChunk.empty() || m_sampleToChunk.back().descriptionIndex != descriptionIndex)
        m_sampleToChunk.push_back({firstChunk, 1, descriptionIndex});

    if (m_chunkOffsets.empty())
        m_commonSize = sampleSize;
    if (!m_sizesDiffer && sampleSize != m_commonSize) {
        m_sizesDiffer = true;
        m_sizes.assign(m_chunkOffsets.size(), m_commonSize);
    }
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t offset = firstOffset + uint64_t(i) * sampleSize;
        m_chunkOffsets.push_back(offset);
        m_maxOffset = std::max(m_maxOffset, offset);
        if (m_sizesDiffer)
            m_sizes.push_back(sampleSize);
    }
    m_duration += uint64_t(count) * duration;
    return noErr;
}

void SampleTable::write(AtomWriter& out) const {
    out.begin(FourCC("stsd"));
    out.versionAndFlags(0, 0);
    out.u32(uint32_t(m_descriptions.size()));
    for (const std::string& description : m_descriptions)
        out.bytes(description.data(), description.size());
    out.end();

    out.begin(FourCC("stts"));
    out.versionAndFlags(0, 0);
    out.u32(uint32_t(m_timeToSample.size()));
    for (const TimeToSample& entry : m_timeToSample) {
        out.u32(entry.count);
        out.u32(entry.duration);
    }
    out.end();

    out.begin(FourCC("stsc"));
    out.versionAndFlags(0, 0);
    out.u32(uint32_t(m_sampleToChunk.size()));
    for (const SampleToChunk& entry : m_sampleToChunk) {
        out.u32(entry.firstChunk);
        out.u32(entry.samplesPerChunk);
        out.u32(entry.descriptionIndex);
    }
    out.end();

    out.begin(FourCC("stsz"));
    out.versionAndFlags(0, 0);
    out.u32(m_sizesDiffer ? 0 : m_commonSize);
    out.u32(sampleCount());
    if (m_sizesDiffer)
        for (uint32_t size : m_sizes)
            out.u32(size);
    out.end();

    // 32-bit offsets only while every one fits: a wrapped offset cannot be written.
    bool wide = needs64BitOffsets();
    out.begin(wide ? FourCC("co64") : FourCC("stco"));
    out.versionAndFlags(0, 0);
    out.u32(sampleCount());
    for (uint64_t offset : m_chunkOffsets) {
        if (wide)
            out.u64(offset);
        else
            out.u32(uint32_t(offset));
    }
    out.end();
}
