// The sequences of a folder, each as the document finds it when one of its frames is opened: what
// `ls` lists and `translate --all` takes.
#pragma once

#include "app/name_source_type.h"
#include "cli/sequence_report.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
    std::string openedPath;                // the frame whose opening found the sequence
    std::string movieName;                 // the movie name translate proposes for the whole sequence
    std::vector<std::string> otherPattern; // frames whose prefix matched but whose stem differs
    SequenceReport report;
};

struct FolderListing {
    std::string directory;
    std::optional<std::string> problem; // the folder could not be read
    std::vector<SequenceListing> sequences;
};

/// Lists the folder's sequences: one per base name among its numbered DPX and Cineon frames. The
/// folder's subfolders are added to `subfolders`, in name order; symbolic links are not followed.
/// Each sequence's movie name is made after `nameSourceType` (the movie name preference).
FolderListing listFolder(const std::string& directory, std::vector<std::string>& subfolders,
                         int32_t nameSourceType = kNameSourceBaseName);
