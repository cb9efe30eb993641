// translate --farm on a real one-node Slurm of the test's own: the movies are the local ones byte
// for byte, a failed sequence and a cancelled task are named in the summary, Ctrl-C cancels the
// array and leaves no partial movie, and --no-wait hands over to farm-report.
#include "farm/farm_fixtures.h"
#include "farm/slurm_cluster.h"
#include "support/json_reader.h"
#include "support/open_gate.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

using testsupport::runCli;
using testsupport::TempDir;

class SlurmFarm : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_cluster = farmfixtures::SlurmCluster::start(s_why); }
    static void TearDownTestSuite() { s_cluster.reset(); }
    void SetUp() override {
        setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
        farmfixtures::writeThreeSequences(m_frames, 12);
    }
    void TearDown() override {
        unsetenv("SOURCE_DATE_EPOCH");
        for (const char* name : {"LD_PRELOAD", "REELMAKER_TEST_GATE_FILE", "REELMAKER_TEST_GATE_DIR"})
            unsetenv(name);
    }

    /// Every command started from now on (the tasks too: sbatch passes the environment on) holds
    /// its export at the gate's file.
    static void gateEveryExport(const testsupport::OpenGate& gate, const std::string& fileName) {
        setenv("LD_PRELOAD", REELMAKER_OPEN_GATE_PATH, 1);
        setenv("REELMAKER_TEST_GATE_FILE", fileName.c_str(), 1);
        setenv("REELMAKER_TEST_GATE_DIR", std::filesystem::path(gate.reachedMarker()).parent_path().c_str(), 1);
    }

    /// Waits (at most two minutes, so that a broken run fails rather than hangs) until the file holds `text`.
    static bool waitForText(const std::string& file, const std::string& text) {
        for (int tries = 0; tries < 1200; ++tries) {
            const std::vector<uint8_t> bytes = testsupport::readFile(file);
            if (std::string(bytes.begin(), bytes.end()).find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    static testsupport::JsonValue parsed(const std::string& text) {
        std::optional<testsupport::JsonValue> json = testsupport::parseJson(text);
        EXPECT_TRUE(json) << text;
        return json.value_or(testsupport::JsonValue{});
    }

    /// The names in `folder` other than the work folder: the movies, and any file left over.
    static std::vector<std::string> leftIn(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().filename() != ".reelmaker-farm")
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::unique_ptr<farmfixtures::SlurmCluster> s_cluster;
    static std::string s_why;
    TempDir m_frames;
    TempDir m_out;
};
std::unique_ptr<farmfixtures::SlurmCluster> SlurmFarm::s_cluster;
std::string SlurmFarm::s_why;

TEST_F(SlurmFarm, MoviesAreTheLocalOnesAndTheFailedSequenceIsNamed) {
    REQUIRE_SLURM_CLUSTER(s_cluster);
    const std::string local = m_out.file("local/"), farm = m_out.file("farm/"), chunked = m_out.file("chunked/");
    const std::string frames = m_frames.file("");
    ASSERT_EQ(runCli({"translate", "--quiet", "--all", frames, "--strict", "-o", local}).exitStatus, 1);
    const testsupport::CommandResult run =
        runCli({"translate", "--json", "--all", frames, "--strict", "-o", farm, "--farm", "slurm", "--jobs", "2"});
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    const testsupport::JsonValue json = parsed(run.out);
    EXPECT_EQ(json["complete"].number, 2);
    EXPECT_EQ(json["failed"].number, 1);
    ASSERT_EQ(json["movies"].items.size(), 3u);
    EXPECT_TRUE(json["movies"][2]["movie"].isNull());
    EXPECT_EQ(json["movies"][2]["sequence"]["pattern"].text, "c_[1-12].dpx");
    EXPECT_EQ(json["movies"][2]["sequence"]["folder"].text + "/", frames);
    for (const char* movie : {"a_.mov", "b_.mov"})
        EXPECT_EQ(testsupport::readFile(local + movie), testsupport::readFile(farm + movie)) << movie;
    EXPECT_EQ(leftIn(farm), (std::vector<std::string>{"a_.mov", "b_.mov"}));
    const testsupport::CommandResult text = runCli({"farm-report", farmfixtures::workFolder(farm)});
    EXPECT_EQ(text.exitStatus, 1);
    EXPECT_NE(text.out.find(frames + "c_[1-12].dpx: no movie\n3 sequences: 2 movies complete, 1 incomplete or not made\n"),
              std::string::npos)
        << text.out;

    // Two sequences to a task: two tasks, the same movies.
    const testsupport::CommandResult chunks =
        runCli({"translate", "--all", frames, "-o", chunked, "--farm", "slurm", "--farm-chunk", "2"});
    EXPECT_EQ(chunks.exitStatus, 0) << chunks.err;
    EXPECT_NE(chunks.err.find("3 sequences in 2 tasks"), std::string::npos) << chunks.err;
    for (const char* movie : {"a_.mov", "b_.mov"})
        EXPECT_EQ(testsupport::readFile(local + movie), testsupport::readFile(chunked + movie)) << movie;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(farmfixtures::workFolder(chunked) + "/logs"), {}), 2);
}

