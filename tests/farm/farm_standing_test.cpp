// The farm's reports and the scheduler's word merged into one standing, the progress line, the exit
// status, and the waiting on a scheduler that the test scripts (no cluster, no clock).
#include "cli/cluster/farm_results.h"
#include "cli/cluster/farm_wait.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

using Kind = SequenceStanding::Kind;
using Phase = TaskState::Phase;

/// A work folder of `count` sequences, `chunk` to a task, with the reports given (entry -> complete).
struct Farm {
    explicit Farm(int count, int chunk = 1) {
        list.chunk = chunk;
        for (int i = 0; i < count; ++i)
            list.entries.push_back({"f/s" + std::to_string(i) + "_0001.dpx", "", {"f", "s" + std::to_string(i) + "_[1-3].dpx"}});
        std::filesystem::create_directories(dir.path() / "results");
    }
    void report(size_t entry, bool complete) {
        TranslateReport report;
        report.sequence = list.entries[entry].name;
        report.complete = complete;
        ASSERT_EQ(writeFileAtomically(resultPath(dir.path().string(), entry), reportJson(report)), "");
    }
    FarmStanding standing(const ArrayState& state, bool overdue = true) const {
        return mergeFarmStanding(list, readFarmResults(dir.path().string(), list), state, overdue,
                                 [](int task) { return "no-log-" + std::to_string(task); });
    }
    testsupport::TempDir dir;
    WorkList list;
};

ArrayState tasks(std::vector<TaskState> states) {
    ArrayState state;
    state.answered = true;
    state.tasks = std::move(states);
    return state;
}

TEST(FarmStanding, EachSequenceIsReportedOrCarriesItsTasksEnd) {
    Farm farm(6, 2); // tasks 0, 1, 2 of two sequences each
    farm.report(0, true);
    farm.report(1, false);
    farm.report(2, true);
    testsupport::writeFile(resultPath(farm.dir.path().string(), 3), {'{'}); // cut short
    const FarmStanding standing = farm.standing(tasks({{0, Phase::ended, "COMPLETED", "", 0},
                                                       {1, Phase::cancelled, "CANCELLED", "", 143},
                                                       {2, Phase::running, "RUNNING", "", std::nullopt}}));
    ASSERT_EQ(standing.sequences.size(), 6u);
    EXPECT_EQ(standing.sequences[0].kind, Kind::reported);
    EXPECT_EQ(standing.sequences[1].kind, Kind::reported);
    EXPECT_EQ(standing.sequences[2].kind, Kind::reported);
    EXPECT_EQ(standing.sequences[3].kind, Kind::unreported);
    EXPECT_NE(standing.sequences[3].why.find("its report can't be read"), std::string::npos);
    EXPECT_EQ(standing.sequences[4].kind, Kind::running);
    EXPECT_EQ(standing.complete, 2);
    EXPECT_EQ(standing.failed, 2);
    EXPECT_FALSE(standing.settled());
    EXPECT_EQ(farmProgressText(standing), "2 of 6 movies, 2 failed, 1 running");
    EXPECT_EQ(farmExitStatus(standing, farm.list, 0, 0), 1);
}

TEST(FarmStanding, TheSchedulersWordForTasksThatNeverReported) {
    const struct {
        ArrayState state;
        bool overdue;
        Kind kind;
        std::string why;
    } cases[] = {
        {tasks({{0, Phase::cancelled, "CANCELLED", "", 143}}), true, Kind::unreported,
         "task 0 ended CANCELLED, by signal 15 before it reported"},
        {tasks({{0, Phase::cancelled, "CANCELLED", "JobArrayTaskLimit", 0}}), true, Kind::unreported,
         "task 0 ended CANCELLED (JobArrayTaskLimit), exit status 0 before it reported"},
        {tasks({{0, Phase::stopped, "NODE_FAIL", "", 0}}), true, Kind::unreported,
         "task 0 ended NODE_FAIL, exit status 0 before it reported"},
        {tasks({{0, Phase::ended, "FAILED", "NonZeroExitCode", 139}}), true, Kind::unreported,
         "task 0 ended FAILED (NonZeroExitCode), by signal 11 without a report"},
        // Ended by itself, its report not seen yet: shared storage may be late; not yet a verdict.
        {tasks({{0, Phase::ended, "COMPLETED", "", 0}}), false, Kind::running, ""},
        {tasks({{0, Phase::waiting, "PENDING", "Resources", std::nullopt}}), true, Kind::waiting, ""},
        {tasks({}), true, Kind::unreported, "task 0 is no longer known to the scheduler and left no report"},
        {ArrayState{}, true, Kind::running, ""}, // the scheduler can't be asked: no verdict
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        Farm farm(1);
        const FarmStanding standing = farm.standing(c.state, c.overdue);
        EXPECT_EQ(standing.sequences[0].kind, c.kind);
        EXPECT_EQ(standing.sequences[0].why, c.why);
        EXPECT_EQ(standing.settled(), c.kind == Kind::unreported);
        EXPECT_EQ(standing.failed, c.kind == Kind::unreported ? 1 : 0);
    }
}

