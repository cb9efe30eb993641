#include "cli/cluster/slurm_scheduler.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

/// Single-quoted for the shell: 'it'\''s'.
std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string trimmed(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos)
        return {};
    return text.substr(start, text.find_last_not_of(" \t\r\n") - start + 1);
}

bool allDigits(const std::string& text) {
    return !text.empty() && text.size() <= 9 && text.find_first_not_of("0123456789") == std::string::npos;
}

/// The first line of a program's complaint, or its exit status when it said nothing.
std::string complaint(const std::string& program, const ChildOutcome& outcome) {
    std::string text = trimmed(outcome.err.empty() ? outcome.out : outcome.err);
    text = text.substr(0, text.find('\n'));
    if (!outcome.started)
        return text;
    if (text.empty())
        return program + " ended with status " + std::to_string(outcome.status);
    // Slurm's programs name themselves already ("sbatch: error: ...").
    return text.rfind(program + ":", 0) == 0 ? text : program + ": " + text;
}

} // namespace

std::string slurmTaskScript(const ArrayRequest& request) {
    return "#!/bin/sh\n"
           "# A task of reelmaker's job array: translates its share of the work list in this folder.\n"
           "exec " +
           shellQuoted(request.executable) + " farm-task " + shellQuoted(request.workFolder) +
           " \"${SLURM_ARRAY_TASK_ID:?not run as a task of an array}\"\n";
}

std::vector<std::string> sbatchArguments(const ArrayRequest& request, const std::string& script) {
    std::string array = "--array=0-" + std::to_string(request.tasks - 1);
    if (request.concurrency) // appended apart: GCC 12 takes `"%" + std::string` for an overlapping copy
        array.append("%").append(std::to_string(*request.concurrency));
    std::vector<std::string> words{"sbatch",
                                   "--parsable",
                                   array,
                                   "--job-name=reelmaker",
                                   "--output=" + request.workFolder + "/logs/task-%a.log",
                                   "--chdir=" + request.workingDirectory};
    words.insert(words.end(), request.siteOptions.begin(), request.siteOptions.end());
    words.push_back(script);
    return words;
}

std::string parsableJobId(const std::string& out) {
    const std::string first = trimmed(out.substr(0, out.find_first_of(";\n")));
    return allDigits(first) ? first : std::string();
}

std::vector<int> slurmTaskNumbers(const std::string& field) {
    std::vector<int> numbers;
    std::string list = field.substr(0, field.find('%'));
    if (list.size() >= 2 && list.front() == '[' && list.back() == ']')
        list = list.substr(1, list.size() - 2);
    std::stringstream parts(list);
    std::string part;
    while (std::getline(parts, part, ',')) {
        const size_t dash = part.find('-');
        const std::string from = part.substr(0, dash);
        const std::string to = dash == std::string::npos ? from : part.substr(dash + 1);
        // An array is never larger than Slurm's MaxArraySize, at most four million.
        if (!allDigits(from) || !allDigits(to) || std::stoi(to) - std::stoi(from) > 4000000)
            return {};
        for (int n = std::stoi(from); n <= std::stoi(to); ++n)
            numbers.push_back(n);
    }
    return numbers;
}

TaskState::Phase slurmPhase(const std::string& state) {
    using Phase = TaskState::Phase;
    static const struct {
        const char* state;
        Phase phase;
    } kStates[] = {
        {"PENDING", Phase::waiting},       {"REQUEUED", Phase::waiting},    {"REQUEUE_HOLD", Phase::waiting},
        {"REQUEUE_FED", Phase::waiting},   {"RESV_DEL_HOLD", Phase::waiting}, {"CONFIGURING", Phase::running},
        {"RUNNING", Phase::running},       {"COMPLETING", Phase::running},  {"SIGNALING", Phase::running},
        {"STAGE_OUT", Phase::running},     {"RESIZING", Phase::running},    {"SUSPENDED", Phase::running},
        {"STOPPED", Phase::running},       {"COMPLETED", Phase::ended},     {"FAILED", Phase::ended},
        {"CANCELLED", Phase::cancelled},   {"TIMEOUT", Phase::stopped},     {"NODE_FAIL", Phase::stopped},
        {"PREEMPTED", Phase::stopped},     {"BOOT_FAIL", Phase::stopped},   {"DEADLINE", Phase::stopped},
        {"OUT_OF_MEMORY", Phase::stopped}, {"SPECIAL_EXIT", Phase::stopped},
    };
    for (const auto& known : kStates)
        if (state == known.state)
            return known.phase;
    // A state this program doesn't know is taken as not ended: the task is asked after again.
    return Phase::running;
}

