// reelmaker verify [--json] MOVIE: reads a movie (ours or another writer's) and checks that it is sound
// and that every sample kept in another file is there.
#include "cli/commands.h"
#include "cli/display_text.h"
#include "cli/file_arguments.h"
#include "cli/json.h"
#include "document/dpx_movie_file.h"
#include "framefiles/frame_file_code.h"
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

} // namespace

int runVerifyCommand(const Arguments& args) {
    FileArguments parsed;
    if (int status = parseFileArguments(args, "verify", kUsage, 1, parsed); status >= 0)
        return status;
    const bool asJson = parsed.json;
    const std::string& path = parsed.files.front();
    MovieInspection inspection;
    InspectMovie(path, inspection, frameHeaderSize);
    if (asJson)
        printJson(inspection);
    else
        printText(path, inspection);
    return inspection.sound() ? 0 : 1;
}
