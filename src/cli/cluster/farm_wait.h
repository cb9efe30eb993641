// Follows an array to its end: asks the scheduler how its tasks stand and reads the reports they
// wrote, each turn, until every sequence is settled; shows the progress as it changes. Ctrl-C asks the
// scheduler to cancel the array and goes on until the tasks have ended; a second one stops waiting.
// Sleep and interrupts are given by the caller, so that tests run it on their own clock.
#pragma once

#include "cli/cluster/batch_scheduler.h"
#include "cli/cluster/farm_results.h"

#include <chrono>
#include <functional>
#include <string>

struct WaitHooks {
    std::function<void(std::chrono::milliseconds)> sleep; // returns early when an interrupt arrives
    std::function<int()> interrupts;                       // Ctrl-C received so far
    std::function<int()> terminatedBy;                     // SIGTERM or SIGHUP, 0 for none
    std::function<void(const std::string&)> progress;      // the progress line, when it changed
    std::function<void(const std::string&)> note;          // what the waiting did (cancel, problems)
    std::chrono::milliseconds pollInterval{1000};
    /// Turns a report may take to be seen after its task ended by itself (shared storage's caches).
    int reportGraceTurns = 15;
    /// Ctrl-C (and SIGTERM, SIGHUP) cancel the array; else (a later report's --wait) they stop waiting.
    bool cancelOnInterrupt = true;
};

struct WaitEnd {
    FarmStanding standing;
    bool cancelled = false; // the array was cancelled on an interrupt
};

WaitEnd waitForArray(BatchScheduler& scheduler, const std::string& job, const std::string& folder,
                     const WorkList& list, const WaitHooks& hooks);
