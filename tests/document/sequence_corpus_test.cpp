// The shared corpus's sequence tables through `reelmaker scan --json`: the real files of
// sequences.tsv and the sequences make_sequences.sh writes list as SEQUENCES.tsv says, and
// `reelmaker describe --json` shows their documents as opened.
#include "document/window_size.h"
#include "support/json_reader.h"
#include "support/sample_corpus.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

using namespace testsupport;

namespace {

using Row = SampleRow;

std::vector<std::string> split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    if (text.empty() || text == "-")
        return parts;
    for (size_t start = 0;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + separator.size();
    }
}

// The table's left_out reasons against the command's categories.
std::string reasonCategory(const std::string& reason) {
    if (reason.rfind("directory", 0) == 0)
        return "directory";
    if (reason.rfind("unknown ID", 0) == 0 || reason.rfind("shorter than 4 bytes", 0) == 0 ||
        reason.rfind("unknown kind", 0) == 0)
        return "unknown";
    if (reason.rfind("refused", 0) == 0)
        return "refused";
    return reason;
}

// Each generated run is uniform (one size, one offset); only dpx_gm_gappy has holes, after 0004
// and 0008 (0005, 0009 and 0010 are missing).
void checkGeneratedRun(const Row& row, const JsonValue& got) {
    EXPECT_TRUE(got["differing_frames"].items.empty());
    std::vector<std::string> gaps;
    for (const JsonValue& gap : got["numbering_gaps"].items)
        gaps.push_back(gap[0].text + " " + gap[1].text);
    if (row.at("directory") == "dpx_gm_gappy")
        EXPECT_EQ(gaps,
                  (std::vector<std::string>{"shot_0004.dpx shot_0006.dpx", "shot_0008.dpx shot_0011.dpx"}));
    else
        EXPECT_TRUE(gaps.empty());
}

// What `reelmaker describe --json` shows for a file that opens: the whole sequence as the range,
// the window sized for the frames, the registered defaults' settings and the proposed name.
void checkDescribe(const std::filesystem::path& file, const Row& row,
                   const std::vector<std::string>& frames) {
    CommandResult run = runCli({"describe", "--json", file.string()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    std::optional<JsonValue> parsed = parseJson(run.out);
    ASSERT_TRUE(parsed) << run.out;
    const JsonValue& got = *parsed;
    std::optional<JsonValue> info = parseJson(runCli({"info", "--json", file.string()}).out);
    ASSERT_TRUE(info);

    const int n = int(frames.size());
    const size_t x = row.at("frame_size").find('x');
    const int width = std::stoi(row.at("frame_size").substr(0, x));
    const int height = std::stoi(row.at("frame_size").substr(x + 1));
    char third[96];
    std::snprintf(third, sizeof third, "%d frame%s: 0-%d,  ~%.1f MBytes", n, n > 1 ? "s" : "", n - 1,
                  double(width) * height * 4 * n / 1048576.0);
    const std::string storedName = (*info)[0]["filename"].text;
    // The three lines of the description; the start timecode and warnings that follow have tests of their
    // own.
    const std::string description = got["description"].text;
    const size_t third_end = description.find('\n', description.find('\n', description.find('\n') + 1) + 1);
    EXPECT_EQ(description.substr(0, third_end), storedName + "\n" + row.at("frame_size") + "\n" + third);
    // A window on the command line's 1920 x 1080 screen, the controls' room being 46 x 115 there.
    const NSSize window = pictureWindowContentSize({float(width), float(height)}, {46, 115}, {1920, 1080}, std::nullopt);
    EXPECT_EQ(got["content_width"].number, window.width);
    EXPECT_EQ(got["content_height"].number, window.height);
    EXPECT_EQ(got["timescale"].number, 2997);
    EXPECT_EQ(got["frame_duration"].number, 125);
    EXPECT_EQ(got["codec"].text, "R10k");
    EXPECT_EQ(got["source_id"].text, "");
    std::string base = row.at("base").substr(1, row.at("base").size() - 2);
    if (base.empty())
        base = frames.front().substr(0, frames.front().rfind('.'));
    if (!base.empty() && base.back() == '.')
        base.pop_back();
    else if (base.find('.') != std::string::npos)
        base = base.substr(0, base.rfind('.'));
    EXPECT_EQ(got["proposed_name"].text, base + ".mov");
    EXPECT_EQ(got["in"].number, 0);
    EXPECT_EQ(got["out"].number, n - 1);
    EXPECT_EQ(got["frames"].number, n);
}

void checkRows(const std::filesystem::path& base, const std::vector<Row>& rows, bool generated = false) {
    ASSERT_FALSE(rows.empty());
    for (const Row& row : rows) {
        std::filesystem::path file = base / row.at("directory") / row.at("opened");
        SCOPED_TRACE(file.string());
        CommandResult run = runCli({"scan", "--json", file.string()});
        if (row.at("opens") != "true") {
            EXPECT_EQ(run.exitStatus, 1) << run.out;
            continue;
        }
        // The tables predate the refusal of headers that claim a layout other than 10-bit RGB in
        // 32-bit words (12-bit packed, RGBA, luma): those files no longer open, and say why.
        if (run.exitStatus == 1 &&
            run.err.find("only 10-bit RGB in 32-bit words can be copied") != std::string::npos)
            continue;
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        std::optional<JsonValue> scan = parseJson(run.out);
        ASSERT_TRUE(scan) << run.out;
        const JsonValue& got = *scan;
        EXPECT_EQ('"' + got["base_name"].text + '"', row.at("base"));
        std::vector<std::string> frames;
        for (const JsonValue& name : got["frames"].items)
            frames.push_back(name.text);
        EXPECT_EQ(frames, split(row.at("sequence"), " "));
        EXPECT_EQ(std::to_string(frames.size()), row.at("count"));
        EXPECT_EQ(std::to_string(int(got["current_index"].number)), row.at("index"));
        EXPECT_EQ(std::to_string(int(got["width"].number)) + "x" + std::to_string(int(got["height"].number)),
                  row.at("frame_size"));
        if (row.at("start_timecode").rfind("none", 0) == 0)
            EXPECT_TRUE(got["timecode"].isNull()) << got["timecode"].text;
        else
            EXPECT_EQ(got["timecode"].text, row.at("start_timecode"));

        std::map<std::string, std::string> wantLeftOut, gotLeftOut;
        for (const std::string& entry : split(row.at("left_out"), "; ")) {
            size_t colon = entry.find(": ");
            wantLeftOut[entry.substr(0, colon)] = reasonCategory(entry.substr(colon + 2));
        }
        for (const JsonValue& entry : got["left_out"].items)
            gotLeftOut[entry["name"].text] = reasonCategory(entry["reason"].text);
        EXPECT_EQ(gotLeftOut, wantLeftOut);
        if (generated)
            checkGeneratedRun(row, got);
        checkDescribe(file, row, frames);
    }
}

} // namespace

TEST(SequenceCorpus, RealFilesOpenAsSequencesTsvSays) {
    REQUIRE_SHARED_DIR();
    std::filesystem::path samples = sharedDir() / "samples";
    checkRows(samples, readSampleTable(samples / "sequences.tsv"));
}

class GeneratedSequences : public GeneratedSamplesTest {};

TEST_F(GeneratedSequences, ListAsTheirManifestSays) {
    REQUIRE_GENERATED_SAMPLES();
    checkRows(s_dir->path(), readSampleTable(s_dir->path() / "SEQUENCES.tsv"), true);
}
