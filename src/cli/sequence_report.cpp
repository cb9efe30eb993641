#include "cli/sequence_report.h"

#include "cli/json.h"
#include "platform/display_text.h"

#include "cli/frame_report.h"
#include "document/dpx_movie_file.h"
#include "platform/directory_contents.h"
#include "platform/framework/path_ops.h"
#include "platform/framework/string_compare.h"
#include "platform/framework/unicode_text.h"
#include "platform/log.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string leftOutReason(const std::string& path) {
    if (isDirectory(path))
        return "directory";
    FrameReport report = reportFrameFile(path);
    std::string problem = report.problem.value_or("");
    if (report.kind == "unknown") {
        const std::string unreadable = "cannot read the file: ";
        if (problem.rfind(unreadable, 0) == 0)
            return "unreadable: " + problem.substr(unreadable.size());
        return "unknown kind: " + problem;
    }
    if (report.fileOK && report.layoutRefusal)
        return "refused for its layout: " + *report.layoutRefusal;
    if (report.fileOK)
        return "not found by the scan"; // it changed after the document looked at it
    return "refused by the reader: " + problem;
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
    if (stem.size() == bare.size())
        return false;
    number = 0;
    for (size_t at = stem.size(); at < bare.size();) {
        fw::Utf8Char c = fw::decodeUtf8At(bare, at);
        at += c.byteLength;
        uint64_t digit = uint64_t(fw::decimalDigitValue(c.codePoint));
        if (number > (UINT64_MAX - digit) / 10)
            return false;
        number = number * 10 + digit;
    }
    return true;
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
    for (const std::string& entry : entries) {
        if (!fw::hasLiteralPrefix(entry, document.fileBaseName()) ||
            std::binary_search(frames.begin(), frames.end(), entry, fw::numericLess))
            continue;
        report.leftOut.push_back(
            {entry, leftOutReason(fw::stringByAppendingPathComponent(document.directoryPath(), entry))});
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
