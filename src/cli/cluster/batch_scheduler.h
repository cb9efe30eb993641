// What the farm needs of a cluster's batch scheduler: submit one array of tasks, ask how its tasks
// stand, cancel it. Everything of a particular scheduler (its script, its commands, its words for a
// task's state) lives behind this interface; the work list, the results and the report don't know
// which one runs.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

/// Where a task stands, in the scheduler's own words too.
struct TaskState {
    enum class Phase {
        waiting,   // not started yet
        running,   // started, not ended
        ended,     // ended by itself (whatever its exit status)
        cancelled, // ended by a user's or an administrator's cancel
        stopped,   // ended by the scheduler: time limit, memory, node failure, preemption, a failed start
    };
    int task = 0;
    Phase phase = Phase::waiting;
    std::string state;  // the scheduler's name for it: "PENDING", "CANCELLED", "NODE_FAIL"...
    std::string reason; // the scheduler's reason, "" when it gives none
    std::optional<int> exitStatus; // 0-255, or 128 + a signal
};

/// The array's tasks as the scheduler knows them now.
struct ArrayState {
    bool answered = false; // false: the scheduler could not be asked (`problem` says why)
    bool forgotten = false; // the scheduler no longer knows the job (it ended long enough ago)
    std::vector<TaskState> tasks;
    std::string problem;
};

/// One array to submit: `tasks` tasks numbered from 0, each running `executable farm-task
/// workFolder INDEX` in `workingDirectory`.
struct ArrayRequest {
    std::string workFolder;
    std::string executable;
    std::string workingDirectory;
    int tasks = 0;
    std::optional<int> concurrency;       // at most this many running at once
    std::vector<std::string> siteOptions; // the site's own submission options, passed as they are
};

struct Submission {
    std::string job;     // the scheduler's id for the array; "" when the submission failed
    std::string problem; // why it failed
};

class BatchScheduler {
public:
    virtual ~BatchScheduler() = default;
    /// The name --farm takes.
    virtual std::string name() const = 0;
    /// The scheduler's programs that can't be found; empty when all can.
    virtual std::vector<std::string> missingPrograms() const = 0;
    /// The task's log file in the work folder (standard output and error of task `task`).
    virtual std::string taskLog(const std::string& workFolder, int task) const = 0;
    virtual Submission submit(const ArrayRequest& request) = 0;
    virtual ArrayState query(const std::string& job) = 0;
    /// Asks the scheduler to end every task of the array; "" when it took the request, else why not.
    virtual std::string cancel(const std::string& job) = 0;
};

/// The scheduler of that name ("slurm"), or null.
std::unique_ptr<BatchScheduler> makeBatchScheduler(const std::string& name);
