// A media's sample table as it is written: distinct sample descriptions, time-to-sample runs,
// sample-to-chunk runs, sample sizes (one value while they agree) and one chunk per sample with its
// 64-bit file offset. Nothing else is kept per sample.
#pragma once

#include "platform/movie/atom_writer.h"
#include "platform/types.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class SampleTable {
public:
    /// 1-based index of the description with these bytes, added when new.
    uint32_t descriptionIndex(const uint8_t* bytes, size_t size);
    size_t descriptionCount() const { return m_descriptions.size(); }

    /// count samples of sampleSize bytes each, back to back from firstOffset, each lasting duration.
    /// paramErr when the counts would pass 32 bits.
    OSErr addSamples(uint64_t firstOffset, uint32_t sampleSize, uint32_t count, uint32_t duration,
                     uint32_t descriptionIndex);

    uint32_t sampleCount() const { return uint32_t(m_chunkOffsets.size()); }
    uint64_t duration() const { return m_duration; }
    /// True when some chunk offset needs 64 bits ('co64' instead of 'stco').
    bool needs64BitOffsets() const { return m_maxOffset > 0xFFFFFFFFull; }

    /// Writes stsd, stts, stsc, stsz and stco or co64 (the children of 'stbl').
    void write(AtomWriter& out) const;

private:
    struct TimeToSample {
        uint32_t count;
        uint32_t duration;
    };
    struct SampleToChunk {
        uint32_t firstChunk;
        uint32_t samplesPerChunk;
        uint32_t descriptionIndex;
    };

    std::deque<std::string> m_descriptions; // stable addresses for the index's keys
    std::unordered_map<std::string_view, uint32_t> m_descriptionIndex;
    std::vector<TimeToSample> m_timeToSample;
    std::vector<SampleToChunk> m_sampleToChunk;
    uint32_t m_commonSize = 0;
    bool m_sizesDiffer = false;
    std::vector<uint32_t> m_sizes; // filled only once sizes differ
    std::vector<uint64_t> m_chunkOffsets;
    uint64_t m_maxOffset = 0;
    uint64_t m_duration = 0;
};
