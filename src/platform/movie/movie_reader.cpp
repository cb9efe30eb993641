#include "platform/movie/movie_reader.h"

#include "platform/bigendian.h"
#include "platform/movie/movie_errors.h"

namespace {

constexpr uint32_t kMaxExpandedSamples = 1'000'000; // 24 MB of sample entries

/// Bounds-checked reads over one atom's payload; a read past the end sets `bad` and yields zeros.
class PayloadReader {
public:
    explicit PayloadReader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
    uint8_t u8() { return has(1) ? m_bytes[m_pos++] : 0; }
    uint16_t u16() {
        return take<uint16_t>(2, [](const uint8_t* p) { return be::readU16(p); });
    }
    uint32_t u32() {
        return take<uint32_t>(4, [](const uint8_t* p) { return be::readU32(p); });
    }
    uint64_t u64() {
        return take<uint64_t>(8, [](const uint8_t* p) { return be::readU64(p); });
    }
    void skip(size_t n) { has(n) ? void(m_pos += n) : void(); }
    size_t remaining() const { return m_bytes.size() - m_pos; }
    size_t position() const { return m_pos; }
    bool bad() const { return m_bad; }

private:
    bool has(size_t n) {
        if (m_bytes.size() - m_pos >= n)
            return true;
        m_bad = true;
        m_pos = m_bytes.size();
        return false;
    }
    template <typename T, typename F> T take(size_t n, F read) {
        if (!has(n))
            return 0;
        T v = read(m_bytes.data() + m_pos);
        m_pos += n;
        return v;
    }
    const std::vector<uint8_t>& m_bytes;
    size_t m_pos = 0;
    bool m_bad = false;
};

std::string where(const MovieTrackInfo& track, const char* atom) {
    return "track " + std::to_string(track.trackID) + " '" + atom + "'";
}

/// Entry count checked against the bytes left, so a corrupt count cannot make us allocate gigabytes.
bool plausibleCount(PayloadReader& in, uint32_t count, size_t entrySize) {
    return uint64_t(count) * entrySize <= in.remaining();
}

void readTrackHeader(const AtomNode& tkhd, MovieTrackInfo& track) {
    PayloadReader in(tkhd.payload);
    uint8_t version = in.u8();
    track.headerFlags = (uint32_t(in.u8()) << 16) | in.u16();
    in.skip(version == 1 ? 16 : 8);
    track.trackID = in.u32();
    in.skip(4);
    track.duration = version == 1 ? in.u64() : in.u32();
    in.skip(8 + 2 + 2 + 2 + 2 + 36);
    track.width = Fixed(in.u32());
    track.height = Fixed(in.u32());
}

void readEdits(const AtomNode& elst, MovieTrackInfo& track, std::vector<std::string>& problems) {
    PayloadReader in(elst.payload);
    uint8_t version = in.u8();
    in.skip(3);
    uint32_t count = in.u32();
    if (!plausibleCount(in, count, version == 1 ? 20 : 12)) {
        problems.push_back(where(track, "elst") + " lists more entries than it holds");
        return;
    }
    for (uint32_t i = 0; i < count; ++i) {
        MovieEditInfo edit;
        edit.duration = version == 1 ? int64_t(in.u64()) : int64_t(in.u32());
        edit.mediaTime = version == 1 ? int64_t(in.u64()) : int64_t(int32_t(in.u32()));
        edit.rate = Fixed(in.u32());
        track.edits.push_back(edit);
    }
}

void readMediaHeader(const AtomNode& mdhd, MovieTrackInfo& track) {
    PayloadReader in(mdhd.payload);
    uint8_t version = in.u8();
    in.skip(3 + (version == 1 ? 16 : 8));
    track.timeScale = TimeScale(in.u32());
    track.mediaDuration = version == 1 ? in.u64() : in.u32();
}

void readDataRefs(const AtomNode& dref, MovieTrackInfo& track, std::vector<std::string>& problems) {
    const std::vector<uint8_t>& p = dref.payload;
    if (p.size() < 8) {
        problems.push_back(where(track, "dref") + " is too short");
        return;
    }
    uint32_t count = be::readU32(p.data(), 4);
    size_t pos = 8;
    for (uint32_t i = 0; i < count; ++i) {
        if (pos + 12 > p.size()) {
            problems.push_back(where(track, "dref") + " lists " + std::to_string(count) +
                               " entries but holds " + std::to_string(i));
            return;
        }
        uint32_t size = be::readU32(p.data(), pos);
        if (size < 12 || size > p.size() - pos) {
            problems.push_back(where(track, "dref") + " entry " + std::to_string(i + 1) + " has a bad size");
            return;
        }
        MovieDataRefInfo ref;
        ref.type = be::readU32(p.data(), pos + 4);
        ref.flags = be::readU32(p.data(), pos + 8) & 0xFFFFFF;
        ref.selfContained = (ref.flags & 1) != 0;
        if (!ref.selfContained && ref.type == FourCC("alis"))
            ref.aliasParsed = ParseAliasRecord(p.data() + pos + 12, size - 12, ref.alias);
        track.dataRefs.push_back(ref);
        pos += size;
    }
}

void readDescriptions(const AtomNode& stsd, MovieTrackInfo& track, std::vector<std::string>& problems) {
    const std::vector<uint8_t>& p = stsd.payload;
    if (p.size() < 8) {
        problems.push_back(where(track, "stsd") + " is too short");
        return;
    }
    uint32_t count = be::readU32(p.data(), 4);
    size_t pos = 8;
    for (uint32_t i = 0; i < count; ++i) {
        if (pos + 16 > p.size()) {
            problems.push_back(where(track, "stsd") + " lists " + std::to_string(count) +
                               " descriptions but holds " + std::to_string(i));
            return;
        }
        uint32_t size = be::readU32(p.data(), pos);
        if (size < 16 || size > p.size() - pos) {
            problems.push_back(where(track, "stsd") + " description " + std::to_string(i + 1) +
                               " has a bad size");
            return;
        }
        MovieDescriptionInfo description;
        description.format = be::readU32(p.data(), pos + 4);
        description.dataRefIndex = be::readU16(p.data(), pos + 14);
        description.bytes.assign(p.begin() + long(pos), p.begin() + long(pos + size));
        track.descriptions.push_back(std::move(description));
        pos += size;
    }
}

void readSampleTable(const AtomNode& stbl, MovieTrackInfo& track, std::vector<std::string>& problems) {
    if (const AtomNode* stsd = stbl.child(FourCC("stsd")))
        readDescriptions(*stsd, track, problems);
    else
        problems.push_back(where(track, "stbl") + " has no 'stsd'");

    if (const AtomNode* stts = stbl.child(FourCC("stts"))) {
        PayloadReader in(stts->payload);
        in.skip(4);
        uint32_t count = in.u32();
        if (plausibleCount(in, count, 8))
            for (uint32_t i = 0; i < count; ++i) {
                uint32_t n = in.u32();
                track.timeToSample.emplace_back(n, in.u32());
            }
        else
            problems.push_back(where(track, "stts") + " lists more entries than it holds");
    }
    if (const AtomNode* stsc = stbl.child(FourCC("stsc"))) {
        PayloadReader in(stsc->payload);
        in.skip(4);
        uint32_t count = in.u32();
        if (plausibleCount(in, count, 12))
            for (uint32_t i = 0; i < count; ++i) {
                MovieTrackInfo::ChunkRun run;
                run.firstChunk = in.u32();
                run.samplesPerChunk = in.u32();
                run.descriptionIndex = in.u32();
                track.sampleToChunk.push_back(run);
            }
        else
            problems.push_back(where(track, "stsc") + " lists more entries than it holds");
    }
    if (const AtomNode* stsz = stbl.child(FourCC("stsz"))) {
        PayloadReader in(stsz->payload);
        in.skip(4);
        track.commonSampleSize = in.u32();
        track.sampleCount = in.u32();
        if (track.commonSampleSize == 0) {
            if (plausibleCount(in, track.sampleCount, 4))
                for (uint32_t i = 0; i < track.sampleCount; ++i)
                    track.sampleSizes.push_back(in.u32());
            else
                problems.push_back(where(track, "stsz") + " lists more sizes than it holds");
        }
    }
    const AtomNode* stco = stbl.child(FourCC("stco"));
    const AtomNode* co64 = stbl.child(FourCC("co64"));
    if (stco || co64) {
        track.chunkOffsets64 = co64 != nullptr;
        PayloadReader in((co64 ? co64 : stco)->payload);
        in.skip(4);
        uint32_t count = in.u32();
        size_t entry = co64 ? 8 : 4;
        if (plausibleCount(in, count, entry))
            for (uint32_t i = 0; i < count; ++i)
                track.chunkOffsets.push_back(co64 ? in.u64() : in.u32());
        else
            problems.push_back(where(track, co64 ? "co64" : "stco") + " lists more offsets than it holds");
    }
}

void readTrack(const AtomNode& trak, MovieTrackInfo& track, std::vector<std::string>& problems) {
    if (const AtomNode* tkhd = trak.child(FourCC("tkhd")))
        readTrackHeader(*tkhd, track);
    else
        problems.push_back("a track has no 'tkhd'");
    if (const AtomNode* elst = trak.find("edts/elst"))
        readEdits(*elst, track, problems);
    if (const AtomNode* tref = trak.child(FourCC("tref"))) {
        for (const AtomNode& ref : tref->children) {
            std::vector<uint32_t> ids;
            for (size_t i = 0; i + 4 <= ref.payload.size(); i += 4)
                ids.push_back(be::readU32(ref.payload.data(), i));
            track.references.emplace_back(ref.type, std::move(ids));
        }
    }
    const AtomNode* mdia = trak.child(FourCC("mdia"));
    if (!mdia) {
        problems.push_back("track " + std::to_string(track.trackID) + " has no 'mdia'");
        return;
    }
    if (const AtomNode* mdhd = mdia->child(FourCC("mdhd")))
        readMediaHeader(*mdhd, track);
    if (const AtomNode* hdlr = mdia->child(FourCC("hdlr")); hdlr && hdlr->payload.size() >= 12)
        track.handlerType = be::readU32(hdlr->payload.data(), 8);
    if (const AtomNode* dref = mdia->find("minf/dinf/dref"))
        readDataRefs(*dref, track, problems);
    if (const AtomNode* stbl = mdia->find("minf/stbl"))
        readSampleTable(*stbl, track, problems);
    else
        problems.push_back("track " + std::to_string(track.trackID) + " has no sample table");
}

} // namespace

