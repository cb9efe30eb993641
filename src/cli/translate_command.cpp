// reelmaker translate: writes the range of each FILE's sequence (and of --all's) into a movie, here
// (translate_run.h) or as tasks of a cluster's scheduler (farm/farm_submit.h).
#include "app/headless_session.h"
#include "cli/commands.h"
#include "cli/cluster/farm_submit.h"
#include "cli/json.h"
#include "cli/translate_options.h"
#include "cli/translate_run.h"
#include "cli/usage_error.h"
#include "platform/display_text.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kExitInterrupted = 130;

/// Several sequences' reports, as a local run and the farm's report print them.
void printLocalTotal(const TranslateRun& run, size_t sequences, int complete, int failed,
                     const std::vector<std::string>& listingProblems, bool json) {
    if (json) {
        std::vector<TranslateReport> reports;
        for (const TranslatedSequence& sequence : run.ended)
            reports.push_back(sequence.report);
        JsonWriter writer;
        writer.beginObject();
        writeTotalJson(writer, reports, sequences, complete, failed, listingProblems);
        writer.endObject();
        std::printf("%s\n", writer.str().c_str());
        return;
    }
    for (const std::string& problem : listingProblems)
        std::fprintf(stderr, "reelmaker translate: %s\n", printable(problem).c_str());
    printTotal(sequences, complete, failed);
}

} // namespace

int runTranslateCommand(const Arguments& args) {
    TranslateOptions options;
    if (const int status = parseTranslateArguments(args, options); status >= 0)
        return status;
    auto usageError = [&](const std::string& problem) {
        return reportUsageError("translate", problem, kTranslateUsage, options.json);
    };

    std::vector<std::string> listingProblems;
    std::vector<SequenceToTranslate> sequences = selectedSequences(options, listingProblems);
    // Nothing to translate is a failure with its reason, and makes no output folder.
    if (sequences.empty()) {
        for (const std::string& folder : options.allFolders)
            listingProblems.push_back("no sequence in " + folder + (options.recursive ? " or the folders below" : ""));
        if (options.json) {
            JsonWriter writer;
            writer.beginObject();
            writeTotalJson(writer, {}, 0, 0, 0, listingProblems);
            writer.endObject();
            std::printf("%s\n", writer.str().c_str());
        }
        for (const std::string& problem : listingProblems)
            std::fprintf(stderr, "reelmaker translate: %s\n", printable(problem).c_str());
        return 1;
    }
    const bool several = sequences.size() > 1 || !options.allFolders.empty() || options.farm.scheduler;
    if (several && options.output && !isFolderPath(*options.output))
        return usageError("-o " + *options.output + " is no folder: several movies need one (end it with /)");
    std::unique_ptr<HeadlessSession> session = makeTranslateSession(options);
    // Two sequences that would write one file are refused before anything is written: one export
    // would fail at its end, or with --force replace the other's movie.
    if (several) {
        if (const std::string clash = clashingDestinations(sequences, options, *session); !clash.empty())
            return usageError(clash + "; give --name-after folder, or --tree to keep the folders apart");
    }
    if (options.output && options.output->back() == '/') {
        std::error_code ec;
        std::filesystem::create_directories(*options.output, ec);
        if (ec) {
            std::fprintf(stderr, "reelmaker translate: can't make the folder %s: %s\n",
                         printable(*options.output).c_str(), ec.message().c_str());
            return 1;
        }
    }
    if (options.farm.scheduler) {
        session.reset(); // the exports run on the cluster's nodes
        return submitToFarm(options, sequences, listingProblems);
    }

    const TranslateRun run = runExports(sequences, options, *session, [&](const TranslatedSequence& ended) {
        if (!options.json)
            printReport(ended.report, several);
    });
    if (!several) {
        // One sequence: its report alone, as before there were several.
        const TranslatedSequence single = run.ended.empty() ? TranslatedSequence{} : run.ended.front();
        if (options.json)
            std::printf("%s\n", reportJson(single.report).c_str());
        if (run.terminatedBy != 0 && single.status != 0)
            return 128 + run.terminatedBy;
        return single.status;
    }

    int complete = 0;
    for (const TranslatedSequence& ended : run.ended)
        complete += ended.status == 0 ? 1 : 0;
    const int failed = int(sequences.size()) - complete;
    printLocalTotal(run, sequences.size(), complete, failed, listingProblems, options.json);
    if (run.terminatedBy != 0 && failed > 0)
        return 128 + run.terminatedBy;
    if (run.interrupts > 0 && failed > 0)
        return kExitInterrupted;
    return failed > 0 || !listingProblems.empty() ? 1 : 0;
}
