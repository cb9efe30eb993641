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
constexpr uint64_t kMinCheckedSamples = 1'000'000;
constexpr uint64_t kSamplesPerHeaderByte = 64;

/// Collects problems of one kind, keeping the first few and counting the others.
class ProblemList {
public:
    explicit ProblemList(std::vector<std::string>& out) : m_out(out) {}
    ~ProblemList() {
        if (m_dropped)
            m_out.push_back("... and " + std::to_string(m_dropped) + " more like it");
    }
    /// `text` makes the problem's text, called only when it is kept: millions of samples may fail.
    template <typename MakeText> void add(MakeText text) {
        if (m_kept < kProblemsPerKind) {
            m_out.push_back(text());
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

/// What became of a file a reference names, looked up once per path.
struct FileLookup {
    bool present = false; // a regular file that could be opened
    uint64_t size = 0;
    std::string why; // when not present: "missing", "not a regular file", ...
};

class ReferencedFiles {
public:
    const FileLookup& lookup(const std::string& path) {
        if (auto found = m_files.find(path); found != m_files.end())
            return found->second;
        FileLookup result;
        std::vector<std::string> reasons;
        int fd = -1;
        if (path.empty()) {
            result.why = "names no file";
        } else if (OSErr err = OpenRegularFile(path, fd, result.size, &reasons); err == noErr) {
            close(fd);
            result.present = true;
        } else if (err == fnfErr) {
            result.why = "missing";
        } else {
            // The reason without the path, which the caller shows beside it.
            std::string reason = reasons.empty() ? std::string("cannot be read") : reasons.back();
            if (reason.size() > path.size() + 2)
                reason.erase(0, path.size() + 2);
            result.why = reason == "not a regular file"   ? reason
                         : reason == "symbolic link loop" ? "a " + reason
                                                          : "unreadable (" + reason + ")";
        }
        return m_files.emplace(path, std::move(result)).first->second;
    }

private:
    std::map<std::string, FileLookup> m_files;
};

/// The file a data reference names, seen from the movie: the path it records, else the same file by
/// the relative levels between the movie's folder and it; a recorded path that is itself relative is
/// taken from the movie's folder, never from the current directory.
std::string resolveDataRef(const MovieDataRefInfo& ref, const std::string& moviePath,
                           ReferencedFiles& files) {
    if (ref.selfContained)
        return moviePath;
    if (!ref.aliasParsed)
        return {};
    std::string absolute = AliasAbsolutePath(ref.alias);
    if (!absolute.empty() && absolute.front() != '/')
        absolute = (std::filesystem::path(moviePath).parent_path() / absolute).lexically_normal().string();
    if (files.lookup(absolute).present)
        return absolute;
    std::string relative = AliasRelativePath(ref.alias, moviePath);
    if (!relative.empty() && files.lookup(relative).present)
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

/// Reads bytes of the movie's own file, within the size fstat gives.
bool readMovieBytes(const std::string& path, uint64_t offset, uint8_t* out, size_t count) {
    int fd = -1;
    uint64_t size = 0;
    if (OpenRegularFile(path, fd, size, nullptr) != noErr)
        return false;
    bool ok =
        offset <= size && count <= size - offset && pread(fd, out, count, off_t(offset)) == ssize_t(count);
    close(fd);
    return ok;
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

void inspectTimecode(const MovieTrackInfo& track, const std::string& moviePath, ReferencedFiles& files,
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

    SampleWalker walker(track);
    MovieSampleInfo first;
    if (!walker.next(first)) {
        out.problems.push_back(walker.valid() ? name + " has no sample" : walker.problem());
        return;
    }
    uint16_t refIndex = track.descriptions[first.descriptionIndex - 1].dataRefIndex;
    if (refIndex < 1 || refIndex > track.dataRefs.size()) {
        out.problems.push_back(name + ": its description names data reference " + std::to_string(refIndex) +
                               " of " + std::to_string(track.dataRefs.size()));
        return;
    }
    // Only the movie's own file is read: the sample of a reference to another file (which could be
    // any file of the user's) is never shown, only whether it is there and large enough.
    const MovieDataRefInfo& ref = track.dataRefs[refIndex - 1];
    if (!ref.selfContained) {
        std::string path = resolveDataRef(ref, moviePath, files);
        const FileLookup& file = files.lookup(path);
        std::string where = path.empty() ? "a file it does not name" : path;
        std::string state = !file.present ? file.why
                            : first.offset + first.size <= file.size
                                ? "which holds it"
                                : "of " + std::to_string(file.size) + " bytes, too short for it";
        out.problems.push_back(name + ": its sample is in another file, not read: " + where + " (" + state +
                               ")");
        return;
    }
    uint8_t bytes[4];
    if (first.size < 4 || !readMovieBytes(moviePath, first.offset, bytes, 4)) {
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

/// The bytes of one frame of a 10-bit RGB codec (one 32-bit word per pixel), or 0 for other codecs.
uint64_t expectedFrameBytes(const TrackSummary& video) {
    if (video.format != FourCC("R10k") && video.format != FourCC("R10g"))
        return 0;
    return uint64_t(video.width) * uint64_t(video.height) * 4u;
}

void inspectVideo(const MovieTrackInfo& track, const TrackSummary& summary, const std::string& moviePath,
                  uint64_t fileSize, uint64_t headerSize, ReferencedFiles& files,
                  const FrameSizeProbe& frameSize, MovieInspection& out) {
    // Tables of a few bytes can claim billions of samples of one size, all in one chunk. Real movies
    // spend bytes on their samples (a chunk offset, a size, a data reference each, or at least a
    // few per chunk), so the count a header can describe grows with its size.
    const uint64_t maxSamples = kMinCheckedSamples + kSamplesPerHeaderByte * headerSize;
    SampleWalker walker(track);
    if (!walker.valid()) {
        out.problems.push_back(walker.problem());
        return;
    }
    if (track.sampleCount == 0)
        out.problems.push_back("the video track has no frames");
    if (track.sampleCount > maxSamples) {
        out.problems.push_back("the video track claims " + std::to_string(track.sampleCount) +
                               " frames, more than a movie header of " + std::to_string(headerSize) +
                               " bytes can plausibly describe");
        return;
    }
    // Samples of one size all in the movie's own file must fit in it, which is known before walking them.
    const bool allInMovie = track.dataRefs.size() == 1 && track.dataRefs.front().selfContained;
    if (allInMovie && track.commonSampleSize != 0 &&
        uint64_t(track.sampleCount) * track.commonSampleSize > fileSize) {
        out.problems.push_back("the video track claims " + std::to_string(track.sampleCount) + " frames of " +
                               std::to_string(track.commonSampleSize) +
                               " bytes, more than the movie file's " + std::to_string(fileSize));
        return;
    }
    const uint64_t frameBytes = expectedFrameBytes(summary);
    // Each data reference is resolved once, not once per sample.
    std::vector<std::optional<std::string>> resolved(track.dataRefs.size());
    std::map<std::string, std::optional<std::pair<int, int>>> headers;
    ProblemList sampleProblems(out.problems);
    ProblemList sizeProblems(out.problems);
    ProblemList headerProblems(out.problems);
    MovieSampleInfo sample;
    while (walker.next(sample)) {
        const uint32_t number = walker.count();
        auto frame = [number] { return "frame " + std::to_string(number); };
        if (frameBytes != 0 && sample.size != frameBytes)
            sizeProblems.add([&] {
                return std::string(frame() + " is " + std::to_string(sample.size) + " bytes; a " +
                                   std::to_string(summary.width) + "x" + std::to_string(summary.height) +
                                   " frame is " + std::to_string(frameBytes));
            });
        uint16_t refIndex = track.descriptions[sample.descriptionIndex - 1].dataRefIndex;
        if (refIndex == 0 || refIndex > track.dataRefs.size()) {
            sampleProblems.add([&] {
                return std::string(frame() + ": its description names data reference " +
                                   std::to_string(refIndex) + " of " + std::to_string(track.dataRefs.size()));
            });
            out.selfContained = false;
            continue;
        }
        const MovieDataRefInfo& ref = track.dataRefs[refIndex - 1];
        const uint64_t end = sample.offset + sample.size; // the walker refuses offsets that wrap
        if (ref.selfContained) {
            if (end > fileSize)
                sampleProblems.add([&] {
                    return std::string(frame() + " lies past the end of the movie file (" +
                                       std::to_string(end) + " > " + std::to_string(fileSize) + ")");
                });
            continue;
        }
        out.selfContained = false;
        std::optional<std::string>& path = resolved[refIndex - 1];
        if (!path)
            path = resolveDataRef(ref, moviePath, files);
        const FileLookup& file = files.lookup(*path);
        ReferenceCheck check;
        check.sample = number;
        check.offset = sample.offset;
        check.size = sample.size;
        check.path = *path;
        check.present = file.present;
        check.fileSize = file.present ? file.size : 0;
        check.ok = check.present && end <= file.size;
        if (check.path.empty())
            sampleProblems.add([&] { return std::string(frame() + ": its data reference names no file"); });
        else if (!check.present)
            sampleProblems.add([&] { return std::string(frame() + ": " + check.path + " is " + file.why); });
        else if (!check.ok)
            sampleProblems.add([&] {
                return std::string(frame() + ": " + check.path + " holds " + std::to_string(file.size) +
                                   " bytes; the sample ends at " + std::to_string(end));
            });
        if (check.present && frameSize && summary.width > 0) {
            auto known = headers.find(check.path);
            if (known == headers.end())
                known = headers.emplace(check.path, frameSize(check.path)).first;
            const auto& size = known->second;
            if (size && (size->first != summary.width || size->second != summary.height))
                headerProblems.add([&] {
                    return std::string(frame() + ": " + check.path + "'s header now gives " +
                                       std::to_string(size->first) + "x" + std::to_string(size->second) +
                                       ", not " + std::to_string(summary.width) + "x" +
                                       std::to_string(summary.height));
                });
        }
        ++out.referenceCount;
        if (out.references.size() < MovieInspection::kMaxListedReferences)
            out.references.push_back(std::move(check));
    }
    if (!walker.valid())
        out.problems.push_back(walker.problem());
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

OSErr InspectMovie(const std::string& path, MovieInspection& out, const FrameSizeProbe& frameSize) {
    out = MovieInspection{};
    OSErr err = ReadMovieFile(path, out.file);
    out.problems = out.file.problems;
    if (err == fnfErr && out.problems.empty())
        out.problems.push_back(path + ": no such file");
    else if (err == ioErr && out.problems.empty())
        out.problems.push_back(path + ": cannot be read");
    if (err != noErr)
        return err;

    std::error_code ec;
    std::string moviePath = std::filesystem::absolute(path, ec).lexically_normal().string();
    ReferencedFiles files;
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
        const AtomNode* moov = out.file.tree.topLevel(FourCC("moov"));
        inspectVideo(*video, *out.video, moviePath, out.file.tree.fileSize, moov ? moov->size : 0, files,
                     frameSize, out);
    }
    if (const MovieTrackInfo* tc = timecodeTrackFor(out.file, video))
        inspectTimecode(*tc, moviePath, files, out);
    return noErr;
}
