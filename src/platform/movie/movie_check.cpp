#include "platform/movie/movie_check.h"

#include "platform/movie/data_ref_resolution.h"
#include "platform/movie/timecode_reading.h"
#include "platform/movie/video_track_checks.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <tuple>

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
        if (track.handlerType == FourCC("vide"))
            std::tie(summary.width, summary.height) = DescriptionFrameSize(d);
    }
    if (!track.timeToSample.empty()) {
        summary.frameDuration = track.timeToSample.front().second;
        for (const auto& [count, duration] : track.timeToSample)
            summary.uniformDuration = summary.uniformDuration && duration == summary.frameDuration;
    }
    return summary;
}

void inspectTimecode(const MovieTrackInfo& track, const std::string& moviePath, ReferencedFiles& files,
                     MovieInspection& out) {
    TimecodeReading reading = ReadTimecodeTrack(track, moviePath, files);
    out.timecodeDef = reading.def;
    out.dropFrame = reading.def && (reading.def->flags & tcDropFrame) != 0;
    out.sourceName = std::move(reading.sourceName);
    out.problems.insert(out.problems.end(), reading.problems.begin(), reading.problems.end());
    if (!reading.startFrame)
        return;
    TimeCodeRecord record;
    if (FrameNumberToTimeCode(*reading.def, *reading.startFrame, record) != noErr) {
        out.problems.push_back("timecode track " + std::to_string(track.trackID) +
                               ": frames per second is 0");
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
    SampleWalker walker(track);
    if (!walker.valid()) {
        out.problems.push_back(walker.problem());
        return;
    }
    if (track.sampleCount == 0)
        out.problems.push_back("the video track has no frames");
    if (std::string implausible = ImplausibleSampleCount(track, fileSize, headerSize); !implausible.empty()) {
        out.problems.push_back(std::move(implausible));
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
            sizeProblems.add(
                [&] { return WrongFrameSizeText(number, sample.size, summary.width, summary.height); });
        uint16_t refIndex = 0;
        const MovieDataRefInfo* ref = SampleDataRef(track, sample, refIndex);
        if (!ref) {
            sampleProblems.add([&] {
                return std::string(frame() + ": its description names data reference " +
                                   std::to_string(refIndex) + " of " + std::to_string(track.dataRefs.size()));
            });
            out.selfContained = false;
            continue;
        }
        const uint64_t end = sample.offset + sample.size; // the walker refuses offsets that wrap
        if (ref->selfContained) {
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
            path = ResolveDataRef(*ref, moviePath, files);
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
        inspectVideo(*video, *out.video, moviePath, out.file.tree.fileSize, MovieHeaderSize(out.file), files,
                     frameSize, out);
    }
    if (const MovieTrackInfo* tc = TimecodeTrackFor(out.file, video))
        inspectTimecode(*tc, moviePath, files, out);
    return noErr;
}
