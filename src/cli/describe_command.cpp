// reelmaker describe [--json] FILE [--rate R] [--codec C] [--in I] [--out O] [--source-id S]: opens
// FILE as the application does, sets the window's controls as a user would and shows what the
// document then holds: the description text, the window's size and the movie settings.
#include "app/headless_session.h"
#include "cli/commands.h"
#include "cli/display_text.h"
#include "cli/json.h"
#include "document/settings_tables.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

namespace {

const char kUsage[] =
    "usage: reelmaker describe [--json] FILE [--rate R] [--codec C] [--in I] [--out O] [--source-id S]\n"
    "  R: a frame-rate tag 0-8 or 23.976, 24, 25, 29.97df, 29.97, 30, 50, 59.94, 60\n"
    "  C: R10k or R10g\n"
    "  I, O: the first and last frame of the range (0-based indices, both included)\n"
    "  S: the source ID (the timecode's source name)\n";

int usageError(const std::string& problem) {
    std::fprintf(stderr, "reelmaker describe: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

std::optional<int32_t> parseIndex(const std::string& text) {
    int32_t value = 0;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || text.empty())
        return std::nullopt;
    return value;
}

struct Options {
    bool json = false;
    std::optional<std::string> path;
    std::optional<int32_t> rateTag;
    std::optional<int32_t> codecTag;
    std::optional<int32_t> in;
    std::optional<int32_t> out;
    std::optional<std::string> sourceID;
};

// The user's acts on the window: each control is set and sends its action, as a click or a
// keystroke does.
void choose(fw::PopUpButton& popup, int32_t tag) {
    popup.selectItemAtIndex(popup.indexOfItemWithTag(tag));
    popup.sendAction();
}

void browseTo(DPXMovieFile& document, int32_t index) {
    fw::Slider& slider = *document.frameSlider();
    slider.setIntValue(index);
    slider.sendAction();
}

void type(fw::TextField& field, const std::string& text) {
    field.setStringValue(text);
    field.textDidChange();
    field.sendAction();
}

std::string fourCharText(OSType code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += char((code >> shift) & 0xFF);
    return text;
}

void writeJson(DPXMovieFile& document) {
    const NSSize size = document.window()->contentSize();
    JsonWriter json;
    json.beginObject();
    json.field("description", jsonText(document.descriptText()->stringValue()));
    json.field("content_width", double(size.width));
    json.field("content_height", double(size.height));
    json.field("timescale", document.movieTimescale());
    json.field("frame_duration", document.frameDuration());
    json.field("rate_fixed", int64_t(document.frameRate()));
    json.field("drop_frame", document.tcDropFrame());
    json.field("codec", jsonText(fourCharText(document.codecType())));
    json.field("source_id", jsonText(document.sourceID()));
    json.field("proposed_name", jsonText(document.getDefaultFileNameString()));
    json.field("in", document.inFrame());
    json.field("out", document.outFrame() - 1);
    json.field("frames", document.outFrame() - document.inFrame());
    json.endObject();
    std::printf("%s\n", json.str().c_str());
}

void writeText(DPXMovieFile& document) {
    const NSSize size = document.window()->contentSize();
    // The description's three lines, each made safe for the terminal.
    const std::string description = document.descriptText()->stringValue();
    for (size_t start = 0; start <= description.size();) {
        size_t end = description.find('\n', start);
        if (end == std::string::npos)
            end = description.size();
        std::printf("%s\n", printable(description.substr(start, end - start)).c_str());
        start = end + 1;
    }
    std::printf("\n");
    std::printf("window          %g x %g\n", double(size.width), double(size.height));
    std::printf("time scale      %d\n", document.movieTimescale());
    std::printf("frame duration  %d\n", document.frameDuration());
    std::printf("rate            0x%08X (%.3f fps)\n", uint32_t(document.frameRate()),
                double(document.frameRate()) / 65536.0);
    std::printf("drop frame      %s\n", document.tcDropFrame() ? "yes" : "no");
    std::printf("codec           %s\n", printable(fourCharText(document.codecType())).c_str());
    std::printf("source ID       \"%s\"\n", printable(document.sourceID()).c_str());
    std::printf("proposed name   %s\n", printable(document.getDefaultFileNameString()).c_str());
    std::printf("range           %d-%d, %d frames\n", document.inFrame(), document.outFrame() - 1,
                document.outFrame() - document.inFrame());
}

} // namespace

int runDescribeCommand(const Arguments& args) {
    Options options;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--json") {
            options.json = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            std::printf("%s", kUsage);
            return 0;
        } else if (!optionsEnded && (arg == "--rate" || arg == "--codec" || arg == "--in" || arg == "--out" ||
                                     arg == "--source-id")) {
            if (i + 1 >= args.size())
                return usageError(arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "--rate") {
                options.rateTag = settings::parseFrameRate(value);
                if (!options.rateTag)
                    return usageError("unknown frame rate '" + value + "'");
            } else if (arg == "--codec") {
                options.codecTag = settings::parseCodec(value);
                if (!options.codecTag)
                    return usageError("unknown codec '" + value + "'");
            } else if (arg == "--source-id") {
                options.sourceID = value;
            } else {
                std::optional<int32_t> index = parseIndex(value);
                if (!index)
                    return usageError(arg + " needs a frame index, not '" + value + "'");
                (arg == "--in" ? options.in : options.out) = index;
            }
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option '" + arg + "'");
        } else if (options.path) {
            return usageError("one file only");
        } else {
            options.path = arg;
        }
    }
    if (!options.path)
        return usageError("no file given");
    if (options.in && options.out && *options.in > *options.out)
        return usageError("--in " + std::to_string(*options.in) + " is after --out " +
                          std::to_string(*options.out));

    // In-memory defaults: the desktop application's stored preferences are neither read nor changed.
    HeadlessSession session;
    std::shared_ptr<DPXMovieFile> document = session.openDocument(*options.path);
    if (!document || document->currentFileCode() == 0) {
        std::fprintf(stderr, "Error: couldn't open file\n");
        return 1;
    }
    for (const std::optional<int32_t>& index : {options.in, options.out}) {
        if (index && (*index < 0 || *index >= document->frameCount())) {
            std::fprintf(stderr, "reelmaker describe: frame %d is outside the sequence's frames 0-%d\n",
                         *index, document->frameCount() - 1);
            return 2;
        }
    }

    if (options.rateTag)
        choose(*document->frameRatePopup(), *options.rateTag);
    if (options.codecTag)
        choose(*document->codecPopup(), *options.codecTag);
    if (options.in) {
        browseTo(*document, *options.in);
        document->markIn();
    }
    if (options.out) {
        browseTo(*document, *options.out);
        document->markOut();
    }
    if (options.sourceID)
        type(*document->sourceIDTextField(), *options.sourceID);

    if (options.json)
        writeJson(*document);
    else
        writeText(*document);
    return 0;
}
