// reelmaker describe [--json] FILE [--rate R] [--codec C] [--in I] [--out O] [--source-id S]: opens
// FILE as the application does, sets the window's controls as a user would and shows what the
// document then holds: the description text, the window's size and the movie settings.
#include "app/headless_session.h"
#include "cli/commands.h"
#include "cli/document_options.h"
#include "cli/json.h"
#include "cli/opening_log.h"
#include "cli/range_warnings.h"
#include "cli/usage_error.h"
#include "document/settings_tables.h"
#include "platform/display_text.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

const std::string kUsage =
    std::string(
        "usage: reelmaker describe [--json] FILE [--rate R] [--codec C] [--in I | --from N | --from-tc T]\n"
        "                          [--out O | --to M | --to-tc T] [--source-id S] [--large-frames]\n"
        "                          [--name-after base|file|folder|text|none]\n") +
    kDocumentOptionsHelp;

int usageError(const Arguments& args, const std::string& problem) {
    return reportUsageError("describe", problem, kUsage, jsonRequested(args));
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
    if (std::string timecode = document.rangeStartTimecodeText(); !timecode.empty())
        json.field("timecode", jsonText(timecode));
    else
        json.key("timecode").null();
    writeWarnings(json, document.rangeWarnings());
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
    bool json = false;
    std::optional<std::string> path;
    DocumentOptions options;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string error;
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--json") {
            json = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            std::printf("%s", kUsage.c_str());
            return 0;
        } else if (OptionParse parsed =
                       optionsEnded ? OptionParse::notMine : parseDocumentOption(args, i, options, error);
                   parsed != OptionParse::notMine) {
            if (parsed == OptionParse::bad)
                return usageError(args, error);
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return usageError(args, "unknown option '" + arg + "'");
        } else if (path) {
            return usageError(args, "one file only");
        } else {
            path = arg;
        }
    }
    if (!path)
        return usageError(args, "no file given");
    if (options.in && options.out && *options.in > *options.out)
        return usageError(args, "--in " + std::to_string(*options.in) + " is after --out " +
                                    std::to_string(*options.out));

    // In-memory defaults: the desktop application's stored preferences are neither read nor changed.
    HeadlessSession session;
    applySessionOptions(session.controller(), options);
    OpeningLog log(true);
    std::shared_ptr<DPXMovieFile> document = session.openDocument(*path);
    if (!document || document->currentFileCode() == 0) {
        log.release();
        return reportOpeningFailure(json, log.failure(*path, document ? document->openProblem() : ""));
    }
    log.release();
    if (std::string problem = documentOptionsProblem(options, *document); !problem.empty()) {
        return reportUsageError("describe", problem, "", json);
    }
    applyDocumentOptions(*document, options);
    if (options.sourceID && document->startTimecode() == DPXMovieFile::kNoStartTimecode)
        std::fprintf(stderr,
                     "reelmaker describe: note: the sequence has no timecode, so the source ID '%s' will "
                     "not be recorded\n",
                     printable(*options.sourceID).c_str());

    if (json)
        writeJson(*document);
    else
        writeText(*document);
    return 0;
}
