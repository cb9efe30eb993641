// reelmaker show FILE [--mode N] [--rate R] -o PICTURE.png: opens FILE as the application does,
// shows its frame on the software output device as the document window does when it comes to the
// front (in the mode chosen for the frames, or in mode N picked in the "Display" menu), and writes
// what the device then shows to a PNG of the mode's size.
#include "app/device_video_out.h"
#include "app/headless_session.h"
#include "app/my_app_controller.h"
#include "cli/commands.h"
#include "cli/opening_log.h"
#include "cli/png_writer.h"
#include "cli/usage_error.h"
#include "document/settings_tables.h"
#include "platform/display_text.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

namespace {

const char kUsage[] =
    "usage: reelmaker show FILE [--mode N] [--rate R] -o PICTURE.png\n"
    "  N: a display mode of the output device, as `reelmaker modes` numbers them\n"
    "     (default: the mode chosen for the frames' size, codec and rate)\n"
    "  R: a frame-rate tag 0-8 or 23.976 (23.98), 24, 25, 29.97df, 29.97, 30, 50, 59.94, 60\n"
    "     (default 23.976)\n";

int usageError(const Arguments& args, const std::string& problem) {
    return reportUsageError("show", problem, kUsage, jsonRequested(args));
}

int failure(const std::string& problem) {
    std::fprintf(stderr, "reelmaker show: %s\n", problem.c_str());
    return 1;
}

std::optional<int32_t> parseMode(const std::string& text) {
    int32_t value = 0;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || text.empty() || value < 1)
        return std::nullopt;
    return value;
}

struct Options {
    std::optional<std::string> path;
    std::optional<std::string> output;
    std::optional<int32_t> mode;
    std::optional<int32_t> rateTag;
};

// Parses the arguments; a non-empty result is the exit status of a usage error or of --help.
std::optional<int> parseOptions(const Arguments& args, Options& options) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            std::printf("%s", kUsage);
            return 0;
        } else if (!optionsEnded && (arg == "--mode" || arg == "--rate" || arg == "-o")) {
            if (i + 1 >= args.size())
                return usageError(args, arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "--mode") {
                options.mode = parseMode(value);
                if (!options.mode)
                    return usageError(args, "--mode needs a mode number from 1, not '" + value + "'");
            } else if (arg == "--rate") {
                options.rateTag = settings::parseFrameRate(value);
                if (!options.rateTag)
                    return usageError(args, "unknown frame rate '" + value + "'");
            } else {
                options.output = value;
            }
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return usageError(args, "unknown option '" + arg + "'");
        } else if (options.path) {
            return usageError(args, "one file only");
        } else {
            options.path = arg;
        }
    }
    if (!options.path)
        return usageError(args, "no file given");
    if (!options.output)
        return usageError(args, "no picture given (-o PICTURE.png)");
    return std::nullopt;
}

// The user's pick of a mode: the "Display" menu rebuilt as it opens, then its item chosen, which
// restarts the output in that mode.
bool pickDisplayMode(HeadlessSession& session, int32_t mode) {
    fw::MenuItem* display = session.framework().mainMenu().itemWithTitle("Display");
    if (!display || !display->submenu())
        return false;
    fw::Menu& menu = *display->submenu();
    menu.menuWillOpen();
    fw::MenuItem* item = menu.itemWithTag(mode);
    if (!item)
        return false;
    item->sendAction();
    return true;
}

} // namespace

int runShowCommand(const Arguments& args) {
    Options options;
    if (std::optional<int> status = parseOptions(args, options))
        return *status;

    // The rate as the user's stored preference, so that the window opens with it and the output's
    // first start chooses the mode for it. In memory: the desktop application's stored preferences
    // are neither read nor changed.
    fw::DefaultsDictionary stored;
    if (options.rateTag)
        stored.emplace_back(prefkey::kFrameRate, *options.rateTag);
    HeadlessSession session(stored);
    auto* output = dynamic_cast<DeviceVideoOut*>(session.controller().videoOut());
    if (!output || !output->enabled())
        return failure("no usable output device");
    const MyVideoOut& videoOut = output->videoOut();
    if (options.mode && *options.mode > videoOut.numDisplayModes())
        return usageError(args, "the output device has modes 1-" +
                                    std::to_string(videoOut.numDisplayModes()) + ", not " +
                                    std::to_string(*options.mode));

    OpeningLog log(true);
    std::shared_ptr<DPXMovieFile> document = session.openDocument(*options.path);
    if (!document || document->currentFileCode() == 0) {
        log.release();
        return reportOpeningFailure(false, log.failure(*options.path));
    }
    log.release();
    if (options.mode && !pickDisplayMode(session, *options.mode))
        return failure("the \"Display\" menu has no mode " + std::to_string(*options.mode));
    // The window in front has started the output; show its current frame (again) to learn whether
    // the output took it.
    if (OSErr status = document->startVideoOut(); status != noErr)
        return failure("the output device did not show the frame (status " + std::to_string(status) + ")");

    const GWorld* surface = output->device().surface();
    const int32_t mode = videoOut.displayMode();
    if (!surface || mode < 1 || mode > videoOut.numDisplayModes())
        return failure("the output device shows nothing");
    std::string problem;
    if (!writeRgbPng(*options.output, surface->baseAddress(), surface->width(), surface->height(),
                     surface->rowBytes(), problem))
        return failure(printable(*options.output) + ": " + problem);

    const DisplayModeRecord& record = videoOut.displayModes()[size_t(mode - 1)];
    std::printf("%s: mode %d  %s  %d x %d, frame %d x %d\n", printable(*options.output).c_str(), mode,
                printable(record.name).c_str(), surface->width(), surface->height(), document->frameWidth(),
                document->frameHeight());
    return 0;
}
