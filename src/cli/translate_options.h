// translate's command line: the selection of sequences, the export options each sequence's export
// takes, and how the exports are run (here, or as tasks of a cluster's scheduler).
#pragma once

#include "cli/commands.h"
#include "cli/document_options.h"

#include <optional>
#include <string>
#include <vector>

extern const std::string kTranslateUsage;

/// --farm and its companions: the sequences go to a cluster's scheduler as one array of tasks.
struct FarmOptions {
    std::optional<std::string> scheduler; // --farm NAME
    int chunk = 1;                        // --farm-chunk K: sequences per task
    std::vector<std::string> siteOptions; // --farm-opts "...", split into words
    bool noWait = false;                  // --no-wait
    bool jobsGiven = false;               // --jobs N limits the tasks running at once
};

struct TranslateOptions {
    bool json = false;
    bool reference = false;
    bool force = false;
    bool quiet = false;
    bool sync = false;
    bool strict = false;
    bool recursive = false;
    bool tree = false;
    int jobs = 1;
    std::vector<std::string> paths;
    std::vector<std::string> allFolders;
    std::optional<std::string> output;
    DocumentOptions document;
    FarmOptions farm;
    /// The words of the options that each sequence's export takes (-o, --reference, the range...),
    /// as given: a farm task parses them again with parseExportWords().
    std::vector<std::string> exportWords;
};

/// Parses and checks translate's arguments. Returns -1 to go on, else the exit status to end with:
/// 0 after --help, 2 after a usage error (reported, in JSON too when asked for).
int parseTranslateArguments(const Arguments& args, TranslateOptions& options);

/// The export options alone, as exportWords holds them; false with `error` for any other word.
bool parseExportWords(const std::vector<std::string>& words, TranslateOptions& options, std::string& error);

/// True when the path names a folder: it ends in '/' or is one.
bool isFolderPath(const std::string& path);

/// Splits --farm-opts's text into words as a shell does for plain words: blanks separate, single
/// and double quotes group, a backslash takes the next character. False for an unclosed quote.
bool splitOptionWords(const std::string& text, std::vector<std::string>& words);
