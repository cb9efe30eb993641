// What translate reports of each sequence's export: its movie line and problems, the JSON object
// `translate --json` prints, read back from that JSON, and the total of several sequences.
#pragma once

#include "document/sequence_warnings.h"
#include "export/export_settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class DPXMovieFile;
class JsonWriter;

/// A sequence as the user knows it: its folder and its pattern as `ls` shows it ("shot_[1-48].dpx"),
/// or the file's own name when no sequence could be opened from it.
struct SequenceName {
    std::string folder;
    std::string pattern;
};

/// The sequence the document opened.
SequenceName nameOfSequence(const DPXMovieFile& document);
/// A file's folder and name, for a file that opened no sequence.
SequenceName nameOfFile(const std::string& path);
/// "folder/pattern", as the text lines name a sequence.
std::string sequenceLabel(const SequenceName& name);

struct TranslateReport {
    std::string file;                 // the frame file that opened the sequence
    SequenceName sequence;            // which sequence it is, also when no movie was made
    std::optional<std::string> movie; // the movie file left, if any
    int32_t requested = 0;
    int32_t written = 0;
    bool reference = false;
    SampleCopy copy = SampleCopy::none; // how a self-contained movie's samples were written
    bool framesDiffer = false;
    bool complete = false;
    std::vector<std::string> problems;
    std::vector<SequenceWarning> warnings;
};

/// The report's object, as `translate --json` prints it for one sequence.
void writeReport(JsonWriter& json, const TranslateReport& report);
std::string reportJson(const TranslateReport& report);

/// The report that `reportJson` wrote, read back; nullopt (with `problem`) when the text is no such
/// object.
std::optional<TranslateReport> readReport(const std::string& text, std::string& problem);

/// The text lines of one sequence's end: the movie on standard output (with several sequences,
/// a sequence that left none is named there too), problems on standard error, prefixed by the
/// frame file when there are several.
void printReport(const TranslateReport& report, bool several);

/// The total line of several sequences: "3 sequences: 2 movies complete, 1 incomplete or not made".
void printTotal(size_t sequences, int complete, int failed);