OSErr ReadMovieFile(const std::string& path, MovieFileInfo& info) {
    info = MovieFileInfo{};
    info.path = path;
    if (OSErr err = ReadAtomTree(path, info.tree); err != noErr) {
        info.problems = info.tree.problems;
        return err;
    }
    info.problems = info.tree.problems;
    const AtomNode* moov = info.tree.topLevel(FourCC("moov"));
    if (!moov) {
        info.problems.push_back("no 'moov' atom: not a movie, or an incomplete one");
        return invalidMovie;
    }
    if (const AtomNode* mvhd = moov->child(FourCC("mvhd"))) {
        PayloadReader in(mvhd->payload);
        uint8_t version = in.u8();
        in.skip(3 + (version == 1 ? 16 : 8));
        info.timeScale = TimeScale(in.u32());
        info.duration = version == 1 ? in.u64() : in.u32();
        in.skip(4 + 2 + 10 + 36 + 24);
        info.nextTrackID = in.u32();
    } else {
        info.problems.push_back("'moov' has no 'mvhd'");
    }
    for (const AtomNode& trak : moov->children) {
        if (trak.type != FourCC("trak"))
            continue;
        MovieTrackInfo track;
        readTrack(trak, track, info.problems);
        info.tracks.push_back(std::move(track));
    }
    return noErr;
}

