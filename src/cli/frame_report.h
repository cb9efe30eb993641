// What the frame readers make of one file, gathered for the info command.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct FrameReport {
    std::string path;
    std::string kind;                   // "dpx", "cineon" or "unknown", by the first four bytes
    bool fileOK = false;                // the reader's verdict; false for unknown files
    std::optional<std::string> problem; // the first reason it is refused
    std::optional<int64_t> width;       // these need a header
    std::optional<int64_t> height;
    std::optional<int64_t> dataOffset;
    std::optional<std::string> filename; // raw bytes of the stored name
    std::optional<std::string> timecode; // "hh:mm:ss:ff", flag bits masked; DPX only
    std::optional<std::string> layout;   // what the header claims, for information
    /// The claimed layout is not 10-bit RGB filled into 32-bit words (read as such all the same).
    bool layoutWarning = false;
    /// Why a sequence won't take the file: its header positively claims a layout that can't be copied.
    std::optional<std::string> layoutRefusal;
};

/// Identifies the file, opens the matching reader (whose log lines go to standard error as ever)
/// and collects its answers.
FrameReport reportFrameFile(const std::string& path);
