// translate --farm and farm-report through stand-ins for sbatch, squeue and scancel on PATH: sbatch
// runs every task of the array at once, as a cluster would, and squeue tells how they ended (or what
// the test makes it say). No daemon runs.
#include "farm/farm_fixtures.h"
#include "support/json_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using testsupport::runCli;
using testsupport::TempDir;

const char kSbatch[] = R"SH(#!/bin/sh
# Records its words, then runs each task of the array (--array=0-N[%C]) here, as the cluster would.
printf '%s\n' "$@" > "$STUB_DIR/sbatch.words"
if [ -n "$STUB_SBATCH_FAILS" ]; then echo "sbatch: error: $STUB_SBATCH_FAILS" >&2; exit 1; fi
for word in "$@"; do
  case $word in --array=*) last=${word#--array=0-}; last=${last%%%*} ;; --output=*) log=${word#--output=} ;; esac
  script=$word
done
i=0
while [ $i -le $last ]; do
  SLURM_ARRAY_TASK_ID=$i sh "$script" > "$(echo "$log" | sed "s/%a/$i/")" 2>&1
  echo "$i|$([ $? = 0 ] && echo COMPLETED || echo FAILED)|0|None" >> "$STUB_DIR/states"
  i=$((i + 1))
done
echo "4711;cluster"
)SH";

const char kSqueue[] = R"SH(#!/bin/sh
echo "$@" >> "$STUB_DIR/squeue.words"
if [ -f "$STUB_DIR/squeue.answer" ]; then cat "$STUB_DIR/squeue.answer"; else cat "$STUB_DIR/states"; fi
)SH";

const char kScancel[] = R"SH(#!/bin/sh
echo "$@" >> "$STUB_DIR/scancel.words"
)SH";

/// The stand-ins first on PATH, for this test's commands.
class FarmCommand : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = std::getenv("PATH") ? std::getenv("PATH") : "";
        for (const auto& [name, text] : {std::pair{"sbatch", kSbatch}, {"squeue", kSqueue}, {"scancel", kScancel}}) {
            std::ofstream(m_stubs.file(name)) << text;
            std::filesystem::permissions(m_stubs.file(name), std::filesystem::perms::owner_all);
        }
        setenv("PATH", (m_stubs.path().string() + ":" + m_path).c_str(), 1);
        setenv("STUB_DIR", m_stubs.path().c_str(), 1);
        setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
        // Three sequences of three frames; c has a break in its numbering, which --strict refuses.
        farmfixtures::writeThreeSequences(m_frames);
    }
    void TearDown() override {
        setenv("PATH", m_path.c_str(), 1);
        unsetenv("STUB_DIR");
        unsetenv("SOURCE_DATE_EPOCH");
    }
    std::string stubFile(const std::string& name) const {
        const std::vector<uint8_t> bytes = testsupport::readFile(m_stubs.file(name));
        return std::string(bytes.begin(), bytes.end());
    }
    static std::string workFolder(const std::string& out) { return farmfixtures::workFolder(out); }
    static testsupport::JsonValue parsed(const std::string& text) {
        std::optional<testsupport::JsonValue> json = testsupport::parseJson(text);
        EXPECT_TRUE(json) << text;
        return json.value_or(testsupport::JsonValue{});
    }

    std::string m_path;
    TempDir m_stubs;
    TempDir m_frames;
    TempDir m_out;
};

