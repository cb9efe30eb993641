// Slurm behind the BatchScheduler interface: the array's batch script, sbatch, squeue and scancel
// from PATH (SLURM_CONF and the site's settings as Slurm itself reads them).
//
// The state comes from squeue, which keeps ended tasks for MinJobAge (300 s by default) and works
// where accounting (sacct) is off. Pending tasks of an array not yet split show as one line with a
// range ("0-39%4"); exit_code is a raw wait status (768 is exit 3, 15 is SIGTERM).
#pragma once

#include "cli/cluster/batch_scheduler.h"
#include "cli/cluster/child_process.h"

class SlurmScheduler final : public BatchScheduler {
public:
    std::string name() const override { return "slurm"; }
    std::vector<std::string> missingPrograms() const override;
    std::string taskLog(const std::string& workFolder, int task) const override;
    Submission submit(const ArrayRequest& request) override;
    ArrayState query(const std::string& job) override;
    std::string cancel(const std::string& job) override;
};

/// The batch script every task runs: the program itself, as a farm task of the work folder.
std::string slurmTaskScript(const ArrayRequest& request);
/// sbatch's words for the array, the site's options last (they may override the job's name or log).
std::vector<std::string> sbatchArguments(const ArrayRequest& request, const std::string& script);
/// The job id of `sbatch --parsable`'s answer ("1234" or "1234;cluster"); "" when it gives none.
std::string parsableJobId(const std::string& out);
/// squeue's answer for the job, its lines as sbatchArguments' squeue asked for them.
ArrayState slurmArrayState(const ChildOutcome& squeue);
/// The task numbers of squeue's ArrayTaskID: "3", "0-39%4", "1,3,5-7".
std::vector<int> slurmTaskNumbers(const std::string& field);
TaskState::Phase slurmPhase(const std::string& state);
/// exit_code as squeue gives it: a raw wait status ("768") or "exit:signal".
std::optional<int> slurmExitStatus(const std::string& field);
