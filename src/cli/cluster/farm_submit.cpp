#include "cli/cluster/farm_submit.h"

#include "cli/cluster/farm_follow.h"
#include "cli/cluster/work_list.h"
#include "cli/json.h"
#include "platform/display_text.h"
#include "platform/framework/path_ops.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <linux/magic.h>
#include <set>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

int failure(const TranslateOptions& options, const std::string& problem) {
    std::fprintf(stderr, "reelmaker translate: %s\n", printable(problem).c_str());
    if (options.json)
        std::printf("%s\n", problemsJson(problem).c_str());
    return 1;
}

/// This program's own file, which every task runs; "" (with `problem`) when it can't be named.
std::string ownExecutable(std::string& problem) {
    std::error_code ec;
    const std::string path = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (ec) {
        problem = "can't find this program's own file: " + ec.message();
        return {};
    }
    // The kernel's mark of a file replaced or removed since the program started (a rebuild).
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0) {
        problem = path.substr(0, path.size() - deleted.size()) +
                  " was replaced or removed since this program started: the tasks would run another one";
        return {};
    }
    return path;
}

/// Tells when a path lies on a file system that only this machine has (tmpfs, ramfs): the nodes
/// must find the program, the frames and the output folder at the same paths.
void noteLocalStorage(const std::set<std::string>& paths) {
    for (const std::string& path : paths) {
        struct statfs facts {};
        if (statfs(path.empty() ? "." : path.c_str(), &facts) != 0)
            continue;
        if (facts.f_type == TMPFS_MAGIC || facts.f_type == RAMFS_MAGIC)
            std::fprintf(stderr,
                         "reelmaker translate: note: %s is in this machine's memory (tmpfs): only a cluster of "
                         "this one machine sees it\n",
                         printable(path).c_str());
    }
}

} // namespace

int submitToFarm(const TranslateOptions& options, const std::vector<SequenceToTranslate>& sequences,
                 const std::vector<std::string>& listingProblems) {
    const std::unique_ptr<BatchScheduler> scheduler = makeBatchScheduler(*options.farm.scheduler);
    if (!scheduler)
        return failure(options, "no scheduler '" + *options.farm.scheduler + "'");
    if (const std::vector<std::string> missing = scheduler->missingPrograms(); !missing.empty()) {
        std::string names;
        for (const std::string& program : missing)
            names += (names.empty() ? "" : ", ") + program;
        return failure(options, "--farm " + scheduler->name() + ": not found on PATH: " + names);
    }
    std::string problem;
    const std::string executable = ownExecutable(problem);
    if (executable.empty())
        return failure(options, problem);
    std::error_code ec;
    const std::string workingDirectory = std::filesystem::current_path(ec).string();
    if (ec)
        return failure(options, "can't name the current folder: " + ec.message());
    const std::string output = std::filesystem::absolute(*options.output).lexically_normal().string();

    std::set<std::string> shared{fw::stringByDeletingLastPathComponent(executable), output};
    WorkList list;
    list.scheduler = scheduler->name();
    list.executable = executable;
    list.workingDirectory = workingDirectory;
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"))
        list.sourceDateEpoch = epoch;
    list.chunk = options.farm.chunk;
    list.exportWords = options.exportWords;
    list.listingProblems = listingProblems;
    for (const SequenceToTranslate& sequence : sequences) {
        list.entries.push_back({sequence.path, sequence.treeFolder, sequence.name.value_or(nameOfFile(sequence.path))});
        shared.insert(std::filesystem::absolute(fw::stringByDeletingLastPathComponent(sequence.path), ec)
                          .lexically_normal()
                          .string());
    }
    noteLocalStorage(shared);

    std::string folder;
    if (problem = makeWorkFolder(output, folder); !problem.empty())
        return failure(options, problem);
    if (problem = writeWorkList(folder, list); !problem.empty())
        return failure(options, problem);
    ArrayRequest request;
    request.workFolder = folder;
    request.executable = executable;
    request.workingDirectory = workingDirectory;
    request.tasks = list.taskCount();
    if (options.farm.jobsGiven)
        request.concurrency = options.jobs;
    request.siteOptions = options.farm.siteOptions;
    const Submission submission = scheduler->submit(request);
    if (submission.job.empty()) {
        // Nothing runs: the work folder would only mislead a later look.
        std::filesystem::remove_all(folder, ec);
        return failure(options, "the array was not submitted: " + submission.problem);
    }
    if (problem = writeJobRecord(folder, scheduler->name(), submission.job); !problem.empty()) {
        scheduler->cancel(submission.job);
        return failure(options, problem + "; job " + submission.job + " was cancelled");
    }
    const FarmJob job{scheduler->name(), submission.job, folder};
    if (!options.quiet)
        std::fprintf(stderr, "reelmaker farm: job %s: %zu sequence%s in %d task%s; work folder %s\n",
                     submission.job.c_str(), list.entries.size(), list.entries.size() == 1 ? "" : "s",
                     request.tasks, request.tasks == 1 ? "" : "s", printable(folder).c_str());
    if (options.farm.noWait) {
        if (options.json) {
            JsonWriter json;
            json.beginObject();
            json.field("scheduler", job.scheduler);
            json.field("job", job.job);
            json.field("folder", jsonText(folder));
            json.field("sequences", int64_t(list.entries.size()));
            json.field("tasks", request.tasks);
            json.endObject();
            std::printf("%s\n", json.str().c_str());
        } else {
            std::printf("job %s\nfolder %s\n", job.job.c_str(), printable(folder).c_str());
        }
        return 0;
    }
    FollowOptions follow;
    follow.json = options.json;
    follow.quiet = options.quiet;
    return followFarm(*scheduler, job, list, follow);
}