TEST(FarmStanding, ExitsZeroOnlyWhenEveryMovieIsComplete) {
    Farm farm(2);
    farm.report(0, true);
    farm.report(1, true);
    const FarmStanding all = farm.standing(tasks({}));
    EXPECT_EQ(farmExitStatus(all, farm.list, 0, 0), 0);
    EXPECT_EQ(farmExitStatus(all, farm.list, 1, 0), 0) << "nothing was lost to the interrupt";
    farm.list.listingProblems.push_back("f/x: can't be read: Permission denied");
    EXPECT_EQ(farmExitStatus(all, farm.list, 0, 0), 1);

    Farm partial(2);
    partial.report(0, true);
    const FarmStanding cut = partial.standing(tasks({{1, Phase::cancelled, "CANCELLED", "", 143}}));
    EXPECT_EQ(farmExitStatus(cut, partial.list, 0, 0), 1);
    EXPECT_EQ(farmExitStatus(cut, partial.list, 1, 0), 130);
    EXPECT_EQ(farmExitStatus(cut, partial.list, 0, 15), 143);
}

/// A scheduler whose answers the test lists, one per query (the last one repeated).
class ScriptedScheduler final : public BatchScheduler {
public:
    std::string name() const override { return "scripted"; }
    std::vector<std::string> missingPrograms() const override { return {}; }
    std::string taskLog(const std::string&, int task) const override { return "log-" + std::to_string(task); }
    Submission submit(const ArrayRequest&) override { return {"1", ""}; }
    ArrayState query(const std::string&) override {
        ++queries;
        if (answers.size() > 1) {
            ArrayState next = answers.front();
            answers.pop_front();
            return next;
        }
        return answers.front();
    }
    std::string cancel(const std::string&) override {
        ++cancels;
        return {};
    }
    std::deque<ArrayState> answers;
    int queries = 0;
    int cancels = 0;
};

struct Waiting {
    WaitHooks hooks;
    int sleeps = 0;
    int interrupts = 0;
    std::vector<std::string> lines;
    std::vector<std::string> notes;
    std::function<void()> onSleep = [] {};
    Waiting() {
        hooks.sleep = [this](std::chrono::milliseconds) {
            ++sleeps;
            onSleep();
        };
        hooks.interrupts = [this] { return interrupts; };
        hooks.terminatedBy = [] { return 0; };
        hooks.progress = [this](const std::string& line) { lines.push_back(line); };
        hooks.note = [this](const std::string& note) { notes.push_back(note); };
        hooks.reportGraceTurns = 3;
    }
};