TEST_F(SlurmFarm, ATaskCancelledWithScancelIsReportedSoAndLeavesNoFile) {
    REQUIRE_SLURM_CLUSTER(s_cluster);
    const std::string out = m_out.file("out/");
    testsupport::OpenGate gate("b_0005.dpx");
    gateEveryExport(gate, "b_0005.dpx");
    const testsupport::CommandResult submitted =
        runCli({"translate", "--json", "--all", m_frames.file(""), "-o", out, "--farm", "slurm", "--no-wait"});
    ASSERT_EQ(submitted.exitStatus, 0) << submitted.err;
    const testsupport::JsonValue job = parsed(submitted.out);
    const std::string folder = job["folder"].text;
    ASSERT_TRUE(gate.waitUntilReached());
    // Task 1 is b's: held in the middle of its movie when Slurm ends it.
    ASSERT_EQ(testsupport::runProgram({"scancel", job["job"].text + "_1"}).exitStatus, 0);
    EXPECT_TRUE(waitForText(folder + "/logs/task-1.log", "aborting: no movie will be left"));
    gate.release();

    const testsupport::CommandResult report = runCli({"farm-report", "--json", "--wait", "--quiet", folder});
    EXPECT_EQ(report.exitStatus, 1) << report.err;
    const testsupport::JsonValue json = parsed(report.out);
    EXPECT_EQ(json["complete"].number, 2);
    ASSERT_EQ(json["farm"]["not_reported"].items.size(), 1u);
    const testsupport::JsonValue& cancelled = json["farm"]["not_reported"][0];
    EXPECT_EQ(cancelled["sequence"]["pattern"].text, "b_[1-12].dpx");
    EXPECT_EQ(cancelled["state"].text, "CANCELLED");
    EXPECT_NE(cancelled["text"].text.find("task 1 ended CANCELLED"), std::string::npos) << cancelled["text"].text;
    EXPECT_EQ(leftIn(out), (std::vector<std::string>{"a_.mov", "c_.mov"})) << "no movie, no temporary file of b";
    EXPECT_FALSE(std::filesystem::exists(folder + "/results/1.json"));
}

TEST_F(SlurmFarm, CtrlCCancelsTheArrayWaitsForItsTasksAndLeavesNoPartialMovie) {
    REQUIRE_SLURM_CLUSTER(s_cluster);
    const std::string out = m_out.file("out/");
    testsupport::OpenGate gate("a_0005.dpx");
    gateEveryExport(gate, "a_0005.dpx");
    auto waitFor = [](const std::string& condition) {
        return "n=0; until " + condition + "; do [ $n -ge 1200 ] && break; sleep 0.1; n=$((n+1)); done\n";
    };
    const std::string script =
        "'" + std::string(REELMAKER_CLI_PATH) + "' translate --all '" + m_frames.file("") + "' -o '" + out +
        "' --farm slurm --jobs 1 2>'" + m_out.file("err") + "' & pid=$!\n" + waitFor("[ -e '" + gate.reachedMarker() + "' ]") +
        "kill -INT $pid\n" + waitFor("grep -qs 'aborting: no movie' '" + out + "'.reelmaker-farm/*/logs/task-0.log") +
        "touch '" + gate.releaseMarker() + "'\nwait $pid; echo \"exit $?\"\n";
    const testsupport::CommandResult run = testsupport::runShell(script);
    const std::vector<uint8_t> errBytes = testsupport::readFile(m_out.file("err"));
    const std::string err(errBytes.begin(), errBytes.end());
    EXPECT_NE(run.out.find("exit 130"), std::string::npos) << run.out << err;
    EXPECT_NE(err.find("cancelling job"), std::string::npos) << err;
    for (const char* base : {"a_", "b_", "c_"})
        EXPECT_NE(run.out.find(m_frames.file(std::string(base) + "[1-") ), std::string::npos) << base << run.out;
    EXPECT_NE(run.out.find("3 sequences: 0 movies complete, 3 incomplete or not made"), std::string::npos) << run.out;
    EXPECT_TRUE(leftIn(out).empty()) << "no movie and no temporary file";
}

TEST_F(SlurmFarm, NoWaitThenFarmReport) {
    REQUIRE_SLURM_CLUSTER(s_cluster);
    const std::string out = m_out.file("out/");
    const testsupport::CommandResult submitted =
        runCli({"translate", "--all", m_frames.file(""), "-o", out, "--farm", "slurm", "--no-wait", "--quiet"});
    ASSERT_EQ(submitted.exitStatus, 0) << submitted.err;
    const std::string folder = farmfixtures::workFolder(m_out.file("out"));
    EXPECT_EQ(submitted.out.substr(submitted.out.find("\nfolder ")), "\nfolder " + folder + "\n");
    const testsupport::CommandResult report = runCli({"farm-report", "--wait", folder});
    EXPECT_EQ(report.exitStatus, 0) << report.err;
    EXPECT_EQ(report.out, out + "a_.mov: self-contained movie, 12 of 12 frames written\n" + out +
                              "b_.mov: self-contained movie, 12 of 12 frames written\n" + out +
                              "c_.mov: self-contained movie, 11 of 11 frames written\n"
                              "3 sequences: 3 movies complete, 0 incomplete or not made\n");
}

} // namespace
