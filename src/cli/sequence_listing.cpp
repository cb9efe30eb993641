#include "cli/sequence_listing.h"

#include "document/dpx_movie_file.h"
#include "document/movie_name.h"
#include "framefiles/dpx_timecode.h"
#include "framefiles/frame_file_code.h"
#include "platform/directory_contents.h"
#include "platform/framework/headless/headless_framework.h"
#include "platform/framework/path_ops.h"
#include "platform/framework/string_compare.h"
#include "platform/log.h"
#include "platform/read_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unordered_map>

namespace {

// A base name's candidates tried before it is given up: each try scans the whole folder.
constexpr int kOpeningTries = 3;

SequenceListing listingOf(const DPXMovieFile& document, const std::string& directory, int32_t nameSourceType) {
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
    listing.report = reportScannedSequence(document);
    MovieNameSource name;
    name.type = nameSourceType;
    name.baseName = listing.baseName;
    name.inPointFile = document.fileList().front();
    name.directoryPath = directory;
    listing.movieName = proposedMovieName(name);
    return listing;
}

/// The numbered names of a folder grouped by base name (in the order of their first frames), each
/// group's names in frame order.
std::vector<std::vector<std::string>> numberedGroups(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(), fw::numericLess);
    std::unordered_map<std::string, size_t> groupOfBase;
    std::vector<std::vector<std::string>> groups;
    for (std::string& name : names) {
        uint64_t number = 0;
        std::string base;
        if (!trailingFrameNumber(name, number, base))
            continue;
        auto [at, added] = groupOfBase.try_emplace(std::move(base), groups.size());
        if (added)
            groups.emplace_back();
        groups[at->second].push_back(std::move(name));
    }
    return groups;
}

// Descriptors or memory running out, the storage failing or a file that may not be read hide
// sequences: the listing is incomplete, which is the folder's problem (the first one told).
void noteProblem(FolderListing& folder, const std::string& problem) {
    if (!folder.problem)
        folder.problem = problem;
}

} // namespace

FolderListing listFolder(const std::string& directory, std::vector<std::string>& subfolders,
                         int32_t nameSourceType) {
    FolderListing folder;
    folder.directory = directory;
    int error = 0;
    std::optional<std::vector<std::string>> entries = directoryContentsAtPath(directory, &error);
    if (!entries) {
        folder.problem = std::strerror(error);
        return folder;
    }
    // Every sequence's scan takes its names from this one reading of the folder.
    std::sort(entries->begin(), entries->end());
    auto sortedEntries = std::make_shared<const std::vector<std::string>>(std::move(*entries));
    std::vector<std::string> files;
    for (const std::string& name : *sortedEntries) {
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
            if (const int error = readFrameFileID(path, id); isResourceFailure(error)) {
                noteProblem(folder, name + ": " + unopenedFileText(error));
                break;
            } else if (error == EACCES || error == EPERM) {
                noteProblem(folder, name + ": " + unopenedFileText(error));
                continue;
            } else if (error != 0 || frameFileCodeOfID(id) == kFileCodeUnknown) {
                continue;
            }
            if (tries++ == kOpeningTries)
                break;
            fw::HeadlessFramework framework("");
            std::shared_ptr<DPXMovieFile> document = DPXMovieFile::create(framework);
            document->setFolderEntries(sortedEntries);
            document->readFromFile(path, "DPX");
            if (document->openSequence() && document->frameCount() > 0) {
                folder.sequences.push_back(listingOf(*document, directory, nameSourceType));
                folder.sequences.back().openedPath = path;
                break;
            }
            if (document->openResourceError() != 0) {
                noteProblem(folder, document->openProblem());
                break;
            }
        }
    }
    return folder;
}