SampleWalker::SampleWalker(const MovieTrackInfo& track) : m_track(track) {
    std::string name = "track " + std::to_string(track.trackID) + ": ";
    uint64_t timed = 0;
    for (const auto& [count, duration] : track.timeToSample)
        timed += count;
    if (timed != track.sampleCount)
        fail(name + "'stts' times " + std::to_string(timed) + " samples, 'stsz' sizes " +
             std::to_string(track.sampleCount));
    else if (track.commonSampleSize == 0 && track.sampleSizes.size() != track.sampleCount)
        fail(name + "'stsz' lists " + std::to_string(track.sampleSizes.size()) + " sizes for " +
             std::to_string(track.sampleCount) + " samples");
}

bool SampleWalker::fail(std::string text) {
    if (m_problem.empty())
        m_problem = std::move(text);
    return false;
}

bool SampleWalker::next(MovieSampleInfo& sample) {
    const MovieTrackInfo& track = m_track;
    if (!m_problem.empty() || m_index >= track.sampleCount)
        return false;
    auto name = [&track] { return "track " + std::to_string(track.trackID) + ": "; };
    // Move to the chunk that holds the next sample, skipping chunks of no samples.
    for (;;) {
        if (m_chunk >= track.chunkOffsets.size())
            return fail(name() + "the chunks hold " + std::to_string(m_index) + " of " +
                        std::to_string(track.sampleCount) + " samples");
        const uint64_t chunkNumber = uint64_t(m_chunk) + 1;
        if (m_inChunk == 0) {
            while (m_run + 1 < track.sampleToChunk.size() &&
                   track.sampleToChunk[m_run + 1].firstChunk <= chunkNumber)
                ++m_run;
            if (track.sampleToChunk.empty() || track.sampleToChunk[m_run].firstChunk > chunkNumber)
                return fail(name() + "'stsc' does not cover chunk " + std::to_string(chunkNumber));
            const auto& run = track.sampleToChunk[m_run];
            if (run.descriptionIndex == 0 || run.descriptionIndex > track.descriptions.size())
                return fail(name() + "chunk " + std::to_string(chunkNumber) + " names description " +
                            std::to_string(run.descriptionIndex) + " of " +
                            std::to_string(track.descriptions.size()));
            m_offset = track.chunkOffsets[m_chunk];
        }
        if (m_inChunk < track.sampleToChunk[m_run].samplesPerChunk)
            break;
        ++m_chunk;
        m_inChunk = 0;
    }
    sample = MovieSampleInfo{};
    sample.offset = m_offset;
    sample.size = track.commonSampleSize ? track.commonSampleSize : track.sampleSizes[m_index];
    sample.descriptionIndex = track.sampleToChunk[m_run].descriptionIndex;
    // An offset near 2^64 would wrap the end of the sample to a small number that fits any file.
    if (sample.offset > UINT64_MAX - sample.size)
        return fail(name() + "sample " + std::to_string(m_index + 1) + " at offset " +
                    std::to_string(sample.offset) + " of " + std::to_string(sample.size) +
                    " bytes ends past 2^64");
    while (m_timeEntry < track.timeToSample.size() &&
           m_inTimeEntry >= track.timeToSample[m_timeEntry].first) {
        ++m_timeEntry;
        m_inTimeEntry = 0;
    }
    if (m_timeEntry < track.timeToSample.size()) {
        sample.duration = track.timeToSample[m_timeEntry].second;
        ++m_inTimeEntry;
    }
    m_offset += sample.size;
    ++m_inChunk;
    ++m_index;
    return true;
}

bool ExpandSamples(const MovieTrackInfo& track, std::vector<MovieSampleInfo>& samples, std::string& problem) {
    samples.clear();
    SampleWalker walker(track);
    if (!walker.valid()) {
        problem = walker.problem();
        return false;
    }
    if (track.sampleCount > kMaxExpandedSamples) {
        problem = "track " + std::to_string(track.trackID) + ": " + std::to_string(track.sampleCount) +
                  " samples are more than can be checked";
        return false;
    }
    MovieSampleInfo sample;
    while (walker.next(sample))
        samples.push_back(sample);
    if (!walker.valid()) {
        problem = walker.problem();
        samples.clear();
        return false;
    }
    return true;
}
