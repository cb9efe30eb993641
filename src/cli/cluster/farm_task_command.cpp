// reelmaker farm-task FOLDER TASK: what each task of the array runs on its node (not listed in the
// help). It translates the task's share of the work list as translate would, one sequence at a
// time, and writes each sequence's report into the work folder. Ended by the scheduler (SIGTERM:
// a time limit, a cancel), it gives its export up as a local translate does, leaving no movie
// and no report for that sequence.
#include "app/headless_session.h"
#include "cli/commands.h"
#include "cli/cluster/work_list.h"
#include "cli/translate_run.h"
#include "platform/display_text.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

const char kUsage[] = "usage: reelmaker farm-task FOLDER TASK\n"
                      "  translates task TASK's sequences of the work list in FOLDER (run by the cluster)\n";

int taskFailure(const std::string& problem) {
    std::fprintf(stderr, "reelmaker farm-task: %s\n", printable(problem).c_str());
    return 1;
}

/// True when the sequence's report says its movie is complete: a task that the scheduler runs
/// again (requeued after a node failure) leaves such a movie as it is.
bool alreadyComplete(const std::string& folder, size_t entry) {
    std::string problem;
    const std::optional<std::string> text = readWholeFile(resultPath(folder, entry), problem);
    const std::optional<TranslateReport> report = text ? readReport(*text, problem) : std::nullopt;
    std::error_code ec;
    return report && report->complete && report->movie && std::filesystem::exists(*report->movie, ec);
}

} // namespace

int runFarmTaskCommand(const Arguments& args) {
    if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
        std::printf("%s", kUsage);
        return 0;
    }
    if (args.size() != 2 || args[1].empty() || args[1].size() > 9 ||
        args[1].find_first_not_of("0123456789") != std::string::npos) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    const std::string& folder = args[0];
    const int task = std::stoi(args[1]);
    std::string problem;
    const std::optional<WorkList> list = readWorkList(folder, problem);
    if (!list)
        return taskFailure(problem);
    if (task >= list->taskCount())
        return taskFailure("the work list has " + std::to_string(list->taskCount()) + " tasks; there is no task " +
                           std::to_string(task));
    if (chdir(list->workingDirectory.c_str()) != 0)
        return taskFailure("can't go to the submitter's folder " + list->workingDirectory);
    // The movie's creation time is the submitter's, so that the farm's movie is the local one.
    if (list->sourceDateEpoch)
        setenv("SOURCE_DATE_EPOCH", list->sourceDateEpoch->c_str(), 1);
    else
        unsetenv("SOURCE_DATE_EPOCH");
    TranslateOptions options;
    if (!parseExportWords(list->exportWords, options, problem))
        return taskFailure("the work list's options: " + problem);

    std::vector<SequenceToTranslate> sequences;
    std::vector<size_t> entries;
    const size_t end = std::min(list->firstEntryOfTask(task + 1), list->entries.size());
    for (size_t entry = list->firstEntryOfTask(task); entry < end; ++entry) {
        if (alreadyComplete(folder, entry)) {
            std::fprintf(stderr, "reelmaker farm-task: %s: already complete\n",
                         printable(list->entries[entry].frame).c_str());
            continue;
        }
        const WorkEntry& work = list->entries[entry];
        sequences.push_back({work.frame, work.treeFolder, work.name});
        entries.push_back(entry);
    }
    if (sequences.empty())
        return 0;

    // One at a time, so that they end in their order.
    options.jobs = 1;
    std::unique_ptr<HeadlessSession> session = makeTranslateSession(options);
    size_t ended = 0;
    bool failed = false;
    const TranslateRun run = runExports(sequences, options, *session, [&](const TranslatedSequence& sequence) {
        const size_t entry = entries[ended++];
        printReport(sequence.report, true);
        failed = failed || sequence.status != 0;
        if (sequence.terminated) {
            std::fprintf(stderr, "reelmaker farm-task: %s: ended before its movie was made; no report\n",
                         printable(sequence.report.file).c_str());
            return;
        }
        if (const std::string written = writeFileAtomically(resultPath(folder, entry), reportJson(sequence.report) + "\n");
            !written.empty()) {
            std::fprintf(stderr, "reelmaker farm-task: %s\n", printable(written).c_str());
            failed = true;
        }
    });
    if (run.terminatedBy != 0)
        return 128 + run.terminatedBy;
    return failed || ended < sequences.size() ? 1 : 0;
}
