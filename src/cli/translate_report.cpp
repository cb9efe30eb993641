#include "cli/translate_report.h"

#include "cli/json.h"
#include "cli/range_warnings.h"
#include "cli/sequence_report.h"
#include "document/dpx_movie_file.h"
#include "framefiles/frame_file_code.h"
#include "platform/display_text.h"
#include "platform/framework/path_ops.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace {

/// How the samples were written, as --json says it: "shared" tells that the storage shared every
/// block with the frame files; none when no sample was written.
std::optional<std::string> copyName(SampleCopy copy) {
    switch (copy) {
    case SampleCopy::none:
        return std::nullopt;
    case SampleCopy::shared:
        return "shared";
    case SampleCopy::kernel:
        return "kernel";
    case SampleCopy::user:
        return "user";
    }
    return std::nullopt;
}

SampleCopy copyOfName(const std::string& name) {
    for (SampleCopy copy : {SampleCopy::shared, SampleCopy::kernel, SampleCopy::user})
        if (copyName(copy) == name)
            return copy;
    return SampleCopy::none;
}

std::optional<SequenceWarningKind> warningKindOfName(const std::string& name) {
    for (int kind = int(SequenceWarningKind::numberingBreak); kind <= int(SequenceWarningKind::timecodeBreak);
         ++kind)
        if (name == sequenceWarningKindName(SequenceWarningKind(kind)))
            return SequenceWarningKind(kind);
    return std::nullopt;
}

} // namespace

SequenceName nameOfSequence(const DPXMovieFile& document) {
    const std::vector<std::string>& names = document.fileList();
    if (document.currentFileCode() == kFileCodeMovie || names.empty())
        return nameOfFile(document.fileString().value_or(std::string()));
    // The numbers of the frames named after the base name, as `ls` shows them.
    std::optional<uint64_t> first;
    uint64_t last = 0;
    for (const std::string& name : names) {
        uint64_t number = 0;
        std::string stem;
        if (!trailingFrameNumber(name, number, stem) || stem != document.fileBaseName())
            continue;
        if (!first)
            first = number;
        last = number;
    }
    std::string pattern = document.fileBaseName();
    if (first)
        pattern += "[" + std::to_string(*first) + "-" + std::to_string(last) + "]";
    if (const std::string extension = fw::pathExtension(names.front()); !extension.empty())
        pattern += "." + extension;
    return {document.directoryPath(), pattern};
}

SequenceName nameOfFile(const std::string& path) {
    return {fw::stringByDeletingLastPathComponent(path), fw::lastPathComponent(path)};
}

std::string sequenceLabel(const SequenceName& name) {
    return name.folder.empty() ? name.pattern : fw::stringByAppendingPathComponent(name.folder, name.pattern);
}

void writeReport(JsonWriter& json, const TranslateReport& report) {
    json.beginObject();
    json.key("sequence").beginObject();
    json.field("folder", jsonText(report.sequence.folder));
    json.field("pattern", jsonText(report.sequence.pattern));
    json.endObject();
    if (report.movie)
        json.field("movie", jsonText(*report.movie));
    else
        json.key("movie").null();
    json.field("frames_requested", report.requested);
    json.field("frames_written", report.written);
    json.field("reference", report.reference);
    // Only a self-contained movie's samples are written.
    if (!report.reference)
        json.field("copy", copyName(report.copy));
    json.field("frames_differ", report.framesDiffer);
    json.field("complete", report.complete);
    json.key("problems").beginArray();
    for (const std::string& problem : report.problems)
        json.value(jsonText(problem));
    json.endArray();
    writeWarnings(json, report.warnings);
    json.endObject();
}

std::string reportJson(const TranslateReport& report) {
    JsonWriter json;
    writeReport(json, report);
    return json.str();
}

std::optional<TranslateReport> readReport(const std::string& text, std::string& problem) {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        problem = "not a JSON object";
        return std::nullopt;
    }
    try {
        TranslateReport report;
        report.sequence.folder = json.at("sequence").at("folder").get<std::string>();
        report.sequence.pattern = json.at("sequence").at("pattern").get<std::string>();
        if (!json.at("movie").is_null())
            report.movie = json.at("movie").get<std::string>();
        report.requested = json.at("frames_requested").get<int32_t>();
        report.written = json.at("frames_written").get<int32_t>();
        report.reference = json.at("reference").get<bool>();
        if (json.contains("copy") && json.at("copy").is_string())
            report.copy = copyOfName(json.at("copy").get<std::string>());
        report.framesDiffer = json.at("frames_differ").get<bool>();
        report.complete = json.at("complete").get<bool>();
        report.problems = json.at("problems").get<std::vector<std::string>>();
        for (const nlohmann::json& warning : json.at("warnings")) {
            const std::optional<SequenceWarningKind> kind =
                warningKindOfName(warning.at("kind").get<std::string>());
            if (!kind) {
                problem = "unknown warning kind " + warning.at("kind").dump();
                return std::nullopt;
            }
            report.warnings.push_back({*kind, warning.at("text").get<std::string>()});
        }
        return report;
    } catch (const nlohmann::json::exception& error) {
        // The library reports a missing key or a value of the wrong type by exception; it ends here.
        problem = error.what();
        return std::nullopt;
    }
}

void printReport(const TranslateReport& report, bool several) {
    if (report.movie)
        std::printf("%s: %s movie, %d of %d frames written\n", printable(*report.movie).c_str(),
                    report.reference ? "reference" : "self-contained", int(report.written),
                    int(report.requested));
    else if (several)
        std::printf("%s: no movie\n", printable(sequenceLabel(report.sequence)).c_str());
    if (report.movie && report.framesDiffer)
        std::printf("warning: %s\n", DPXMovieFile::kReferenceWarningText);
    const std::string prefix = several ? printable(report.file) + ": " : std::string();
    for (const std::string& problem : report.problems)
        std::fprintf(stderr, "reelmaker translate: %s%s\n", prefix.c_str(), printable(problem).c_str());
}

void printTotal(size_t sequences, int complete, int failed) {
    std::printf("%zu sequence%s: %d movie%s complete, %d incomplete or not made\n", sequences,
                sequences == 1 ? "" : "s", complete, complete == 1 ? "" : "s", failed);
}
