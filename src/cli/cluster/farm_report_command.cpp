// reelmaker farm-report [--json] [--wait] [--quiet] FOLDER: the combined summary of a farm's work
// folder, as translate --farm prints it when its tasks have ended.
#include "cli/commands.h"
#include "cli/cluster/farm_follow.h"
#include "cli/cluster/work_list.h"
#include "cli/json.h"
#include "cli/usage_error.h"
#include "platform/display_text.h"

#include <cstdio>

namespace {

const char kUsage[] =
    "usage: reelmaker farm-report [--json] [--wait] [--quiet] FOLDER\n"
    "  the summary of a work folder of translate's farm run (DIR/.reelmaker-farm/ID): each\n"
    "  sequence's movie line, those whose task ended without a report with the scheduler's reason,\n"
    "  and the total; exit status 0 only when every movie is complete\n"
    "  --wait: follow the tasks to their end first (Ctrl-C stops waiting; it cancels nothing)\n"
    "  --quiet: no progress on standard error while waiting\n";

int reportFailure(const std::string& problem, bool json) {
    std::fprintf(stderr, "reelmaker farm-report: %s\n", printable(problem).c_str());
    if (json)
        std::printf("%s\n", problemsJson(problem).c_str());
    return 1;
}

} // namespace

int runFarmReportCommand(const Arguments& args) {
    FollowOptions options;
    options.wait = false;
    options.cancelOnInterrupt = false;
    std::vector<std::string> folders;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg.empty() || arg[0] != '-') {
            folders.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            std::printf("%s", kUsage);
            return 0;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--wait") {
            options.wait = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else {
            return reportUsageError("farm-report", "unknown option '" + arg + "'", kUsage, jsonRequested(args));
        }
    }
    if (folders.size() != 1)
        return reportUsageError("farm-report", folders.empty() ? "no work folder given" : "one work folder at a time",
                                kUsage, jsonRequested(args));
    const std::string& folder = folders.front();
    std::string problem;
    const std::optional<WorkList> list = readWorkList(folder, problem);
    if (!list)
        return reportFailure(problem, options.json);
    FarmJob job;
    job.folder = folder;
    if (!readJobRecord(folder, job.scheduler, job.job, problem))
        return reportFailure(folder + ": its array was never submitted (" + problem + ")", options.json);
    const std::unique_ptr<BatchScheduler> scheduler = makeBatchScheduler(job.scheduler);
    if (!scheduler)
        return reportFailure(folder + ": submitted to '" + job.scheduler + "', which this program doesn't know", options.json);
    return followFarm(*scheduler, job, *list, options);
}
