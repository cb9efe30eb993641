#include "cli/cluster/farm_follow.h"

#include "cli/cluster/farm_wait.h"
#include "cli/interrupt_signal.h"
#include "platform/display_text.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace {

/// A sleep that an interrupt cuts short.
class WakeableSleep {
public:
    void sleep(std::chrono::milliseconds duration) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_woken.wait_for(lock, duration, [this] { return m_wake; });
        m_wake = false;
    }
    void wake() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_wake = true;
        }
        m_woken.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_woken;
    bool m_wake = false;
};

void say(const std::string& text) {
    std::fprintf(stderr, "reelmaker farm: %s\n", printable(text).c_str());
}

} // namespace

int followFarm(BatchScheduler& scheduler, const FarmJob& job, const WorkList& list, const FollowOptions& options) {
    if (!options.wait) {
        const ArrayState state = scheduler.query(job.job);
        if (!state.answered)
            say("can't ask the scheduler how job " + job.job + " stands: " + state.problem);
        const FarmStanding standing =
            mergeFarmStanding(list, readFarmResults(job.folder, list), state, true,
                              [&](int task) { return scheduler.taskLog(job.folder, task); });
        printFarmSummary(standing, list, job, options.json);
        return farmExitStatus(standing, list, 0, 0);
    }
    WakeableSleep sleeper;
    InterruptCounter interrupts([&sleeper] { sleeper.wake(); });
    WaitHooks hooks;
    hooks.sleep = [&sleeper](std::chrono::milliseconds duration) { sleeper.sleep(duration); };
    hooks.interrupts = [&interrupts] { return interrupts.count(); };
    hooks.terminatedBy = [&interrupts] { return interrupts.terminatedBy(); };
    hooks.progress = [&options](const std::string& line) {
        if (!options.quiet)
            std::fprintf(stderr, "%s\n", line.c_str());
    };
    hooks.note = say;
    hooks.cancelOnInterrupt = options.cancelOnInterrupt;
    const WaitEnd end = waitForArray(scheduler, job.job, job.folder, list, hooks);
    printFarmSummary(end.standing, list, job, options.json);
    return farmExitStatus(end.standing, list, interrupts.count(), interrupts.terminatedBy());
}
