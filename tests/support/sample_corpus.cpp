#include "support/sample_corpus.h"

#include <fstream>
#include <sstream>

namespace testsupport {

std::vector<SampleRow> readSampleTable(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::vector<std::string> columns;
    std::vector<SampleRow> rows;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream split(line);
        std::string cell;
        while (std::getline(split, cell, '\t'))
            cells.push_back(cell);
        if (!line.empty() && line.back() == '\t')
            cells.push_back("");
        if (columns.empty()) {
            columns = cells;
            continue;
        }
        SampleRow row;
        for (size_t i = 0; i < columns.size(); ++i)
            row[columns[i]] = i < cells.size() ? cells[i] : "";
        rows.push_back(row);
    }
    return rows;
}

std::unique_ptr<TempDir> GeneratedSamplesTest::s_dir;
int GeneratedSamplesTest::s_status = -1;
std::string GeneratedSamplesTest::s_output;

void GeneratedSamplesTest::SetUpTestSuite() {
    if (sharedDir().empty() || !haveProgram("ffmpeg") || !haveProgram("python3"))
        return;
    s_dir = std::make_unique<TempDir>();
    CommandResult made =
        runProgram({"bash", (sharedDir() / "samples" / "make_sequences.sh").string(), s_dir->path().string()});
    s_status = made.exitStatus;
    s_output = made.err;
}

void GeneratedSamplesTest::TearDownTestSuite() { s_dir.reset(); }

} // namespace testsupport
