// reelmaker info [--json] FILE...: what the frame readers make of each file.
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/frame_report.h"
#include "cli/json.h"
#include "platform/display_text.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: reelmaker info [--json] FILE...\n";

template <typename T>
JsonWriter& optionalField(JsonWriter& json, const char* key, const std::optional<T>& value) {
    json.key(key);
    return value ? json.value(*value) : json.null();
}

void writeJson(const std::vector<FrameReport>& reports) {
    JsonWriter json;
    json.beginArray();
    for (const FrameReport& r : reports) {
        json.beginObject();
        json.field("path", jsonText(r.path));
        json.field("kind", r.kind);
        json.field("file_ok", r.fileOK);
        optionalField(json, "problem", r.problem);
        optionalField(json, "width", r.width);
        optionalField(json, "height", r.height);
        optionalField(json, "data_offset", r.dataOffset);
        json.key("filename");
        r.filename ? json.value(jsonText(*r.filename)) : json.null();
        optionalField(json, "timecode", r.timecode);
        optionalField(json, "layout", r.layout);
        json.endObject();
    }
    json.endArray();
    std::printf("%s\n", json.str().c_str());
}

std::string layoutWarning(const FrameReport& r) {
    if (r.layoutRefusal)
        return "the header claims " + r.layout.value_or("") +
               ", not 10-bit RGB filled into 32-bit words: " + "a sequence won't take it (" +
               *r.layoutRefusal + ")";
    return "the header claims " + r.layout.value_or("") +
           ", not 10-bit RGB filled into 32-bit words: its pixels are read as 10-bit RGB words all the same";
}

void writeText(const FrameReport& r) {
    std::printf("%s\n", printable(r.path).c_str());
    std::printf("  kind         %s\n", r.kind.c_str());
    if (r.fileOK)
        std::printf("  accepted     yes\n");
    else
        std::printf("  accepted     no: %s\n", r.problem.value_or("").c_str());
    if (r.width && r.height)
        std::printf("  frame        %lld x %lld\n", (long long)*r.width, (long long)*r.height);
    if (r.dataOffset)
        std::printf("  data offset  %lld\n", (long long)*r.dataOffset);
    if (r.filename)
        std::printf("  stored name  \"%s\"\n", printable(*r.filename).c_str());
    if (r.kind == "dpx" && r.width)
        std::printf("  timecode     %s\n", r.timecode ? r.timecode->c_str() : "none");
    if (r.layout)
        std::printf("  layout       %s\n", r.layout->c_str());
    if (r.layoutWarning)
        std::printf("  warning      %s\n", layoutWarning(r).c_str());
}

} // namespace

int runInfoCommand(const Arguments& args) {
    FileArguments parsed;
    if (int status = parseFileArguments(args, "info", kUsage, 0, parsed); status >= 0)
        return status;
    const bool json = parsed.json;
    const std::vector<std::string>& paths = parsed.files;

    std::vector<FrameReport> reports;
    bool allAccepted = true;
    for (const std::string& path : paths) {
        FrameReport report = reportFrameFile(path);
        // The JSON keys are fixed, so there the warning goes beside the readers' log lines.
        if (json && report.layoutWarning)
            std::fprintf(stderr, "reelmaker info: warning: %s: %s\n", printable(path).c_str(),
                         layoutWarning(report).c_str());
        allAccepted = allAccepted && report.fileOK;
        if (!json) {
            if (!reports.empty())
                std::printf("\n");
            writeText(report);
            std::fflush(stdout);
        }
        reports.push_back(std::move(report));
    }
    if (json)
        writeJson(reports);
    return allAccepted ? 0 : 1;
}
