// reelmaker scan [--json] FILE: opens FILE as the document does and shows the sequence it finds.
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/json.h"
#include "cli/opening_log.h"
#include "cli/sequence_report.h"
#include "document/dpx_movie_file.h"
#include "framefiles/dpx_timecode.h"
#include "platform/display_text.h"
#include "platform/framework/headless/headless_framework.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {

const char kUsage[] = "usage: reelmaker scan [--json] FILE\n";

std::optional<std::string> startTimecodeText(const DPXMovieFile& document) {
    if (document.startTimecode() == DPXMovieFile::kNoStartTimecode)
        return std::nullopt;
    return timeCodeString(document.startTimecode());
}

void writeJson(const DPXMovieFile& document, const SequenceReport& report) {
    JsonWriter json;
    json.beginObject();
    json.field("directory", jsonText(document.directoryPath()));
    json.field("base_name", jsonText(document.fileBaseName()));
    json.key("frames").beginArray();
    for (const std::string& name : document.fileList())
        json.value(jsonText(name));
    json.endArray();
    json.field("current_index", document.lastSlider());
    json.field("width", document.frameWidth());
    json.field("height", document.frameHeight());
    json.field("timecode", startTimecodeText(document));
    writeLeftOut(json, report);
    writeNumberingGaps(json, report);
    json.key("differing_frames").beginArray();
    for (const DifferingFrame& frame : report.differingFrames)
        json.value(jsonText(frame.name));
    json.endArray();
    json.endObject();
    std::printf("%s\n", json.str().c_str());
}

void writeText(const DPXMovieFile& document, const SequenceReport& report) {
    const std::string& directory = document.directoryPath();
    std::printf("directory   %s\n", directory.empty() ? "." : printable(directory).c_str());
    std::printf("base name   \"%s\"\n", printable(document.fileBaseName()).c_str());
    std::printf("frame       %d x %d\n", document.frameWidth(), document.frameHeight());
    std::printf("timecode    %s\n", startTimecodeText(document).value_or("none").c_str());
    std::printf("frames      %d, opened %d\n", document.frameCount(), document.lastSlider());
    const auto& names = document.fileList();
    for (size_t i = 0; i < names.size(); ++i)
        std::printf("  %6zu  %s%s\n", i, printable(names[i]).c_str(),
                    int32_t(i) == document.lastSlider() ? "  (opened)" : "");
    if (!report.leftOut.empty()) {
        std::printf("left out    %zu\n", report.leftOut.size());
        for (const LeftOutEntry& entry : report.leftOut)
            std::printf("  %s: %s\n", printable(entry.name).c_str(), printable(entry.reason).c_str());
    }
    if (!report.numberingGaps.empty()) {
        std::printf("numbering gaps %zu\n", report.numberingGaps.size());
        for (const auto& [after, before] : report.numberingGaps)
            std::printf("  after %s, before %s\n", printable(after).c_str(), printable(before).c_str());
    }
    if (!report.differingFrames.empty()) {
        std::printf("differing frames %zu (size or pixel data offset not the opened file's)\n",
                    report.differingFrames.size());
        for (const DifferingFrame& frame : report.differingFrames)
            std::printf("  %s: %lld x %lld, data offset %lld\n", printable(frame.name).c_str(),
                        (long long)frame.width, (long long)frame.height, (long long)frame.dataOffset);
    }
}

} // namespace

int runScanCommand(const Arguments& args) {
    FileArguments parsed;
    if (int status = parseFileArguments(args, "scan", kUsage, 1, parsed); status >= 0)
        return status;
    const bool json = parsed.json;
    const std::string& path = parsed.files.front();

    // The sequence alone: no window, no application controller.
    fw::HeadlessFramework framework("");
    std::shared_ptr<DPXMovieFile> document = DPXMovieFile::create(framework);
    document->readFromFile(path, "DPX");
    OpeningLog log(false); // a scan shows no frame on the output device
    if (!document->openSequence()) {
        log.release();
        return reportOpeningFailure(json, log.failure(path, document->openProblem()));
    }
    log.release();
    SequenceReport report = reportSequence(*document);
    if (json)
        writeJson(*document, report);
    else
        writeText(*document, report);
    return 0;
}
