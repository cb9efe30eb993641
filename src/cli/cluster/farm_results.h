// The farm's sequences brought together: each sequence's report where its task wrote one, else where
// its task stands in the scheduler; the counts, the progress line and the exit status. No scheduler
// of its own: it reads the work folder and the ArrayState it is given.
#pragma once

#include "cli/cluster/batch_scheduler.h"
#include "cli/cluster/work_list.h"
#include "cli/translate_report.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

/// The reports the tasks have written so far, by entry; results that can't be read, with why.
struct FarmResults {
    std::map<size_t, TranslateReport> reports;
    std::map<size_t, std::string> unreadable;
};

FarmResults readFarmResults(const std::string& folder, const WorkList& list);

struct SequenceStanding {
    enum class Kind {
        reported,   // its task wrote its report
        waiting,    // its task has not started
        running,    // its task runs, or ended so recently that its report may not be seen yet
        unreported, // its task ended without a report for it: `why`, in the scheduler's words
    };
    Kind kind = Kind::waiting;
    int task = 0;
    std::optional<TranslateReport> report;
    std::optional<TaskState> taskState; // the scheduler's word on the task, when it had one
    std::string why;
};

struct FarmStanding {
    std::vector<SequenceStanding> sequences; // one per work list entry, in its order
    int complete = 0;                        // sequences whose movie is complete
    int failed = 0;                          // reported incomplete, or never reported
    int runningTasks = 0;
    int waitingSequences = 0;
    int awaitingReports = 0; // sequences of tasks that ended by themselves whose reports aren't seen yet

    /// Nothing more is to come: every sequence reported, or its task ended without.
    bool settled() const;
};

/// Merges the reports and the array's state. `reportsOverdue`: a task that ended by itself but whose
/// report isn't there has had time enough (shared storage may show a file some seconds late), so
/// the sequence is unreported rather than running. `taskLog` names each task's log.
FarmStanding mergeFarmStanding(const WorkList& list, const FarmResults& results, const ArrayState& state,
                               bool reportsOverdue, const std::function<std::string(int)>& taskLog);

/// "12 of 40 movies, 1 failed, 3 running".
std::string farmProgressText(const FarmStanding& standing);

/// 0 only when every movie is complete (and every folder could be listed); 130 after Ctrl-C,
/// 128 + the signal after SIGTERM or SIGHUP, 1 otherwise.
int farmExitStatus(const FarmStanding& standing, const WorkList& list, int interrupts, int terminatedBy);
