// reelmaker verify [--json] [--against FRAME] MOVIE: reads a movie (ours or another writer's) and checks
// that it is sound and that every sample kept in another file is there; with --against, that its
// samples are the frames of FRAME's sequence from FRAME on.
#include "cli/commands.h"
#include "cli/comparison_report.h"
#include "cli/file_arguments.h"
#include "cli/json.h"
#include "cli/movie_comparison.h"
#include "cli/sequence_frames.h"
#include "document/dpx_movie_file.h"
#include "framefiles/frame_file_code.h"
#include "platform/display_text.h"
#include "platform/movie/movie_check.h"
#include "platform/movie/movie_samples.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: reelmaker verify [--json] [--against FRAME] MOVIE\n"
    "  --against FRAME  compare every sample with the frames of FRAME's sequence, FRAME being the\n"
    "                   movie's first: the pixel data of a self-contained movie byte for byte, the\n"
    "                   file and offset each sample of a reference movie points at\n";

std::string trackKind(OSType handler) {
    switch (handler) {
    case FourCC("vide"):
        return "video";
    case FourCC("tmcd"):
        return "timecode";
    case FourCC("soun"):
        return "sound";
    default:
        return "type " + FourCCString(handler);
    }
}

void printText(const std::string& path, const MovieInspection& inspection) {
    const MovieFileInfo& file = inspection.file;
    std::printf("%s: %s movie, time scale %d, duration %llu\n", terminalText(path).c_str(),
                inspection.selfContained ? "self-contained" : "reference", int(file.timeScale),
                (unsigned long long)file.duration);
    for (const TrackSummary& track : inspection.tracks) {
        std::printf("  track %u: %s '%s'", unsigned(track.trackID), trackKind(track.handlerType).c_str(),
                    FourCCString(track.format).c_str());
        if (track.handlerType == FourCC("vide"))
            std::printf(" %dx%d", track.width, track.height);
        if (track.handlerType == FourCC("vide"))
            std::printf(", time scale %d, frame duration %u%s (%s fps), %u frames", int(track.timeScale),
                        unsigned(track.frameDuration), track.uniformDuration ? "" : " (varies)",
                        FormatFrameRate(track.timeScale, track.frameDuration).c_str(),
                        unsigned(track.samples));
        else
            std::printf(", time scale %d, %u sample%s", int(track.timeScale), unsigned(track.samples),
                        track.samples == 1 ? "" : "s");
        std::printf(", duration %llu, %s\n", (unsigned long long)track.mediaDuration,
                    track.enabled ? "enabled" : "disabled");
    }
    if (inspection.timecode) {
        int fps = inspection.timecodeDef ? inspection.timecodeDef->numFrames : 0;
        std::printf("  timecode %s (%d fps, %s)", inspection.timecode->c_str(), fps,
                    inspection.dropFrame ? "drop frame" : "non-drop");
        if (inspection.sourceName)
            std::printf(", source name \"%s\"", terminalText(*inspection.sourceName).c_str());
        std::printf("\n");
    }
    if (!inspection.references.empty()) {
        std::printf("  references:\n");
        for (const ReferenceCheck& ref : inspection.references)
            std::printf("    frame %u: %s at %llu, %u bytes: %s\n", unsigned(ref.sample),
                        terminalText(ref.path).c_str(), (unsigned long long)ref.offset, unsigned(ref.size),
                        ref.ok        ? "ok"
                        : ref.present ? "file too short"
                                      : "missing");
        if (inspection.referenceCount > inspection.references.size())
            std::printf("    ... and %llu more\n",
                        (unsigned long long)(inspection.referenceCount - inspection.references.size()));
    }
    if (inspection.problems.empty()) {
        std::printf("  no problems found\n");
    } else {
        std::printf("  problems:\n");
        for (const std::string& problem : inspection.problems)
            std::printf("    %s\n", terminalText(problem).c_str());
    }
}

void printJson(const MovieInspection& inspection, const std::optional<FrameComparison>& comparison) {
    const std::optional<TrackSummary>& video = inspection.video;
    JsonWriter json;
    json.beginObject();
    if (video)
        json.field("codec", FourCCString(video->format));
    else
        json.key("codec").null();
    json.field("width", video ? video->width : 0);
    json.field("height", video ? video->height : 0);
    json.field("timescale", video ? int(video->timeScale) : 0);
    json.field("frame_duration", video ? int64_t(video->frameDuration) : 0);
    json.field("frames", video ? int64_t(video->samples) : 0);
    json.field("self_contained", video.has_value() && inspection.selfContained);
    json.field("timecode", inspection.timecode);
    json.field("drop_frame", inspection.timecode.has_value() && inspection.dropFrame);
    json.field("source_name", inspection.sourceName);
    json.key("references").beginArray();
    for (const ReferenceCheck& ref : inspection.references) {
        json.beginObject();
        json.field("path", ref.path);
        json.field("offset", int64_t(ref.offset));
        json.field("size", int64_t(ref.size));
        json.field("ok", ref.ok);
        json.field("present", ref.present);
        if (ref.present)
            json.field("file_size", int64_t(ref.fileSize));
        else
            json.key("file_size").null();
        json.endObject();
    }
    json.endArray();
    json.field("reference_count", int64_t(inspection.referenceCount));
    json.key("problems").beginArray();
    for (const std::string& problem : inspection.problems)
        json.value(problem);
    json.endArray();
    if (comparison)
        writeComparisonJson(json, *comparison);
    json.endObject();
    std::printf("%s\n", json.str().c_str());
}

/// The size a referenced frame file's header gives now (its pixel data may have been rewritten at
/// another size since the movie was made).
std::optional<std::pair<int, int>> frameHeaderSize(const std::string& path) {
    int32_t code = kFileCodeUnknown;
    std::shared_ptr<FrameFile> frame = DPXMovieFile::openFileAtPath(path, code);
    if (!frame || code == kFileCodeUnknown)
        return std::nullopt;
    const NSSize size = frame->frameSize();
    return std::make_pair(int(size.width), int(size.height));
}

/// The movie's samples against the frames of FRAME's sequence from FRAME on.
FrameComparison compareWithFrames(const std::string& moviePath, const std::string& frame) {
    FrameComparison comparison;
    comparison.frame = frame;
    MovieSamples movie;
    if (ReadMovieSamples(moviePath, movie, comparison.problem) != noErr)
        return comparison;
    std::vector<ExpectedFrame> frames;
    // Frames past the movie's length are never looked at.
    if (!FramesFrom(frame, movie.count(), frames, comparison.problem))
        return comparison;
    comparison.result = CompareMovieWithFrames(movie, frames);
    return comparison;
}

} // namespace

int runVerifyCommand(const Arguments& args) {
    FileArguments parsed;
    if (int status = parseFileArguments(args, "verify", kUsage, 1, parsed, {"--against"}); status >= 0)
        return status;
    const bool asJson = parsed.json;
    const std::string& path = parsed.files.front();
    MovieInspection inspection;
    InspectMovie(path, inspection, frameHeaderSize);
    std::optional<FrameComparison> comparison;
    if (auto against = parsed.values.find("--against"); against != parsed.values.end())
        comparison = compareWithFrames(path, against->second);
    if (asJson) {
        if (comparison && !comparison->problem.empty())
            inspection.problems.push_back("not compared against " + comparison->frame + ": " +
                                          comparison->problem);
        printJson(inspection, comparison);
    } else {
        printText(path, inspection);
        if (comparison)
            printComparisonText(*comparison);
    }
    return inspection.sound() && (!comparison || comparison->identical()) ? 0 : 1;
}
