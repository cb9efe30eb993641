// The farm's combined summary, as a local `translate --all` prints it: each sequence's movie line
// (problems on standard error), the sequences that no task reported with the scheduler's word on
// them, the total; or with --json the same object with the farm's own key.
#pragma once

#include "cli/cluster/farm_results.h"

#include <string>

struct FarmJob {
    std::string scheduler;
    std::string job;
    std::string folder;
};

void printFarmSummary(const FarmStanding& standing, const WorkList& list, const FarmJob& job, bool json);