TEST(FarmWait, FollowsTheArrayUntilEverySequenceIsSettled) {
    Farm farm(2);
    ScriptedScheduler scheduler;
    scheduler.answers = {tasks({{0, Phase::waiting, "PENDING", "", {}}, {1, Phase::waiting, "PENDING", "", {}}}),
                         tasks({{0, Phase::running, "RUNNING", "", {}}, {1, Phase::running, "RUNNING", "", {}}}),
                         tasks({{0, Phase::ended, "COMPLETED", "", 0}, {1, Phase::ended, "FAILED", "", 1}})};
    Waiting waiting;
    waiting.onSleep = [&] {
        if (scheduler.queries == 2) {
            farm.report(0, true);
            farm.report(1, false);
        }
    };
    const WaitEnd end = waitForArray(scheduler, "1", farm.dir.path().string(), farm.list, waiting.hooks);
    EXPECT_TRUE(end.standing.settled());
    EXPECT_FALSE(end.cancelled);
    EXPECT_EQ(scheduler.cancels, 0);
    EXPECT_EQ(waiting.lines, (std::vector<std::string>{"0 of 2 movies, 0 failed, 0 running, 2 waiting",
                                                       "0 of 2 movies, 0 failed, 2 running",
                                                       "1 of 2 movies, 1 failed, 0 running"}));
}

TEST(FarmWait, AReportMissingAfterItsTaskEndedIsAwaitedForAFewTurnsOnly) {
    Farm farm(1);
    ScriptedScheduler scheduler;
    scheduler.answers = {tasks({{0, Phase::ended, "COMPLETED", "", 0}})};
    Waiting waiting;
    const WaitEnd late = waitForArray(scheduler, "1", farm.dir.path().string(), farm.list, waiting.hooks);
    EXPECT_EQ(waiting.sleeps, 3);
    EXPECT_EQ(late.standing.sequences[0].kind, Kind::unreported);

    Waiting seen; // the report shows up within the grace
    seen.onSleep = [&] { farm.report(0, true); };
    const WaitEnd found = waitForArray(scheduler, "1", farm.dir.path().string(), farm.list, seen.hooks);
    EXPECT_EQ(found.standing.complete, 1);
}

TEST(FarmWait, CtrlCCancelsTheArrayOnceAndWaitsForItsTasksASecondStopsWaiting) {
    Farm farm(2);
    ScriptedScheduler scheduler;
    const ArrayState running = tasks({{0, Phase::running, "RUNNING", "", {}}, {1, Phase::waiting, "PENDING", "", {}}});
    scheduler.answers = {running, running, running,
                         tasks({{0, Phase::cancelled, "CANCELLED", "", 143}, {1, Phase::cancelled, "CANCELLED", "", 0}})};
    Waiting waiting;
    waiting.interrupts = 1;
    const WaitEnd end = waitForArray(scheduler, "1", farm.dir.path().string(), farm.list, waiting.hooks);
    EXPECT_TRUE(end.cancelled);
    EXPECT_EQ(scheduler.cancels, 1);
    EXPECT_TRUE(end.standing.settled());
    EXPECT_EQ(end.standing.failed, 2);

    ScriptedScheduler stuck; // the tasks never end: a second Ctrl-C stops the waiting
    stuck.answers = {running};
    Waiting twice;
    twice.interrupts = 1;
    twice.onSleep = [&] { twice.interrupts = 2; };
    const WaitEnd stopped = waitForArray(stuck, "1", farm.dir.path().string(), farm.list, twice.hooks);
    EXPECT_FALSE(stopped.standing.settled());
    EXPECT_EQ(stuck.cancels, 1);

    Waiting reportOnly; // a later report's --wait cancels nothing
    reportOnly.hooks.cancelOnInterrupt = false;
    reportOnly.interrupts = 1;
    ScriptedScheduler other;
    other.answers = {running};
    waitForArray(other, "1", farm.dir.path().string(), farm.list, reportOnly.hooks);
    EXPECT_EQ(other.cancels, 0);
}

TEST(FarmWait, AnUnreachableSchedulerIsToldOnceAndAskedAgain) {
    Farm farm(1);
    ScriptedScheduler scheduler;
    ArrayState down;
    down.problem = "squeue: Unable to contact slurm controller";
    scheduler.answers = {down, down, down, tasks({{0, Phase::cancelled, "CANCELLED", "", 143}})};
    Waiting waiting;
    waitForArray(scheduler, "1", farm.dir.path().string(), farm.list, waiting.hooks);
    EXPECT_EQ(scheduler.queries, 4);
    ASSERT_EQ(waiting.notes.size(), 1u);
    EXPECT_NE(waiting.notes[0].find("Unable to contact"), std::string::npos);
}

} // namespace