TEST_F(FarmCommand, ReportsAsALocalRunAndMakesTheSameMovies) {
    const std::string local = m_out.file("local/"), farm = m_out.file("farm/");
    const std::vector<std::string> common{"translate", "--all", m_frames.file(""), "--strict", "--quiet"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = common;
        args.insert(args.end(), extra.begin(), extra.end());
        return runCli(args);
    };
    const testsupport::CommandResult here = with({"-o", local, "--json"});
    const testsupport::CommandResult there =
        with({"-o", farm, "--json", "--farm", "slurm", "--jobs", "2", "--farm-opts", "-p 'night shift' --mem=2G"});
    EXPECT_EQ(here.exitStatus, 1);
    EXPECT_EQ(there.exitStatus, 1) << there.err;
    testsupport::JsonValue json = parsed(there.out);
    EXPECT_EQ(json["complete"].number, 2);
    EXPECT_EQ(json["failed"].number, 1);
    ASSERT_EQ(json["movies"].items.size(), 3u);
    const testsupport::JsonValue& failed = json["movies"][2];
    EXPECT_TRUE(failed["movie"].isNull());
    EXPECT_EQ(failed["sequence"]["folder"].text + "/" + failed["sequence"]["pattern"].text,
              m_frames.file("c_[1-3].dpx"));
    EXPECT_EQ(json["farm"]["job"].text, "4711");
    EXPECT_TRUE(json["farm"]["not_reported"].items.empty());
    // Each sequence's object is the one the local run printed, the movie's folder aside.
    const testsupport::JsonValue localJson = parsed(here.out);
    for (size_t i = 0; i < 3; ++i) {
        const testsupport::JsonValue& mine = json["movies"][i];
        EXPECT_EQ(mine["problems"].items.size(), localJson["movies"][i]["problems"].items.size());
        EXPECT_EQ(mine["warnings"].items.size(), localJson["movies"][i]["warnings"].items.size());
        EXPECT_EQ(mine["sequence"]["pattern"].text, localJson["movies"][i]["sequence"]["pattern"].text);
    }
    for (const char* movie : {"a_.mov", "b_.mov"})
        EXPECT_EQ(testsupport::readFile(local + movie), testsupport::readFile(farm + movie)) << movie;
    EXPECT_NE(stubFile("sbatch.words").find("--array=0-2%2\n"), std::string::npos);
    EXPECT_NE(stubFile("sbatch.words").find("-p\nnight shift\n--mem=2G\n"), std::string::npos) << stubFile("sbatch.words");

    // The text: the movie lines, the failed sequence by its folder and pattern, the total.
    const testsupport::CommandResult text = runCli({"farm-report", workFolder(farm)});
    EXPECT_EQ(text.exitStatus, 1);
    EXPECT_EQ(text.out, farm + "a_.mov: self-contained movie, 3 of 3 frames written\n" + farm +
                            "b_.mov: self-contained movie, 3 of 3 frames written\n" + m_frames.file("c_[1-3].dpx") +
                            ": no movie\n3 sequences: 2 movies complete, 1 incomplete or not made\n");
    EXPECT_NE(text.err.find(m_frames.file("c_0001.dpx") + ": --strict: 2 warnings about the range"), std::string::npos)
        << text.err;
}

TEST_F(FarmCommand, ChunksShareTasksAndARequeuedTaskKeepsItsCompleteMovies) {
    const std::string out = m_out.file("out/");
    const testsupport::CommandResult run =
        runCli({"translate", "--all", m_frames.file(""), "-o", out, "--farm", "slurm", "--farm-chunk", "2"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(stubFile("sbatch.words").find("--array=0-1\n"), std::string::npos) << "3 sequences, 2 to a task";
    EXPECT_NE(run.err.find("3 sequences in 2 tasks"), std::string::npos) << run.err;
    const std::string folder = workFolder(out);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder + "/results"), {}), 3);

    // Run again by the scheduler (a node lost, the task requeued): the complete movies stay.
    const auto before = std::filesystem::last_write_time(out + "a_.mov");
    const testsupport::CommandResult again = runCli({"farm-task", folder, "0"});
    EXPECT_EQ(again.exitStatus, 0) << again.err;
    EXPECT_NE(again.err.find("already complete"), std::string::npos) << again.err;
    EXPECT_EQ(std::filesystem::last_write_time(out + "a_.mov"), before);
    EXPECT_EQ(runCli({"farm-task", folder, "2"}).exitStatus, 1) << "there is no task 2";
}

