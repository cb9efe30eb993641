// The submitter's and farm-report's way to an answer: follow the array to its end (or look once),
// then print the combined summary; the exit status is 0 only when every movie is complete.
#pragma once

#include "cli/cluster/batch_scheduler.h"
#include "cli/cluster/farm_summary.h"

struct FollowOptions {
    bool json = false;
    bool quiet = false;             // no progress on standard error
    bool wait = true;               // false: one look at the reports and the tasks
    bool cancelOnInterrupt = true;  // Ctrl-C cancels the array (the submitter); else it stops waiting
};

int followFarm(BatchScheduler& scheduler, const FarmJob& job, const WorkList& list, const FollowOptions& options);
