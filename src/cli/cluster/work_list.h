// The farm's work folder, DIR/.reelmaker-farm/<id>/ beside the movies, on storage every node sees:
//
//   work.json         the work list: the sequences, the export options, the program and its
//                     working directory, the tasks' share of the sequences
//   job.json          the scheduler and its id for the array, once submitted
//   task.sh           the scheduler's batch script
//   results/N.json    sequence N's report, as `translate --json` prints it, written by its task
//   logs/task-T.log   task T's standard output and error
//
// Files are written under a temporary name and renamed, so a reader sees a whole file or none.
#pragma once

#include "cli/translate_report.h"

#include <optional>
#include <string>
#include <vector>

struct WorkEntry {
    std::string frame;      // the frame file that opens the sequence
    std::string treeFolder; // with --tree, the movie's folder below -o's
    SequenceName name;
};

struct WorkList {
    std::string scheduler;
    std::string executable;       // the program every task runs, at the same path on every node
    std::string workingDirectory; // where relative paths start
    std::optional<std::string> sourceDateEpoch; // the submitter's SOURCE_DATE_EPOCH, given to every task
    int chunk = 1;                              // sequences per task
    std::vector<std::string> exportWords;       // translate's export options
    std::vector<WorkEntry> entries;
    std::vector<std::string> listingProblems; // folders that couldn't be read when the sequences were listed

    int taskCount() const { return entries.empty() ? 0 : int((entries.size() + size_t(chunk) - 1) / size_t(chunk)); }
    int taskOfEntry(size_t entry) const { return int(entry / size_t(chunk)); }
    size_t firstEntryOfTask(int task) const { return size_t(task) * size_t(chunk); }
};

/// Makes a new work folder (and its results/ and logs/) below `outputFolder`, with the user's
/// permissions; "" with `folder` set, or why not.
std::string makeWorkFolder(const std::string& outputFolder, std::string& folder);

std::string writeWorkList(const std::string& folder, const WorkList& list);
std::optional<WorkList> readWorkList(const std::string& folder, std::string& problem);

std::string writeJobRecord(const std::string& folder, const std::string& scheduler, const std::string& job);
/// The scheduler and job of a submitted work folder; false (with `problem`) before its submission.
bool readJobRecord(const std::string& folder, std::string& scheduler, std::string& job, std::string& problem);

std::string resultPath(const std::string& folder, size_t entry);

/// Writes `text` to a temporary file beside `path` and renames it to `path`; "" or why not.
std::string writeFileAtomically(const std::string& path, const std::string& text);
/// The whole file; nullopt (with `problem`) when it can't be read.
std::optional<std::string> readWholeFile(const std::string& path, std::string& problem);
