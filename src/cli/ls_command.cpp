// reelmaker ls [--json] [-R] DIR...: the sequences of a folder (tree), each as the document finds it
// when one of its frames is opened, so that what is listed here is what translate takes.
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/sequence_listing.h"
#include "cli/sequence_report.h"
#include "cli/usage_error.h"
#include "document/movie_name.h"
#include "platform/display_text.h"
#include "platform/framework/path_ops.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: reelmaker ls [--json] [-R] [--name-after base|file|folder|text|none] DIR...\n"
                      "  one line per sequence: base name, first-last frame numbers, count, frame size,\n"
                      "  kind, start timecode, breaks in the numbering, the entries left out and, after\n"
                      "  ->, the movie name translate proposes\n"
                      "  -R: the folders below too\n"
                      "  --name-after: the movie names as translate --name-after makes them\n";

std::string frameRange(const SequenceListing& s) {
    return std::to_string(s.firstNumber) + "-" + std::to_string(s.lastNumber);
}

void writeText(const std::vector<FolderListing>& folders) {
    for (const FolderListing& folder : folders) {
        const std::string shown = folder.directory.empty() ? "." : folder.directory;
        if (folder.problem) {
            std::printf("%s: can't be read: %s\n", printable(shown).c_str(), folder.problem->c_str());
            continue;
        }
        if (folder.sequences.empty()) {
            std::printf("%s: no sequence\n", printable(shown).c_str());
            continue;
        }
        for (const SequenceListing& s : folder.sequences) {
            std::string line =
                fw::stringByAppendingPathComponent(shown, s.baseName) + "[" + frameRange(s) + "]";
            if (!s.extension.empty())
                line += "." + s.extension;
            std::printf("%s  %d frame%s  %dx%d  %s  %s", printable(line).c_str(), int(s.frames),
                        s.frames == 1 ? "" : "s", int(s.width), int(s.height), s.kind.c_str(),
                        s.timecode.value_or("no timecode").c_str());
            if (!s.report.numberingGaps.empty())
                std::printf("  %zu gap%s", s.report.numberingGaps.size(),
                            s.report.numberingGaps.size() == 1 ? "" : "s");
            if (!s.report.leftOut.empty())
                std::printf("  %zu left out", s.report.leftOut.size());
            if (!s.otherPattern.empty())
                std::printf("  %zu of another pattern", s.otherPattern.size());
            std::printf("  -> %s\n", printable(s.movieName).c_str());
            for (const auto& [after, before] : s.report.numberingGaps)
                std::printf("    gap: after %s, before %s\n", printable(after).c_str(),
                            printable(before).c_str());
            for (const LeftOutEntry& entry : s.report.leftOut)
                std::printf("    left out: %s: %s\n", printable(entry.name).c_str(),
                            printable(entry.reason).c_str());
            for (const std::string& name : s.otherPattern)
                std::printf("    another pattern: %s\n", printable(name).c_str());
        }
    }
}

void writeJson(const std::vector<FolderListing>& folders) {
    JsonWriter json;
    json.beginObject();
    json.key("sequences").beginArray();
    for (const FolderListing& folder : folders)
        for (const SequenceListing& s : folder.sequences) {
            json.beginObject();
            json.field("directory", jsonText(s.directory));
            json.field("base_name", jsonText(s.baseName));
            json.field("extension", jsonText(s.extension));
            json.field("kind", s.kind);
            json.field("first_frame", s.firstNumber);
            json.field("last_frame", s.lastNumber);
            json.field("frames", s.frames);
            json.field("width", s.width);
            json.field("height", s.height);
            json.field("timecode", s.timecode);
            json.field("movie_name", jsonText(s.movieName));
            writeNumberingGaps(json, s.report);
            writeLeftOut(json, s.report);
            json.key("other_pattern").beginArray();
            for (const std::string& name : s.otherPattern)
                json.value(jsonText(name));
            json.endArray();
            json.endObject();
        }
    json.endArray();
    json.key("problems").beginArray();
    for (const FolderListing& folder : folders)
        if (folder.problem)
            json.value(jsonText(folder.directory + ": can't be read: " + *folder.problem));
    json.endArray();
    json.endObject();
    std::printf("%s\n", json.str().c_str());
}

} // namespace

int runLsCommand(const Arguments& args) {
    bool json = false;
    bool recursive = false;
    bool optionsEnded = false;
    std::optional<int32_t> nameSourceType;
    std::vector<std::string> roots;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            std::printf("%s", kUsage);
            return 0;
        } else if (!optionsEnded && arg == "--json") {
            json = true;
        } else if (!optionsEnded && arg == "-R") {
            recursive = true;
        } else if (!optionsEnded && arg == "--name-after") {
            const std::string value = i + 1 < args.size() ? args[++i] : std::string();
            if (nameSourceType)
                return reportUsageError("ls", "--name-after given twice", kUsage, jsonRequested(args));
            if (!(nameSourceType = parseNameSourceWord(value)))
                return reportUsageError("ls", "--name-after needs base, file, folder, text or none, not '" + value + "'",
                                        kUsage, jsonRequested(args));
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return reportUsageError("ls", "unknown option '" + arg + "'", kUsage, jsonRequested(args));
        } else {
            roots.push_back(arg);
        }
    }
    if (roots.empty())
        return reportUsageError("ls", "no folder given", kUsage, json);

    std::vector<FolderListing> folders;
    for (const std::string& root : roots) {
        // Depth first, in name order; symbolic links to folders are not followed (no loops).
        std::vector<std::string> pending{fw::stringByFixingSlashes(root)};
        while (!pending.empty()) {
            const std::string directory = pending.back();
            pending.pop_back();
            std::vector<std::string> subfolders;
            folders.push_back(listFolder(directory, subfolders, nameSourceType.value_or(kNameSourceBaseName)));
            if (recursive)
                pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
        }
    }
    if (json)
        writeJson(folders);
    else
        writeText(folders);
    // A folder that can't be read, or no sequence anywhere, is a failure: a script must not take
    // an empty listing for an empty delivery.
    const bool unreadable = std::any_of(folders.begin(), folders.end(),
                                        [](const FolderListing& f) { return f.problem.has_value(); });
    const bool none = std::all_of(folders.begin(), folders.end(),
                                  [](const FolderListing& f) { return f.sequences.empty(); });
    return unreadable || none ? 1 : 0;
}
