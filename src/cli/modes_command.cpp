// reelmaker modes [--json] [--for FILE [--rate R] [--codec C]]: the output device and its display
// modes, as the "Display" menu offers them, and the mode chosen for a frame file's pictures.
#include "cli/commands.h"
#include "cli/frame_report.h"
#include "cli/json.h"
#include "cli/usage_error.h"
#include "platform/display_text.h"

#include "document/settings_tables.h"

#include "platform/component/software_output_device.h"
#include "videoout/my_video_out.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

const char kUsage[] =
    "usage: reelmaker modes [--json] [--for FILE [--rate R] [--codec C]]\n"
    "  R: a frame-rate tag 0-8 or 23.976 (23.98), 24, 25, 29.97df, 29.97, 30, 50, 59.94, 60 "
    "(default 23.976)\n"
    "  C: R10k or R10g (default R10k)\n";

// The picture the mode is chosen for.
struct Picture {
    std::string path;
    int64_t width = 0;
    int64_t height = 0;
    int32_t rateTag = 0;
    int32_t codecTag = 0;
    int32_t chosen = 0;
};

/// The command's end on a failure: the problem on standard error, and as JSON with --json.
int failure(bool json, const std::string& problem) {
    std::fprintf(stderr, "reelmaker modes: %s\n", printable(problem).c_str());
    if (json)
        std::printf("%s\n", problemsJson(jsonText(problem)).c_str());
    return 1;
}

std::string codeText(OSType code) {
    return printable(FourCCString(code));
}

double rateValue(Fixed rate) {
    return double(rate) / 65536.0;
}

void writeJson(const MyVideoOut& videoOut, const std::optional<Picture>& picture) {
    JsonWriter json;
    json.beginObject();
    json.field("device", printable(videoOut.componentName()));
    json.key("modes").beginArray();
    int index = 0;
    for (const DisplayModeRecord& mode : videoOut.displayModes()) {
        json.beginObject();
        json.field("index", ++index);
        json.field("name", printable(mode.name));
        json.field("width", int64_t(mode.width));
        json.field("height", int64_t(mode.height));
        json.field("refresh_rate", int64_t(mode.refreshRate));
        json.field("pixel_type", codeText(mode.pixelType));
        json.key("decompressor_types").beginArray();
        for (OSType type : mode.decompressorTypes)
            if (type != 0)
                json.value(codeText(type));
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.key("chosen");
    picture ? json.value(picture->chosen) : json.null();
    json.endObject();
    std::printf("%s\n", json.str().c_str());
}

void writeText(const MyVideoOut& videoOut, const std::optional<Picture>& picture) {
    std::printf("device  %s\n", printable(videoOut.componentName()).c_str());
    std::printf("%5s  %-26s %-12s %8s  %-5s %s\n", "mode", "name", "size", "rate", "pixel", "decompressors");
    int index = 0;
    for (const DisplayModeRecord& mode : videoOut.displayModes()) {
        std::string size = std::to_string(mode.width) + " x " + std::to_string(mode.height);
        std::string decompressors;
        for (OSType type : mode.decompressorTypes) {
            if (type == 0)
                continue;
            if (!decompressors.empty())
                decompressors += ' ';
            decompressors.append("'").append(codeText(type)).append("'");
        }
        std::printf("%5d  %-26s %-12s %8.3f  %-5s %s\n", ++index, printable(mode.name).c_str(), size.c_str(),
                    rateValue(mode.refreshRate), codeText(mode.pixelType).c_str(), decompressors.c_str());
    }
    if (picture) {
        const DisplayModeRecord& mode = videoOut.displayModes()[size_t(picture->chosen - 1)];
        std::printf("chosen  %d  %s  for %lld x %lld '%s' at %s\n", picture->chosen,
                    printable(mode.name).c_str(), (long long)picture->width, (long long)picture->height,
                    std::string(settings::codecName(picture->codecTag)).c_str(),
                    std::string(settings::frameRateName(picture->rateTag)).c_str());
    }
}

int usageError(const Arguments& args, const std::string& problem) {
    return reportUsageError("modes", problem, kUsage, jsonRequested(args));
}

} // namespace

int runModesCommand(const Arguments& args) {
    bool json = false;
    std::optional<std::string> forPath;
    std::optional<std::string> rateText, codecText;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            json = true;
        } else if (arg == "-h" || arg == "--help") {
            std::printf("%s", kUsage);
            return 0;
        } else if (arg == "--for" || arg == "--rate" || arg == "--codec") {
            if (i + 1 >= args.size())
                return usageError(args, arg + " needs a value");
            std::optional<std::string>& target = arg == "--for"    ? forPath
                                                 : arg == "--rate" ? rateText
                                                                   : codecText;
            target = args[++i];
        } else {
            return usageError(args, "unexpected argument '" + arg + "'");
        }
    }
    std::optional<Picture> picture;
    if (forPath) {
        picture = Picture{*forPath};
        if (rateText) {
            std::optional<int32_t> tag = settings::parseFrameRate(*rateText);
            if (!tag)
                return usageError(args, "unknown frame rate '" + *rateText + "'");
            picture->rateTag = *tag;
        }
        if (codecText) {
            std::optional<int32_t> tag = settings::parseCodec(*codecText);
            if (!tag)
                return usageError(args, "unknown codec '" + *codecText + "'");
            picture->codecTag = *tag;
        }
    } else if (rateText || codecText) {
        return usageError(args, "--rate and --codec go with --for");
    }

    if (picture) {
        FrameReport report = reportFrameFile(picture->path);
        if (!report.fileOK || !report.width || !report.height) {
            return failure(json, picture->path + ": not a usable frame file (" +
                                     report.problem.value_or("unknown kind") + ")");
        }
        picture->width = *report.width;
        picture->height = *report.height;
    }

    // The registry goes last: the controller closes its instance in it.
    ComponentRegistry registry;
    RegisterSoftwareOutputDevice(registry);
    std::shared_ptr<MyVideoOut> videoOut = MyVideoOut::initWithComponentType(
        QTVideoOutputComponentType, kSoftwareOutputSubType, kSoftwareOutputManufacturer);
    if (!videoOut || !videoOut->enabled()) {
        return failure(json, "no usable output device");
    }
    if (picture) {
        picture->chosen = videoOut->ChooseBestDisplayModeForFormat(
            settings::codecTypeForTag(picture->codecTag), uint32_t(picture->width), uint32_t(picture->height),
            settings::frameRateSettingsForTag(picture->rateTag).frameRate);
    }
    if (json)
        writeJson(*videoOut, picture);
    else
        writeText(*videoOut, picture);
    return 0;
}