TEST_F(FarmCommand, SequencesWhoseTasksNeverReportedAreNamedWithTheSchedulersWord) {
    const std::string out = m_out.file("out/");
    const testsupport::CommandResult submitted = runCli(
        {"translate", "--json", "--all", m_frames.file(""), "-o", out, "--farm", "slurm", "--no-wait", "--quiet"});
    ASSERT_EQ(submitted.exitStatus, 0) << submitted.err;
    const testsupport::JsonValue job = parsed(submitted.out);
    EXPECT_EQ(job["job"].text, "4711");
    EXPECT_EQ(job["tasks"].number, 3);
    const std::string folder = job["folder"].text;
    // Task 1's report is lost, as if its node had failed before it wrote it; task 2 was cancelled.
    std::filesystem::remove(folder + "/results/1.json");
    std::filesystem::remove(folder + "/results/2.json");
    std::ofstream(m_stubs.file("squeue.answer")) << "0|COMPLETED|0|None\n1|NODE_FAIL|0|None\n2|CANCELLED|15|None\n";
    const testsupport::CommandResult text = runCli({"farm-report", folder});
    EXPECT_EQ(text.exitStatus, 1);
    EXPECT_NE(text.out.find(m_frames.file("b_[1-3].dpx") + ": no movie: task 1 ended NODE_FAIL, exit status 0 before it reported; its log: "),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find(m_frames.file("c_[1-3].dpx") + ": no movie: task 2 ended CANCELLED, by signal 15 before it reported"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("3 sequences: 1 movie complete, 2 incomplete or not made\n"), std::string::npos);
    const testsupport::JsonValue json = parsed(runCli({"farm-report", "--json", folder}).out);
    ASSERT_EQ(json["farm"]["not_reported"].items.size(), 2u);
    const testsupport::JsonValue& cancelled = json["farm"]["not_reported"][1];
    EXPECT_EQ(cancelled["state"].text, "CANCELLED");
    EXPECT_EQ(cancelled["exit_status"].number, 143);
    EXPECT_EQ(cancelled["sequence"]["pattern"].text, "c_[1-3].dpx");
    EXPECT_EQ(json["failed"].number, 2);

    // Long after, the scheduler no longer knows the job: what was reported stays, the rest is named.
    std::ofstream(m_stubs.file("squeue.answer")) << "";
    std::ofstream(m_stubs.file("squeue")) << "#!/bin/sh\necho 'slurm_load_jobs error: Invalid job id specified' >&2\nexit 1\n";
    const testsupport::CommandResult later = runCli({"farm-report", folder});
    EXPECT_EQ(later.exitStatus, 1);
    EXPECT_NE(later.out.find("task 2 is no longer known to the scheduler"), std::string::npos) << later.out;
}

TEST_F(FarmCommand, WhatCanBeCheckedBeforeSubmittingIs) {
    const std::string frames = m_frames.file("");
    const struct {
        std::vector<std::string> args;
        int exitStatus;
        std::string text;
    } cases[] = {
        {{"--all", frames, "--farm", "slurm"}, 2, "--farm needs -o DIR/"},
        {{"--all", frames, "--farm", "slurm", "-o", m_out.file("one.mov")}, 2, "--farm needs -o DIR/"},
        {{"--all", frames, "--farm", "lsf", "-o", m_out.file("x/")}, 2, "--farm takes slurm, not 'lsf'"},
        {{"--all", frames, "--farm-chunk", "2", "-o", m_out.file("x/")}, 2, "--farm-chunk goes with --farm"},
        {{"--all", frames, "--farm", "slurm", "--farm-chunk", "0", "-o", m_out.file("x/")}, 2, "--farm-chunk needs a number"},
        {{"--all", frames, "--farm", "slurm", "--farm-opts", "-p 'night", "-o", m_out.file("x/")}, 2, "a quote is not closed"},
        {{"--all", frames, "--no-wait", "-o", m_out.file("x/")}, 2, "--no-wait goes with --farm"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"translate"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const testsupport::CommandResult run = runCli(args);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << c.text;
        EXPECT_NE(run.err.find(c.text), std::string::npos) << run.err;
    }
    // A refused submission leaves no work folder behind; nor does a missing sbatch.
    setenv("STUB_SBATCH_FAILS", "invalid partition specified: night", 1);
    const testsupport::CommandResult refused =
        runCli({"translate", "--all", frames, "--farm", "slurm", "-o", m_out.file("x/")});
    unsetenv("STUB_SBATCH_FAILS");
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_NE(refused.err.find("the array was not submitted: sbatch: error: invalid partition specified: night"),
              std::string::npos)
        << refused.err;
    EXPECT_TRUE(std::filesystem::is_empty(m_out.file("x/.reelmaker-farm")));
    std::filesystem::remove(m_stubs.file("sbatch"));
    setenv("PATH", m_stubs.path().c_str(), 1); // the stand-ins alone, sbatch gone
    const testsupport::CommandResult missing =
        runCli({"translate", "--all", frames, "--farm", "slurm", "-o", m_out.file("y/")});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_NE(missing.err.find("--farm slurm: not found on PATH: sbatch"), std::string::npos) << missing.err;
    EXPECT_EQ(runCli({"farm-report", m_out.file("")}).exitStatus, 1);
    EXPECT_EQ(runCli({"farm-report"}).exitStatus, 2);
}

} // namespace
