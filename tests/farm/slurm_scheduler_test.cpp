// Slurm's words read and written: squeue's lines, task ranges and exit codes, sbatch's answer, the
// array's options and the batch script the tasks run.
#include "cli/cluster/slurm_scheduler.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using Phase = TaskState::Phase;

ChildOutcome answered(const std::string& out) {
    return {true, 0, out, ""};
}

TEST(SlurmScheduler, ReadsSqueueLinesIntoTaskStates) {
    const struct {
        const char* line;
        std::vector<int> tasks;
        Phase phase;
        std::string reason;
        std::optional<int> exitStatus;
    } cases[] = {
        {"3|RUNNING|0|None", {3}, Phase::running, "", std::nullopt},
        {"0-3%2|PENDING|0|JobArrayTaskLimit", {0, 1, 2, 3}, Phase::waiting, "JobArrayTaskLimit", std::nullopt},
        {"[1,4-5]|PENDING|0|Resources", {1, 4, 5}, Phase::waiting, "Resources", std::nullopt},
        {"2|COMPLETED|0|None", {2}, Phase::ended, "", 0},
        {"1|FAILED|768|NonZeroExitCode", {1}, Phase::ended, "NonZeroExitCode", 3},
        {"1|CANCELLED|15|None", {1}, Phase::cancelled, "", 143},
        {"0-1|CANCELLED|0|None", {0, 1}, Phase::cancelled, "", 0},
        {"4|TIMEOUT|0:15|TimeLimit", {4}, Phase::stopped, "TimeLimit", 143},
        {"5|NODE_FAIL|0|a|reason|with bars", {5}, Phase::stopped, "a|reason|with bars", 0},
        {"6|SOME_NEW_STATE|0|None", {6}, Phase::running, "", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const ArrayState state = slurmArrayState(answered(std::string(c.line) + "\n"));
        ASSERT_TRUE(state.answered);
        ASSERT_EQ(state.tasks.size(), c.tasks.size());
        for (size_t i = 0; i < c.tasks.size(); ++i) {
            EXPECT_EQ(state.tasks[i].task, c.tasks[i]);
            EXPECT_EQ(state.tasks[i].phase, c.phase);
            EXPECT_EQ(state.tasks[i].reason, c.reason);
            EXPECT_EQ(state.tasks[i].exitStatus, c.exitStatus);
        }
    }
    // Several lines come sorted by task; nonsense gives no task rather than a wrong one.
    const ArrayState mixed = slurmArrayState(answered("2|RUNNING|0|None\n0|COMPLETED|0|None\nx-y|PENDING|0|None\n\n"));
    ASSERT_EQ(mixed.tasks.size(), 2u);
    EXPECT_EQ(mixed.tasks[0].task, 0);
    EXPECT_TRUE(slurmTaskNumbers("0-99999999").empty());
    EXPECT_EQ(slurmExitStatus("nonsense"), std::nullopt);
}

TEST(SlurmScheduler, TellsAForgottenJobFromAnUnreachableController) {
    const ArrayState forgotten =
        slurmArrayState({true, 1, "", "slurm_load_jobs error: Invalid job id specified\n"});
    EXPECT_TRUE(forgotten.answered);
    EXPECT_TRUE(forgotten.forgotten);
    const ArrayState down = slurmArrayState(
        {true, 1, "", "slurm_load_jobs error: Unable to contact slurm controller (connect failure)\n"});
    EXPECT_FALSE(down.answered);
    EXPECT_EQ(down.problem, "squeue: slurm_load_jobs error: Unable to contact slurm controller (connect failure)");
    EXPECT_FALSE(slurmArrayState({false, -1, "", "squeue: not found on PATH"}).answered);
}

TEST(SlurmScheduler, SubmitsOneArrayWhoseScriptRunsThisProgramOnItsTask) {
    EXPECT_EQ(parsableJobId("1234\n"), "1234");
    EXPECT_EQ(parsableJobId("1234;cluster\n"), "1234");
    EXPECT_EQ(parsableJobId("Submitted batch job 1234\n"), "");

    testsupport::TempDir dir;
    ArrayRequest request;
    request.workFolder = dir.file("work it's");
    request.executable = dir.file("bin/it's $here");
    request.workingDirectory = "/submit/dir";
    request.tasks = 40;
    request.concurrency = 4;
    request.siteOptions = {"-p", "night", "--time=2:00:00"};
    EXPECT_EQ(sbatchArguments(request, "task.sh"),
              (std::vector<std::string>{"sbatch", "--parsable", "--array=0-39%4", "--job-name=reelmaker",
                                        "--output=" + request.workFolder + "/logs/task-%a.log",
                                        "--chdir=/submit/dir", "-p", "night", "--time=2:00:00", "task.sh"}));
    request.concurrency.reset();
    EXPECT_EQ(sbatchArguments(request, "task.sh")[2], "--array=0-39");

    // The script hands the program its work folder and task number, whatever their characters.
    std::filesystem::create_directories(dir.path() / "bin");
    std::ofstream(request.executable) << "#!/bin/sh\nprintf '%s\\n' \"$@\"\n";
    std::filesystem::permissions(request.executable, std::filesystem::perms::owner_all);
    std::ofstream(dir.file("task.sh")) << slurmTaskScript(request);
    const testsupport::CommandResult run =
        testsupport::runShell("SLURM_ARRAY_TASK_ID=7 sh '" + dir.file("task.sh") + "'");
    EXPECT_EQ(run.out, "farm-task\n" + request.workFolder + "\n7\n") << run.err;
    EXPECT_NE(testsupport::runShell("sh '" + dir.file("task.sh") + "'").exitStatus, 0) << "no task number";
}

} // namespace
