#include "cli/cluster/farm_summary.h"

#include "cli/json.h"
#include "cli/translate_run.h"
#include "platform/display_text.h"

#include <cstdio>

namespace {

/// Why a sequence has no report: its task's end, or that it is still to come.
std::string notReportedText(const SequenceStanding& sequence) {
    if (sequence.kind == SequenceStanding::Kind::unreported)
        return sequence.why;
    const std::string state = sequence.taskState ? sequence.taskState->state : std::string("of unknown state");
    return "task " + std::to_string(sequence.task) + " is " + state + ", not reported yet";
}

void writeUnreported(JsonWriter& json, const SequenceStanding& sequence, const WorkEntry& entry) {
    json.beginObject();
    json.key("sequence").beginObject();
    json.field("folder", jsonText(entry.name.folder));
    json.field("pattern", jsonText(entry.name.pattern));
    json.endObject();
    json.field("file", jsonText(entry.frame));
    json.field("task", sequence.task);
    if (sequence.taskState) {
        json.field("state", sequence.taskState->state);
        json.key("reason");
        sequence.taskState->reason.empty() ? json.null() : json.value(jsonText(sequence.taskState->reason));
        json.field("exit_status", sequence.taskState->exitStatus);
    } else {
        json.key("state").null();
        json.key("reason").null();
        json.key("exit_status").null();
    }
    json.field("text", jsonText(notReportedText(sequence)));
    json.endObject();
}

} // namespace

void printFarmSummary(const FarmStanding& standing, const WorkList& list, const FarmJob& job, bool json) {
    const size_t total = standing.sequences.size();
    if (json) {
        std::vector<TranslateReport> reports;
        for (const SequenceStanding& sequence : standing.sequences)
            if (sequence.report)
                reports.push_back(*sequence.report);
        JsonWriter writer;
        writer.beginObject();
        writeTotalJson(writer, reports, total, standing.complete, int(total) - standing.complete, list.listingProblems);
        writer.key("farm").beginObject();
        writer.field("scheduler", job.scheduler);
        writer.field("job", job.job);
        writer.field("folder", jsonText(job.folder));
        writer.key("not_reported").beginArray();
        for (size_t entry = 0; entry < total; ++entry)
            if (!standing.sequences[entry].report)
                writeUnreported(writer, standing.sequences[entry], list.entries[entry]);
        writer.endArray();
        writer.endObject();
        writer.endObject();
        std::printf("%s\n", writer.str().c_str());
        return;
    }
    for (const SequenceStanding& sequence : standing.sequences)
        if (sequence.report)
            printReport(*sequence.report, true);
    for (size_t entry = 0; entry < total; ++entry) {
        const SequenceStanding& sequence = standing.sequences[entry];
        if (!sequence.report)
            std::printf("%s: no movie: %s\n", printable(sequenceLabel(list.entries[entry].name)).c_str(),
                        printable(notReportedText(sequence)).c_str());
    }
    for (const std::string& problem : list.listingProblems)
        std::fprintf(stderr, "reelmaker translate: %s\n", printable(problem).c_str());
    printTotal(total, standing.complete, int(total) - standing.complete);
}