std::optional<int> slurmExitStatus(const std::string& field) {
    const size_t colon = field.find(':');
    if (colon != std::string::npos) {
        const std::string code = field.substr(0, colon), signal = field.substr(colon + 1);
        if (!allDigits(code) || !allDigits(signal))
            return std::nullopt;
        return std::stoi(signal) != 0 ? 128 + std::stoi(signal) : std::stoi(code) & 0xff;
    }
    if (!allDigits(field))
        return std::nullopt;
    const int raw = std::stoi(field);
    return (raw & 0x7f) != 0 ? 128 + (raw & 0x7f) : (raw >> 8) & 0xff;
}

ArrayState slurmArrayState(const ChildOutcome& squeue) {
    ArrayState state;
    if (!squeue.started || squeue.status != 0) {
        // The job ended long enough ago that the controller has let it go.
        if (squeue.started && squeue.err.find("Invalid job id") != std::string::npos) {
            state.answered = true;
            state.forgotten = true;
            return state;
        }
        state.problem = complaint("squeue", squeue);
        return state;
    }
    state.answered = true;
    std::stringstream lines(squeue.out);
    std::string line;
    while (std::getline(lines, line)) {
        if (trimmed(line).empty())
            continue;
        // ArrayTaskID|State|exit_code|Reason, the reason last as it may hold anything.
        std::string fields[4];
        size_t start = 0;
        for (int i = 0; i < 3; ++i) {
            const size_t bar = line.find('|', start);
            if (bar == std::string::npos)
                break;
            fields[i] = trimmed(line.substr(start, bar - start));
            start = bar + 1;
        }
        fields[3] = trimmed(line.substr(std::min(start, line.size())));
        for (int task : slurmTaskNumbers(fields[0])) {
            TaskState task_state;
            task_state.task = task;
            task_state.state = fields[1];
            task_state.phase = slurmPhase(fields[1]);
            task_state.reason = fields[3] == "None" ? std::string() : fields[3];
            if (task_state.phase != TaskState::Phase::waiting && task_state.phase != TaskState::Phase::running)
                task_state.exitStatus = slurmExitStatus(fields[2]);
            state.tasks.push_back(task_state);
        }
    }
    std::sort(state.tasks.begin(), state.tasks.end(),
              [](const TaskState& a, const TaskState& b) { return a.task < b.task; });
    return state;
}

std::vector<std::string> SlurmScheduler::missingPrograms() const {
    std::vector<std::string> missing;
    for (const char* program : {"sbatch", "squeue", "scancel"})
        if (!programOnPath(program))
            missing.push_back(program);
    return missing;
}

std::string SlurmScheduler::taskLog(const std::string& workFolder, int task) const {
    return workFolder + "/logs/task-" + std::to_string(task) + ".log";
}

Submission SlurmScheduler::submit(const ArrayRequest& request) {
    const std::string script = request.workFolder + "/task.sh";
    {
        std::ofstream out(script, std::ios::trunc);
        out << slurmTaskScript(request);
        if (!out.flush()) {
            return {{}, "can't write " + script + ": " + std::strerror(errno)};
        }
    }
    const ChildOutcome sbatch = runChild(sbatchArguments(request, script));
    if (!sbatch.started || sbatch.status != 0)
        return {{}, complaint("sbatch", sbatch)};
    const std::string job = parsableJobId(sbatch.out);
    if (job.empty())
        return {{}, "sbatch gave no job id: '" + trimmed(sbatch.out) + "'"};
    return {job, {}};
}

ArrayState SlurmScheduler::query(const std::string& job) {
    return slurmArrayState(
        runChild({"squeue", "-h", "-t", "all", "-j", job, "-O", "ArrayTaskID:0|,State:0|,exit_code:0|,Reason:0"}));
}

std::string SlurmScheduler::cancel(const std::string& job) {
    const ChildOutcome scancel = runChild({"scancel", job});
    return scancel.started && scancel.status == 0 ? std::string() : complaint("scancel", scancel);
}

std::unique_ptr<BatchScheduler> makeBatchScheduler(const std::string& name) {
    if (name == "slurm")
        return std::make_unique<SlurmScheduler>();
    return nullptr;
}
