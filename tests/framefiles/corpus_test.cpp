// The shared sample corpus through `reelmaker info --json`: every real file of expected.tsv and
// every file make_sequences.sh writes reads as its table says.
#include "support/json_reader.h"
#include "support/sample_corpus.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

using namespace testsupport;

namespace {

using Row = SampleRow;

// The table writes a byte outside printable ASCII, and a backslash, as \xNN.
std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            out += char(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Checks the info report of every row against the table; `dir` is the table's directory.
void checkRows(const std::filesystem::path& dir, const std::vector<Row>& rows) {
    ASSERT_FALSE(rows.empty());
    std::vector<std::string> args{"info", "--json"};
    for (const Row& row : rows)
        args.push_back((dir / row.at("path")).string());
    CommandResult run = runCli(args);
    std::optional<JsonValue> all = parseJson(run.out);
    ASSERT_TRUE(all) << run.out;
    ASSERT_EQ(all->items.size(), rows.size());
    bool anyRefused = false;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const JsonValue& got = (*all)[i];
        SCOPED_TRACE(row.at("path"));
        bool ok = row.at("file_ok") == "true";
        anyRefused = anyRefused || !ok;
        EXPECT_EQ(got["kind"].text, row.at("kind"));
        EXPECT_EQ(got["file_ok"].boolean, ok);
        // The report's reason is the table's, without what the table adds about logs and notes.
        if (ok)
            EXPECT_TRUE(got["problem"].isNull());
        else
            EXPECT_EQ(row.at("why").rfind(got["problem"].text, 0), 0u)
                << got["problem"].text << " / " << row.at("why");

        // Files of 2048 bytes or less have no header: the reader reports no fields.
        bool header = row.at("kind") != "unknown" && std::stoll(row.at("file_size")) > 2048;
        if (header) {
            EXPECT_EQ(int64_t(got["width"].number), std::stoll(row.at("width")));
            EXPECT_EQ(int64_t(got["height"].number), std::stoll(row.at("height")));
            EXPECT_EQ(int64_t(got["data_offset"].number), std::stoll(row.at("data_offset")));
            EXPECT_EQ(got["filename"].text, unescape(row.at("filename_field")));
            EXPECT_EQ(got["layout"].text, row.at("layout"));
        } else {
            for (const char* key : {"width", "height", "data_offset", "filename", "layout"})
                EXPECT_TRUE(got[key].isNull()) << key;
        }
        const std::string& timecode = row.at("timecode");
        if (timecode.size() == 11 && timecode[2] == ':')
            EXPECT_EQ(got["timecode"].text, timecode);
        else
            EXPECT_TRUE(got["timecode"].isNull()) << got["timecode"].text;

        // The readers' own log lines, where the table names them.
        for (const char* logged : {"Error: couldn't open", "WARNING: excessive frame size!"}) {
            size_t at = row.at("why").find(logged);
            if (at == std::string::npos)
                continue;
            std::string line = row.at("why").substr(at, row.at("why").find(')', at) - at);
            if (line.rfind("Error: couldn't open", 0) == 0)
                line += " " + (dir / row.at("path")).string();
            EXPECT_NE(run.err.find("] " + line + "\n"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(run.exitStatus, anyRefused ? 1 : 0);
}

} // namespace

TEST(Corpus, RealFilesReadAsExpectedTsvSays) {
    REQUIRE_SHARED_DIR();
    std::filesystem::path samples = sharedDir() / "samples";
    checkRows(samples, readSampleTable(samples / "expected.tsv"));
}

class GeneratedCorpus : public GeneratedSamplesTest {};

TEST_F(GeneratedCorpus, EveryGeneratedFileReadsAsItsTableSays) {
    REQUIRE_GENERATED_SAMPLES();
    std::vector<Row> rows = readSampleTable(s_dir->path() / "EXPECTED.tsv");
    // The table covers every file written.
    std::set<std::string> listed;
    for (const Row& row : rows)
        listed.insert(row.at("path"));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(s_dir->path())) {
        std::string relative = std::filesystem::relative(entry.path(), s_dir->path()).string();
        if (entry.is_regular_file() && relative.find(".tsv") == std::string::npos)
            EXPECT_TRUE(listed.count(relative)) << relative << " is not in EXPECTED.tsv";
    }
    checkRows(s_dir->path(), rows);
}
