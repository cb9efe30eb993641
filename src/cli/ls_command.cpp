// reelmaker ls [--json] [-R] DIR...: the sequences of a folder (tree), each as the document finds it
// when one of its frames is opened, so that what is listed here is what translate takes.
#include "cli/commands.h"
#include "cli/display_text.h"
#include "cli/json.h"
#include "cli/sequence_report.h"
#include "document/dpx_movie_file.h"
#include "framefiles/dpx_timecode.h"
#include "framefiles/frame_file_code.h"
#include "platform/directory_contents.h"
#include "platform/framework/headless/headless_framework.h"
#include "platform/framework/path_ops.h"
#include "platform/framework/string_compare.h"
#include "platform/log.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: reelmaker ls [--json] [-R] DIR...\n"
                      "  one line per sequence: base name, first-last frame numbers, count, frame size,\n"
                      "  kind, start timecode, breaks in the numbering and the entries left out\n"
                      "  -R: the folders below too\n";

// A base name's candidates tried before it is given up: each try scans the whole folder.
constexpr int kOpeningTries = 3;

struct SequenceListing {
    std::string directory;
    std::string baseName;
    std::string extension; // of the first frame
    std::string kind;      // "dpx" or "cineon"
    uint64_t firstNumber = 0;
    uint64_t lastNumber = 0;
    int32_t frames = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::optional<std::string> timecode;
    std::vector<std::string> otherPattern; // frames whose prefix matched but whose stem differs
    SequenceReport report;
};

struct FolderListing {
    std::string directory;
    std::optional<std::string> problem; // the folder could not be read
    std::vector<SequenceListing> sequences;
};

SequenceListing listingOf(const DPXMovieFile& document, const std::string& directory) {
    SequenceListing listing;
    listing.directory = directory;
    listing.baseName = document.fileBaseName();
    // The numbers are those of the frames named after the base name; the others (shot_v2_0001
    // among shot_0001...) came in through the prefix and are named apart.
    bool numbered = false;
    for (const std::string& name : document.fileList()) {
        uint64_t number = 0;
        std::string stem;
        if (!trailingFrameNumber(name, number, stem) || stem != listing.baseName) {
            listing.otherPattern.push_back(name);
            continue;
        }
        if (!numbered)
            listing.firstNumber = number;
        listing.lastNumber = number;
        numbered = true;
    }
    listing.extension = fw::pathExtension(document.fileList().front());
    listing.kind = document.currentFileCode() == kFileCodeCineon ? "cineon" : "dpx";
    listing.frames = document.frameCount();
    listing.width = document.frameWidth();
    listing.height = document.frameHeight();
    if (document.startTimecode() != DPXMovieFile::kNoStartTimecode)
        listing.timecode = timeCodeString(document.startTimecode());
    listing.report = reportSequence(document);
    return listing;
}

/// The numbered names of a folder grouped by base name (in the order of their first frames), each
/// group's names in frame order.
std::vector<std::vector<std::string>> numberedGroups(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(), fw::numericLess);
    std::vector<std::string> bases;
    std::vector<std::vector<std::string>> groups;
    for (const std::string& name : names) {
        uint64_t number = 0;
        std::string base;
        if (!trailingFrameNumber(name, number, base))
            continue;
        auto at = std::find(bases.begin(), bases.end(), base);
        if (at == bases.end()) {
            bases.push_back(base);
            groups.emplace_back();
            at = bases.end() - 1;
        }
        groups[size_t(at - bases.begin())].push_back(name);
    }
    return groups;
}

FolderListing listFolder(const std::string& directory, std::vector<std::string>& subfolders) {
    FolderListing folder;
    folder.directory = directory;
    int error = 0;
    std::optional<std::vector<std::string>> entries = directoryContentsAtPath(directory, &error);
    if (!entries) {
        folder.problem = std::strerror(error);
        return folder;
    }
    std::vector<std::string> files;
    for (const std::string& name : *entries) {
        std::error_code ec;
        const std::filesystem::file_status status =
            std::filesystem::symlink_status(fw::stringByAppendingPathComponent(directory, name), ec);
        if (status.type() == std::filesystem::file_type::directory)
            subfolders.push_back(fw::stringByAppendingPathComponent(directory, name));
        else
            files.push_back(name);
    }
    std::sort(subfolders.begin(), subfolders.end(), fw::numericLess);

    // The readers' complaints about the entries they refuse are told as the entries left out.
    LogCapture quiet(false);
    for (const std::vector<std::string>& group : numberedGroups(files)) {
        int tries = 0;
        for (const std::string& name : group) {
            const std::string path = fw::stringByAppendingPathComponent(directory, name);
            uint32_t id = 0;
            if (readFrameFileID(path, id) != 0 || frameFileCodeOfID(id) == kFileCodeUnknown)
                continue;
            if (tries++ == kOpeningTries)
                break;
            fw::HeadlessFramework framework("");
            std::shared_ptr<DPXMovieFile> document = DPXMovieFile::create(framework);
            document->readFromFile(path, "DPX");
            if (document->openSequence() && document->frameCount() > 0) {
                folder.sequences.push_back(listingOf(*document, directory));
                break;
            }
        }
    }
    return folder;
}

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
            std::printf("\n");
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
            json.field("first_frame", int64_t(s.firstNumber));
            json.field("last_frame", int64_t(s.lastNumber));
            json.field("frames", s.frames);
            json.field("width", s.width);
            json.field("height", s.height);
            json.field("timecode", s.timecode);
            json.key("numbering_gaps").beginArray();
            for (const auto& [after, before] : s.report.numberingGaps)
                json.beginArray().value(jsonText(after)).value(jsonText(before)).endArray();
            json.endArray();
            json.key("left_out").beginArray();
            for (const LeftOutEntry& entry : s.report.leftOut)
                json.beginObject()
                    .field("name", jsonText(entry.name))
                    .field("reason", jsonText(entry.reason))
                    .endObject();
            json.endArray();
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
    std::vector<std::string> roots;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            std::printf("%s", kUsage);
            return 0;
        } else if (!optionsEnded && arg == "--json") {
            json = true;
        } else if (!optionsEnded && arg == "-R") {
            recursive = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "reelmaker ls: unknown option '%s'\n%s", arg.c_str(), kUsage);
            return 2;
        } else {
            roots.push_back(arg);
        }
    }
    if (roots.empty()) {
        std::fprintf(stderr, "reelmaker ls: no folder given\n%s", kUsage);
        return 2;
    }

    std::vector<FolderListing> folders;
    for (const std::string& root : roots) {
        // Depth first, in name order; symbolic links to folders are not followed (no loops).
        std::vector<std::string> pending{fw::stringByFixingSlashes(root)};
        while (!pending.empty()) {
            const std::string directory = pending.back();
            pending.pop_back();
            std::vector<std::string> subfolders;
            folders.push_back(listFolder(directory, subfolders));
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
