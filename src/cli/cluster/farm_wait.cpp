#include "cli/cluster/farm_wait.h"

WaitEnd waitForArray(BatchScheduler& scheduler, const std::string& job, const std::string& folder,
                     const WorkList& list, const WaitHooks& hooks) {
    auto taskLog = [&](int task) { return scheduler.taskLog(folder, task); };
    WaitEnd end;
    int graceLeft = hooks.reportGraceTurns;
    std::string shownProgress;
    std::string shownProblem;
    for (;;) {
        const ArrayState state = scheduler.query(job);
        if (!state.answered && state.problem != shownProblem)
            hooks.note("can't ask the scheduler how job " + job + " stands: " + state.problem + "; asking again");
        shownProblem = state.answered ? std::string() : state.problem;
        end.standing = mergeFarmStanding(list, readFarmResults(folder, list), state, graceLeft <= 0, taskLog);
        if (const std::string progress = farmProgressText(end.standing); progress != shownProgress) {
            hooks.progress(progress);
            shownProgress = progress;
        }
        if (end.standing.settled())
            return end;
        // Only reports of ended tasks are awaited: their grace runs out.
        if (end.standing.awaitingReports > 0 && end.standing.runningTasks == 0 && end.standing.waitingSequences == 0)
            --graceLeft;

        const int interrupts = hooks.interrupts();
        const bool asked = interrupts > 0 || hooks.terminatedBy() != 0;
        if (asked && !hooks.cancelOnInterrupt)
            return end;
        if (asked && !end.cancelled) {
            end.cancelled = true;
            if (const std::string problem = scheduler.cancel(job); !problem.empty())
                hooks.note("can't cancel job " + job + ": " + problem);
            else
                hooks.note("cancelling job " + job + ": waiting for its tasks to end (Ctrl-C again stops waiting)");
        }
        if (interrupts >= 2) {
            hooks.note("no longer waiting: tasks of job " + job + " may still be ending");
            return end;
        }
        hooks.sleep(hooks.pollInterval);
    }
}
