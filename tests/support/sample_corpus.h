// The shared sample corpus's tables, and the sequences its generator writes, for the corpus tests.
#pragma once

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

/// One row of a tab-separated table, by column name; missing cells read as "".
using SampleRow = std::map<std::string, std::string>;

/// The rows of a tab-separated table whose first line names the columns.
std::vector<SampleRow> readSampleTable(const std::filesystem::path& file);

/// A fixture that runs the corpus's make_sequences.sh once for the whole suite (it writes about
/// 80 MB in 20 s) into a temporary directory. Nothing is made without the corpus, ffmpeg or python3;
/// the tests then skip.
class GeneratedSamplesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    static std::unique_ptr<TempDir> s_dir;
    static int s_status;
    static std::string s_output;  // the generator's standard error
};

} // namespace testsupport

/// Skips unless the generated sequences can be made; fails when the generator did.
#define REQUIRE_GENERATED_SAMPLES()                                                                \
    do {                                                                                           \
        REQUIRE_SHARED_DIR();                                                                      \
        REQUIRE_PROGRAM("ffmpeg");                                                                 \
        REQUIRE_PROGRAM("python3");                                                                \
        ASSERT_EQ(s_status, 0) << s_output;                                                        \
    } while (0)
