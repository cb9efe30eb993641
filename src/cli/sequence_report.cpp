#include "cli/sequence_report.h"

#include "cli/json.h"
#include "platform/display_text.h"

#include "document/dpx_movie_file.h"
#include "document/frame_number.h"
#include "platform/directory_contents.h"
#include "platform/framework/path_ops.h"
#include "platform/framework/string_compare.h"
#include "platform/framework/unicode_text.h"
#include "platform/log.h"

#include <algorithm>

namespace {

// Why an entry the scan passed over was left out, worded as the scan words it.
std::string leftOutReason(const std::string& path, bool allowLargeFrames) {
    int32_t code = 0;
    std::string problem;
    std::shared_ptr<FrameFile> reader = DPXMovieFile::openFileAtPath(path, code, allowLargeFrames, &problem);
    if (reader)
        reader->closeFile();
    return reader ? "not found by the scan" : problem; // one that opens changed after the scan
}

void findNumberingGaps(const std::vector<std::string>& names, SequenceReport& report) {
    for (size_t i = 1; i < names.size(); ++i) {
        uint64_t before = 0, after = 0;
        std::string stemBefore, stemAfter;
        if (trailingFrameNumber(names[i - 1], before, stemBefore) &&
            trailingFrameNumber(names[i], after, stemAfter) && stemBefore == stemAfter && after > before + 1)
            report.numberingGaps.emplace_back(names[i - 1], names[i]);
    }
}

} // namespace

bool trailingFrameNumber(const std::string& name, uint64_t& number, std::string& stem) {
    std::string bare = fw::stringByDeletingPathExtension(name);
    stem = fw::deletingTrailingDecimalDigits(bare);
    const std::optional<uint64_t> value = frameNumberOfDigits(std::string_view(bare).substr(stem.size()));
    number = value.value_or(0);
    return value.has_value();
}

SequenceReport reportSequence(const DPXMovieFile& document) {
    // The frames as the scan found them; only what it left out is looked at again, to say why.
    SequenceReport report = reportScannedSequence(document);
    report.leftOut.clear();
    const std::vector<std::string>& frames = document.fileList();
    LogCapture quiet(false);
    std::vector<std::string> entries =
        directoryContentsAtPath(document.directoryPath()).value_or(std::vector<std::string>{});
    std::sort(entries.begin(), entries.end(), fw::numericLess);
    const std::vector<LeftOutEntry>& scanned = document.leftOutEntries();
    for (const std::string& entry : entries) {
        if (!fw::hasLiteralPrefix(entry, document.fileBaseName()) ||
            std::binary_search(frames.begin(), frames.end(), entry, fw::numericLess))
            continue;
        // The scan keeps its entries in the same order.
        auto known = std::lower_bound(scanned.begin(), scanned.end(), entry,
                                      [](const LeftOutEntry& e, const std::string& name) {
                                          return fw::numericLess(e.name, name);
                                      });
        report.leftOut.push_back(
            {entry, known != scanned.end() && known->name == entry
                        ? known->reason
                        : leftOutReason(fw::stringByAppendingPathComponent(document.directoryPath(), entry),
                                        document.allowLargeFrames())});
    }
    return report;
}

SequenceReport reportScannedSequence(const DPXMovieFile& document) {
    SequenceReport report;
    const std::vector<std::string>& frames = document.fileList();
    findNumberingGaps(frames, report);
    const std::vector<ScannedFrame>& scanned = document.scannedFrames();
    const int32_t dataOffset = document.currentFile() ? int32_t(document.currentFile()->dataOffset()) : 0;
    for (size_t i = 0; i < frames.size() && i < scanned.size(); ++i) {
        const ScannedFrame& frame = scanned[i];
        if (frame.width != document.frameWidth() || frame.height != document.frameHeight() ||
            frame.dataOffset != dataOffset)
            report.differingFrames.push_back({frames[i], frame.width, frame.height, frame.dataOffset});
    }
    report.leftOut = document.leftOutEntries();
    return report;
}

void writeLeftOut(JsonWriter& json, const SequenceReport& report) {
    json.key("left_out").beginArray();
    for (const LeftOutEntry& entry : report.leftOut)
        json.beginObject()
            .field("name", jsonText(entry.name))
            .field("reason", jsonText(entry.reason))
            .endObject();
    json.endArray();
}

void writeNumberingGaps(JsonWriter& json, const SequenceReport& report) {
    json.key("numbering_gaps").beginArray();
    for (const auto& [after, before] : report.numberingGaps)
        json.beginArray().value(jsonText(after)).value(jsonText(before)).endArray();
    json.endArray();
}
