#include "platform/movie/movie_check.h"

#include "platform/bigendian.h"
#include "platform/movie/movie_errors.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kProblemsPerKind = 20; // then one line counting the rest

/// Collects problems of one kind, keeping the first few and counting the others.
class ProblemList {
public:
    explicit ProblemList(std::vector<std::string>& out) : m_out(out) {}
    ~ProblemList() {
        if (m_dropped)
            m_out.push_back("... and " + std::to_string(m_dropped) + " more like it");
    }
    void add(std::string text) {
        if (m_kept < kProblemsPerKind) {
            m_out.push_back(std::move(text));
            ++m_kept;
        } else {
            ++m_dropped;
        }
    }

private:
    std::vector<std::string>& m_out;
    size_t m_kept = 0;
    size_t m_dropped = 0;
};

/// Sizes of the files that references resolve to, looked up once each.
class FileSizes {
public:
    std::optional<uint64_t> size(const std::string& path) {
        if (auto found = m_sizes.find(path); found != m_sizes.end())
            return found->second;
        std::optional<uint64_t> result;
        struct stat info {};
        if (!path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(path.c_str(), R_OK) == 0)
            result = uint64_t(info.st_size);
        m_sizes.emplace(path, result);
        return result;
    }

private:
    std::map<std::string, std::optional<uint64_t>> m_sizes;
};

/// The file a data reference names, seen from the movie, and whether it was found.
std::string resolveDataRef(const MovieDataRefInfo& ref, const std::string& moviePath, FileSizes& sizes) {
    if (ref.selfContained)
        return moviePath;
    if (!ref.aliasParsed)
        return {};
    std::string absolute = AliasAbsolutePath(ref.alias);
    if (sizes.size(absolute))
        return absolute;
    std::string relative = AliasRelativePath(ref.alias, moviePath);
    if (!relative.empty() && sizes.size(relative))
        return relative;
    return absolute.empty() ? relative : absolute;
}

TrackSummary summarize(const MovieTrackInfo& track) {
    TrackSummary summary;
    summary.trackID = track.trackID;
    summary.handlerType = track.handlerType;
    summary.timeScale = track.timeScale;
    summary.samples = track.sampleCount;
    summary.mediaDuration = track.mediaDuration;
    summary.enabled = track.enabled();
    if (!track.descriptions.empty()) {
        const MovieDescriptionInfo& d = track.descriptions.front();
        summary.format = d.format;
        if (track.handlerType == FourCC("vide") && d.bytes.size() >= 36) {
            summary.width = be::readU16(d.bytes.data(), 32);
            summary.height = be::readU16(d.bytes.data(), 34);
        }
    }
    if (!track.timeToSample.empty()) {
        summary.frameDuration = track.timeToSample.front().second;
        for (const auto& [count, duration] : track.timeToSample)
            summary.uniformDuration = summary.uniformDuration && duration == summary.frameDuration;
    }
    return summary;
}

bool readBytes(const std::string& path, uint64_t offset, uint8_t* out, size_t count) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ssize_t n = pread(fd, out, count, off_t(offset));
    close(fd);
    return n == ssize_t(count);
}

const MovieTrackInfo* timecodeTrackFor(const MovieFileInfo& file, const MovieTrackInfo* video) {
    if (video)
        for (const auto& [type, ids] : video->references)
            if (type == FourCC("tmcd"))
                for (const MovieTrackInfo& track : file.tracks)
                    for (uint32_t id : ids)
                        if (track.trackID == id)
                            return &track;
    for (const MovieTrackInfo& track : file.tracks)
        if (track.handlerType == FourCC("tmcd"))
            return &track;
    return nullptr;
}

