#include "cli/comparison_report.h"

#include "platform/display_text.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

constexpr size_t kNamedInText = 20;

std::string framesText(uint64_t count) {
    return std::to_string(count) + (count == 1 ? " frame" : " frames");
}

/// The frame's file name, or the reason when the sequence has none for the sample.
std::string differenceName(const FrameDifference& difference) {
    return difference.frame.empty() ? difference.reason
                                    : std::filesystem::path(difference.frame).filename().string();
}

} // namespace

void printComparisonText(const FrameComparison& comparison) {
    const MovieComparison& result = comparison.result;
    std::printf("against %s: ", terminalText(comparison.frame).c_str());
    if (!comparison.problem.empty()) {
        std::printf("not compared: %s\n", terminalText(comparison.problem).c_str());
        return;
    }
    std::printf("%s compared, ", framesText(result.compared).c_str());
    if (result.differCount == 0) {
        std::printf("all identical\n");
        return;
    }
    std::printf("%llu differ:", (unsigned long long)result.differCount);
    const size_t named = std::min(kNamedInText, result.differ.size());
    for (size_t i = 0; i < named; ++i)
        std::printf("%s sample %u (%s)", i ? "," : "", unsigned(result.differ[i].sample),
                    terminalText(differenceName(result.differ[i])).c_str());
    if (result.differCount > named)
        std::printf(" ... and %llu more", (unsigned long long)(result.differCount - named));
    std::printf("\n");
    for (size_t i = 0; i < named; ++i)
        if (!result.differ[i].frame.empty())
            std::printf("  sample %u: %s\n", unsigned(result.differ[i].sample),
                        terminalText(result.differ[i].reason).c_str());
}

void writeComparisonJson(JsonWriter& json, const FrameComparison& comparison) {
    const MovieComparison& result = comparison.result;
    json.key("against").beginObject();
    json.field("frame", comparison.frame);
    json.field("compared", int64_t(result.compared));
    json.key("differ").beginArray();
    for (const FrameDifference& difference : result.differ) {
        json.beginObject();
        json.field("sample", difference.sample);
        if (difference.frame.empty())
            json.key("frame").null();
        else
            json.field("frame", difference.frame);
        json.field("reason", difference.reason);
        json.endObject();
    }
    json.endArray();
    json.field("differ_count", int64_t(result.differCount));
    json.endObject();
}
