// The work list and the reports as files on shared storage: what is written is read back byte for
// byte, a damaged file is refused with a reason, and no temporary file is left.
#include "cli/cluster/work_list.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(WorkList, ComesBackAsWrittenNamesOfAnyEncodingIncluded) {
    testsupport::TempDir dir;
    std::string folder;
    EXPECT_NE(makeWorkFolder(dir.file("out/"), folder), "") << "out/ is missing: only its own folder is made";
    std::filesystem::create_directories(dir.path() / "out");
    ASSERT_EQ(makeWorkFolder(dir.file("out/"), folder), "");
    std::string second;
    ASSERT_EQ(makeWorkFolder(dir.file("out"), second), "");
    EXPECT_NE(folder, second);
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/results"));
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/logs"));

    WorkList list;
    list.scheduler = "slurm";
    list.executable = "/opt/reelmaker/bin/reelmaker";
    list.workingDirectory = "/mnt/show";
    list.sourceDateEpoch = "1700000000";
    list.chunk = 2;
    list.exportWords = {"-o", "out/", "--source-id", "caf\xe9"}; // Latin-1
    list.entries = {{"reel\xff/a_0001.dpx", "reel\xff", {"reel\xff", "a_[1-48].dpx"}}, {"b_01.dpx", "", {"", "b_[1-2].dpx"}}};
    list.listingProblems = {"x: can't be read: Permission denied"};
    ASSERT_EQ(writeWorkList(folder, list), "");
    std::string problem;
    const std::optional<WorkList> read = readWorkList(folder, problem);
    ASSERT_TRUE(read) << problem;
    EXPECT_EQ(read->executable, list.executable);
    EXPECT_EQ(read->workingDirectory, list.workingDirectory);
    EXPECT_EQ(read->sourceDateEpoch, list.sourceDateEpoch);
    EXPECT_EQ(read->chunk, 2);
    EXPECT_EQ(read->exportWords, list.exportWords);
    ASSERT_EQ(read->entries.size(), 2u);
    EXPECT_EQ(read->entries[0].frame, list.entries[0].frame);
    EXPECT_EQ(read->entries[0].treeFolder, list.entries[0].treeFolder);
    EXPECT_EQ(read->entries[0].name.folder, list.entries[0].name.folder);
    EXPECT_EQ(read->taskCount(), 1);
    EXPECT_EQ(read->listingProblems, list.listingProblems);

    ASSERT_EQ(writeJobRecord(folder, "slurm", "4711"), "");
    std::string scheduler, job;
    EXPECT_TRUE(readJobRecord(folder, scheduler, job, problem));
    EXPECT_EQ(job, "4711");
    // Every file went in under its own name: no temporary is left.
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

TEST(WorkList, ADamagedOrForeignFileIsRefusedWithItsReason) {
    testsupport::TempDir dir;
    const struct {
        std::string text;
        std::string reason;
    } cases[] = {
        {"{\"version\": 1", "not JSON"},
        {"{\"version\": 2}", "version 2"},
        {"{\"version\": 1, \"scheduler\": \"slurm\"}", "not a work list"},
        {"[1, 2]", "not a work list"},
    };
    for (const auto& c : cases) {
        testsupport::writeFile(dir.file("work.json"), std::vector<uint8_t>(c.text.begin(), c.text.end()));
        std::string problem;
        EXPECT_FALSE(readWorkList(dir.path().string(), problem)) << c.text;
        EXPECT_NE(problem.find(c.reason), std::string::npos) << problem;
    }
    std::string problem, scheduler, job;
    EXPECT_FALSE(readJobRecord(dir.path().string(), scheduler, job, problem));
    EXPECT_FALSE(readWorkList(dir.file("none"), problem));
    EXPECT_NE(problem.find("can't read"), std::string::npos);
}

} // namespace
