// reelmaker verify [--json] MOVIE: reads a movie (ours or another writer's) and checks that it is sound
// and that every sample kept in another file is there.
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/json.h"
#include "platform/movie/movie_check.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kUsage = "usage: reelmaker verify [--json] MOVIE\n";

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
    std::printf("%s: %s movie, time scale %d, duration %llu\n", path.c_str(),
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
            std::printf(", source name \"%s\"", inspection.sourceName->c_str());
        std::printf("\n");
    }
    if (!inspection.references.empty()) {
        std::printf("  references:\n");
        for (const ReferenceCheck& ref : inspection.references)
            std::printf("    frame %u: %s at %llu, %u bytes: %s\n", unsigned(ref.sample), ref.path.c_str(),
                        (unsigned long long)ref.offset, unsigned(ref.size),
                        ref.ok        ? "ok"
                        : ref.present ? "file too short"
                                      : "missing");
    }
    if (inspection.problems.empty()) {
        std::printf("  no problems found\n");
    } else {
        std::printf("  problems:\n");
        for (const std::string& problem : inspection.problems)
            std::printf("    %s\n", problem.c_str());
    }
}

void printJson(const MovieInspection& inspection) {
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
        json.endObject();
    }
    json.endArray();
    json.key("problems").beginArray();
    for (const std::string& problem : inspection.problems)
        json.value(problem);
    json.endArray();
    json.endObject();
    std::printf("%s\n", json.str().c_str());
}

} // namespace

int runVerifyCommand(const Arguments& args) {
    FileArguments parsed;
    if (int status = parseFileArguments(args, "verify", kUsage, 1, parsed); status >= 0)
        return status;
    const bool asJson = parsed.json;
    const std::string& path = parsed.files.front();
    MovieInspection inspection;
    InspectMovie(path, inspection);
    if (asJson)
        printJson(inspection);
    else
        printText(path, inspection);
    return inspection.sound() ? 0 : 1;
}