void inspectTimecode(const MovieTrackInfo& track, const std::string& moviePath, FileSizes& sizes,
                     MovieInspection& out) {
    std::string name = "timecode track " + std::to_string(track.trackID);
    if (track.descriptions.empty() || track.descriptions.front().format != FourCC("tmcd") ||
        track.descriptions.front().bytes.size() < 34) {
        out.problems.push_back(name + " has no timecode description");
        return;
    }
    const std::vector<uint8_t>& d = track.descriptions.front().bytes;
    TimeCodeDef def = ReadTimeCodeDef(d.data() + TimeCodeDescriptionLayout::kTimeCodeDef);
    out.timecodeDef = def;
    out.dropFrame = (def.flags & tcDropFrame) != 0;
    // The source reference: a 'name' atom in place of the 4 zero bytes at offset 34.
    size_t at = TimeCodeDescriptionLayout::kSourceRef;
    if (d.size() >= at + 12 && be::readU32(d.data(), at + 4) == TCSourceRefNameType) {
        size_t length = be::readU16(d.data(), at + 8);
        size_t atomSize = be::readU32(d.data(), at);
        if (length + 12 <= atomSize && at + 12 + length <= d.size())
            out.sourceName = std::string(reinterpret_cast<const char*>(d.data() + at + 12), length);
        else
            out.problems.push_back(name + ": the source name runs past its description");
    }

    std::vector<MovieSampleInfo> samples;
    std::string problem;
    if (!ExpandSamples(track, samples, problem)) {
        out.problems.push_back(problem);
        return;
    }
    if (samples.empty()) {
        out.problems.push_back(name + " has no sample");
        return;
    }
    const MovieSampleInfo& first = samples.front();
    uint16_t refIndex = track.descriptions[first.descriptionIndex - 1].dataRefIndex;
    std::string path = refIndex >= 1 && refIndex <= track.dataRefs.size()
                           ? resolveDataRef(track.dataRefs[refIndex - 1], moviePath, sizes)
                           : std::string();
    uint8_t bytes[4];
    if (first.size < 4 || path.empty() || !readBytes(path, first.offset, bytes, 4)) {
        out.problems.push_back(name + ": its sample cannot be read");
        return;
    }
    TimeCodeRecord record;
    if (FrameNumberToTimeCode(def, int32_t(be::readU32(bytes)), record) != noErr) {
        out.problems.push_back(name + ": frames per second is 0");
        return;
    }
    out.timecode = TimeCodeString(record, out.dropFrame);
}

void inspectVideo(const MovieTrackInfo& track, const std::string& moviePath, uint64_t fileSize,
                  FileSizes& sizes, MovieInspection& out) {
    std::vector<MovieSampleInfo> samples;
    std::string problem;
    if (!ExpandSamples(track, samples, problem)) {
        out.problems.push_back(problem);
        return;
    }
    if (samples.empty())
        out.problems.push_back("the video track has no frames");
    ProblemList sampleProblems(out.problems);
    for (size_t i = 0; i < samples.size(); ++i) {
        const MovieSampleInfo& sample = samples[i];
        std::string frame = "frame " + std::to_string(i + 1);
        uint16_t refIndex = track.descriptions[sample.descriptionIndex - 1].dataRefIndex;
        if (refIndex == 0 || refIndex > track.dataRefs.size()) {
            sampleProblems.add(frame + ": its description names data reference " + std::to_string(refIndex) +
                               " of " + std::to_string(track.dataRefs.size()));
            out.selfContained = false;
            continue;
        }
        const MovieDataRefInfo& ref = track.dataRefs[refIndex - 1];
        uint64_t end = sample.offset + sample.size;
        if (ref.selfContained) {
            if (end > fileSize)
                sampleProblems.add(frame + " lies past the end of the movie file (" + std::to_string(end) +
                                   " > " + std::to_string(fileSize) + ")");
            continue;
        }
        out.selfContained = false;
        ReferenceCheck check;
        check.sample = uint32_t(i + 1);
        check.offset = sample.offset;
        check.size = sample.size;
        check.path = resolveDataRef(ref, moviePath, sizes);
        std::optional<uint64_t> size = sizes.size(check.path);
        check.present = size.has_value();
        check.ok = check.present && end <= *size;
        if (check.path.empty())
            sampleProblems.add(frame + ": its data reference names no file");
        else if (!check.present)
            sampleProblems.add(frame + ": " + check.path + " is missing");
        else if (!check.ok)
            sampleProblems.add(frame + ": " + check.path + " holds " + std::to_string(*size) +
                               " bytes; the sample ends at " + std::to_string(end));
        out.references.push_back(std::move(check));
    }
}

} // namespace

std::string FormatFrameRate(TimeScale timeScale, uint32_t frameDuration) {
    if (frameDuration == 0)
        return "0";
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", double(timeScale) / frameDuration);
    std::string s = text;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s;
}

OSErr InspectMovie(const std::string& path, MovieInspection& out) {
    out = MovieInspection{};
    OSErr err = ReadMovieFile(path, out.file);
    out.problems = out.file.problems;
    if (err == fnfErr)
        out.problems.push_back(path + ": no such file");
    else if (err == ioErr)
        out.problems.push_back(path + ": cannot be read");
    if (err != noErr)
        return err;

    std::error_code ec;
    std::string moviePath = std::filesystem::absolute(path, ec).lexically_normal().string();
    FileSizes sizes;
    const MovieTrackInfo* video = nullptr;
    for (const MovieTrackInfo& track : out.file.tracks) {
        out.tracks.push_back(summarize(track));
        if (!video && track.handlerType == FourCC("vide"))
            video = &track;
    }
    if (!video) {
        out.problems.push_back("the movie has no video track");
    } else {
        out.video = summarize(*video);
        inspectVideo(*video, moviePath, out.file.tree.fileSize, sizes, out);
    }
    if (const MovieTrackInfo* tc = timecodeTrackFor(out.file, video))
        inspectTimecode(*tc, moviePath, sizes, out);
    return noErr;
}
