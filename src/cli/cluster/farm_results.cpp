#include "cli/cluster/farm_results.h"

#include <filesystem>

namespace {

/// "task 3 ended CANCELLED (JobArrayTaskLimit), by signal 15"
std::string taskEndText(const TaskState& state) {
    std::string text = "task " + std::to_string(state.task) + " ended " + state.state;
    if (!state.reason.empty())
        text += " (" + state.reason + ")";
    if (state.exitStatus && *state.exitStatus > 128)
        text += ", by signal " + std::to_string(*state.exitStatus - 128);
    else if (state.exitStatus)
        text += ", exit status " + std::to_string(*state.exitStatus);
    return text;
}

} // namespace

FarmResults readFarmResults(const std::string& folder, const WorkList& list) {
    FarmResults results;
    for (size_t entry = 0; entry < list.entries.size(); ++entry) {
        const std::string path = resultPath(folder, entry);
        std::error_code ec;
        if (!std::filesystem::exists(path, ec))
            continue;
        std::string problem;
        const std::optional<std::string> text = readWholeFile(path, problem);
        std::optional<TranslateReport> report = text ? readReport(*text, problem) : std::nullopt;
        if (report) {
            report->file = list.entries[entry].frame; // the report names it by its sequence alone
            results.reports.emplace(entry, std::move(*report));
        }
        else
            results.unreadable.emplace(entry, path + ": " + problem);
    }
    return results;
}

bool FarmStanding::settled() const {
    for (const SequenceStanding& sequence : sequences)
        if (sequence.kind == SequenceStanding::Kind::waiting || sequence.kind == SequenceStanding::Kind::running)
            return false;
    return true;
}

FarmStanding mergeFarmStanding(const WorkList& list, const FarmResults& results, const ArrayState& state,
                               bool reportsOverdue, const std::function<std::string(int)>& taskLog) {
    using Kind = SequenceStanding::Kind;
    std::map<int, const TaskState*> tasks;
    for (const TaskState& task : state.tasks)
        tasks[task.task] = &task;
    FarmStanding standing;
    std::map<int, bool> running;
    for (size_t entry = 0; entry < list.entries.size(); ++entry) {
        SequenceStanding sequence;
        sequence.task = list.taskOfEntry(entry);
        const auto task = tasks.find(sequence.task);
        if (task != tasks.end())
            sequence.taskState = *task->second;
        auto unreported = [&](const std::string& why) {
            sequence.kind = Kind::unreported;
            sequence.why = why;
            std::error_code ec;
            const std::string log = taskLog(sequence.task);
            if (std::filesystem::exists(log, ec))
                sequence.why += "; its log: " + log;
        };
        if (const auto report = results.reports.find(entry); report != results.reports.end()) {
            sequence.kind = Kind::reported;
            sequence.report = report->second;
        } else if (const auto bad = results.unreadable.find(entry); bad != results.unreadable.end()) {
            unreported("its report can't be read: " + bad->second);
        } else if (!state.answered) {
            // The scheduler can't be asked just now: the task is taken to go on.
            sequence.kind = Kind::running;
        } else if (task == tasks.end()) {
            unreported("task " + std::to_string(sequence.task) + " is no longer known to the scheduler and left no report");
        } else {
            const TaskState& taskState = *task->second;
            switch (taskState.phase) {
            case TaskState::Phase::waiting:
                sequence.kind = Kind::waiting;
                break;
            case TaskState::Phase::running:
                sequence.kind = Kind::running;
                break;
            case TaskState::Phase::ended:
                if (!reportsOverdue) {
                    sequence.kind = Kind::running;
                    ++standing.awaitingReports;
                    break;
                }
                unreported(taskEndText(taskState) + " without a report");
                break;
            case TaskState::Phase::cancelled:
            case TaskState::Phase::stopped:
                unreported(taskEndText(taskState) + " before it reported");
                break;
            }
            if (taskState.phase == TaskState::Phase::running)
                running[sequence.task] = true;
        }
        switch (sequence.kind) {
        case Kind::reported:
            (sequence.report->complete ? standing.complete : standing.failed) += 1;
            break;
        case Kind::unreported:
            ++standing.failed;
            break;
        case Kind::waiting:
            ++standing.waitingSequences;
            break;
        case Kind::running:
            break;
        }
        standing.sequences.push_back(std::move(sequence));
    }
    standing.runningTasks = int(running.size());
    return standing;
}

std::string farmProgressText(const FarmStanding& standing) {
    const size_t total = standing.sequences.size();
    std::string text = std::to_string(standing.complete) + " of " + std::to_string(total) + " movie" +
                       (total == 1 ? "" : "s") + ", " + std::to_string(standing.failed) + " failed, " +
                       std::to_string(standing.runningTasks) + " running";
    if (standing.waitingSequences > 0)
        text += ", " + std::to_string(standing.waitingSequences) + " waiting";
    return text;
}

int farmExitStatus(const FarmStanding& standing, const WorkList& list, int interrupts, int terminatedBy) {
    const bool allComplete = standing.complete == int(standing.sequences.size()) && list.listingProblems.empty();
    if (allComplete)
        return 0;
    if (terminatedBy != 0)
        return 128 + terminatedBy;
    return interrupts > 0 ? 130 : 1;
}
