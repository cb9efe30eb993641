#include "platform/movie/movie_samples.h"

#include "platform/movie/data_ref_resolution.h"
#include "platform/movie/movie_errors.h"
#include "platform/movie/timecode_reading.h"
#include "platform/movie/video_track_checks.h"

#include <filesystem>
#include <map>
#include <optional>

namespace {

OSErr fail(std::string& problem, std::string text, OSErr status) {
    problem = std::move(text);
    return status;
}

OSErr readingStatusProblem(OSErr err, const MovieFileInfo& file, std::string& problem) {
    if (err == fnfErr)
        return fail(problem, "no such file", err);
    if (err == invalidMovie)
        return fail(problem, "not a movie (no movie atom)", err);
    return fail(problem, file.problems.empty() ? std::string("cannot be read") : file.problems.front(), err);
}

/// Locates every sample, resolving each data reference once and keeping each file once.
OSErr locateSamples(const MovieTrackInfo& track, uint64_t movieFileSize, MovieSamples& out,
                    std::string& problem) {
    SampleWalker walker(track);
    if (!walker.valid())
        return fail(problem, walker.problem(), invalidMedia);
    ReferencedFiles lookups;
    std::vector<std::optional<uint32_t>> fileOfRef(track.dataRefs.size());
    std::map<std::string, uint32_t> fileIndex;
    const uint64_t frameBytes = out.frameBytes();
    out.samples.reserve(track.sampleCount); // bounded by the caller
    MovieSampleInfo sample;
    while (walker.next(sample)) {
        const uint32_t number = walker.count();
        if (sample.size != frameBytes)
            return fail(problem, WrongFrameSizeText(number, sample.size, out.width, out.height),
                        invalidMedia);
        uint16_t refIndex = 0;
        const MovieDataRefInfo* ref = SampleDataRef(track, sample, refIndex);
        if (!ref)
            return fail(problem,
                        "frame " + std::to_string(number) + ": its description names data reference " +
                            std::to_string(refIndex) + " of " + std::to_string(track.dataRefs.size()),
                        badDataRefIndex);
        if (ref->selfContained && sample.offset + sample.size > movieFileSize)
            return fail(problem, "frame " + std::to_string(number) + " lies past the end of the movie file",
                        invalidMedia);
        out.selfContained = out.selfContained && ref->selfContained;
        std::optional<uint32_t>& file = fileOfRef[refIndex - 1];
        if (!file) {
            std::string path = ResolveDataRef(*ref, out.moviePath, lookups);
            auto [at, added] = fileIndex.emplace(path, uint32_t(out.files.size()));
            if (added)
                out.files.push_back(std::move(path));
            file = at->second;
        }
        out.samples.push_back(SampleSource{*file, sample.offset, sample.size});
    }
    if (!walker.valid())
        return fail(problem, walker.problem(), invalidMedia);
    return noErr;
}

void readTimecode(const MovieFileInfo& file, const MovieTrackInfo& video, MovieSamples& out) {
    const MovieTrackInfo* track = TimecodeTrackFor(file, &video);
    if (!track)
        return;
    ReferencedFiles lookups;
    TimecodeReading reading = ReadTimecodeTrack(*track, out.moviePath, lookups);
    out.sourceName = std::move(reading.sourceName);
    if (reading.def && reading.startFrame) {
        out.timecodeDef = reading.def;
        out.timecodeStartFrame = *reading.startFrame;
    }
}

} // namespace

OSErr ReadMovieSamples(const std::string& path, MovieSamples& out, std::string& problem) {
    out = MovieSamples{};
    problem.clear();
    std::error_code ec;
    out.moviePath = std::filesystem::absolute(path, ec).lexically_normal().string();
    MovieFileInfo file;
    if (OSErr err = ReadMovieFile(path, file); err != noErr)
        return readingStatusProblem(err, file, problem);

    const MovieTrackInfo* video = nullptr;
    for (const MovieTrackInfo& track : file.tracks)
        if (!video && track.handlerType == FourCC("vide"))
            video = &track;
    if (!video)
        return fail(problem, "the movie has no video track", invalidTrack);
    if (video->descriptions.empty())
        return fail(problem, "the video track has no sample description", badImageDescription);
    out.codec = video->descriptions.front().format;
    if (out.codec != FourCC("R10k") && out.codec != FourCC("R10g"))
        return fail(problem,
                    "the video is '" + FourCCString(out.codec) + "', not 10-bit RGB ('R10k' or 'R10g')",
                    featureUnsupported);
    std::tie(out.width, out.height) = DescriptionFrameSize(video->descriptions.front());
    if (out.width < 1 || out.height < 1)
        return fail(problem,
                    "the video's frame size is " + std::to_string(out.width) + "x" +
                        std::to_string(out.height),
                    badImageDescription);
    out.timeScale = video->timeScale;
    out.frameDuration = video->timeToSample.empty() ? 0 : video->timeToSample.front().second;
    if (video->sampleCount == 0)
        return fail(problem, "the video track has no frames", invalidMedia);
    const uint64_t fileSize = file.tree.fileSize;
    if (std::string implausible = ImplausibleSampleCount(*video, fileSize, MovieHeaderSize(file));
        !implausible.empty())
        return fail(problem, std::move(implausible), invalidMedia);
    if (OSErr err = locateSamples(*video, fileSize, out, problem); err != noErr)
        return err;
    readTimecode(file, *video, out);
    return noErr;
}
