// reelmaker translate: opens FILE as the application does, sets the window's controls from the
// options, presses Translate and answers the save panel, then pumps the run loop while the worker
// writes the movie, so that the document's own progress timer drives the progress shown here.
// Ctrl-C presses the button again (Cancel); a second Ctrl-C gives the export up.
#include "app/headless_session.h"
#include "cli/commands.h"
#include "cli/document_options.h"
#include "cli/interrupt_signal.h"
#include "cli/json.h"
#include "cli/opening_log.h"
#include "cli/progress_display.h"
#include "cli/range_warnings.h"
#include "cli/sequence_listing.h"
#include "cli/usage_error.h"
#include "document/movie_name.h"
#include "framefiles/frame_file_code.h"
#include "platform/display_text.h"
#include "platform/framework/path_ops.h"
#include "platform/log.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string kUsage =
    std::string(
        "usage: reelmaker translate [--json] FILE... [-o MOVIE | -o DIR/] [--reference] [--rate R]\n"
        "                           [--codec C] [--in I | --from N | --from-tc T]\n"
        "                           [--out O | --to M | --to-tc T] [--source-id S] [--force] [--quiet]\n"
        "                           [--sync] [--strict] [--large-frames] [--all DIR] [-R] [--jobs N]\n"
        "                           [--name-after base|file|folder|text|none] [--tree]\n"
        "  -o MOVIE: the movie file (default: the proposed name in the sequence's folder); it gets\n"
        "            the extension .mov; a folder (or a path ending in /, made when missing) takes\n"
        "            each movie under its proposed name; several sequences need a folder, and two\n"
        "            sequences that would take one name are refused before anything is written\n"
        "  --tree: with --all and -o DIR/, each movie under its sequence's folder path below DIR\n"
        "          as below the folder walked (DIR/reel1/A001C003/0086400.mov), folders made\n"
        "  FILE: a frame of a sequence, or a movie ('R10k'/'R10g', self-contained or by reference),\n"
        "        whose samples are copied into a self-contained movie, timecode and source name kept\n"
        "  --all DIR: every sequence that `reelmaker ls DIR` lists (-R: and the folders below)\n"
        "  --jobs N: N exports at once (default 1: an export is bound by the disk)\n"
        "  --reference: a reference movie, whose samples point into the frame files\n"
        "  --force: replace an existing movie file\n"
        "  --quiet: no progress on standard error\n"
        "  --sync: force the movie onto the disk before it takes its name\n"
        "  --strict: refuse (exit 1, no movie) when the range has any warning: a break in the\n"
        "            numbering, entries left out, names with one number or of another pattern,\n"
        "            frames of another size or pixel data offset, a break in the header timecodes\n") +
    kDocumentOptionsHelp +
    "Ctrl-C cancels: the movie keeps the frames written so far (exit status 130); a second Ctrl-C\n"
    "aborts and leaves no movie.\n";

constexpr int kExitInterrupted = 130;

struct Options {
    bool json = false;
    bool reference = false;
    bool force = false;
    bool quiet = false;
    bool sync = false;
    bool strict = false;
    bool recursive = false;
    bool tree = false;
    int jobs = 1;
    std::vector<std::string> paths;
    std::vector<std::string> allFolders;
    std::optional<std::string> output;
    DocumentOptions document;
};

/// What the command reports of one sequence's export.
struct Report {
    std::string file;                 // the frame file that opened the sequence
    std::optional<std::string> movie; // the movie file left, if any
    int32_t requested = 0;
    int32_t written = 0;
    bool reference = false;
    SampleCopy copy = SampleCopy::none; // how a self-contained movie's samples were written
    bool framesDiffer = false;
    bool complete = false;
    std::vector<std::string> problems;
    std::vector<SequenceWarning> warnings;
};

int usageError(const Arguments& args, const std::string& problem) {
    return reportUsageError("translate", problem, kUsage, jsonRequested(args));
}

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

void writeReport(JsonWriter& json, const Report& report) {
    json.beginObject();
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

void writeJson(const Report& report) {
    JsonWriter json;
    writeReport(json, report);
    std::printf("%s\n", json.str().c_str());
}

/// A sequence to translate: the frame file that opens it and, with --tree, its folder's path below
/// the folder walked.
struct Sequence {
    std::string path;
    std::string treeFolder;
};

/// One sequence's export, from its opening to its report.
struct Job {
    std::string path;
    std::string treeFolder;
    std::shared_ptr<DPXMovieFile> document;
    Report report;
    std::optional<ProgressDisplay> progress;
    std::optional<std::string> existing; // why the panel met a file it may not replace
    std::string lastTick;
    int status = -1; // the exit status of this sequence once it ended
};

bool isFolderPath(const std::string& path) {
    std::error_code ec;
    return (!path.empty() && path.back() == '/') || std::filesystem::is_directory(path, ec);
}

/// Where the movie goes: -o's file, or the proposed name in -o's folder (with --tree, the
/// sequence's folder path below it) or in the sequence's folder.
std::string movieDestination(const Options& options, const std::string& sequenceDirectory,
                             const std::string& treeFolder, const std::string& proposedFile) {
    if (options.output && !isFolderPath(*options.output))
        return *options.output;
    std::string folder = options.output ? fw::stringByFixingSlashes(*options.output) : sequenceDirectory;
    if (!treeFolder.empty())
        folder = fw::stringByAppendingPathComponent(folder, treeFolder);
    return fw::stringByAppendingPathComponent(folder, proposedFile);
}

/// Ends a job that never exported: the report holds the problem.
void failJob(Job& job, const std::string& problem, int status) {
    job.report.problems.push_back(problem);
    job.status = status;
}

/// Opens the sequence, sets the window's controls, says the range's warnings and presses Translate,
/// answering the save panel as the user would. False when the job ended there (status set).
bool beginJob(Job& job, const Options& options, HeadlessSession& session, bool showProgress) {
    Report& report = job.report;
    report.file = job.path;
    report.reference = options.reference;
    OpeningLog log(true);
    job.document = session.openDocument(job.path);
    log.release();
    std::shared_ptr<DPXMovieFile>& document = job.document;
    if (!document || document->currentFileCode() == 0) {
        failJob(job, log.failure(job.path, document ? document->openProblem() : ""), 1);
        return false;
    }
    if (options.reference && document->currentFileCode() == kFileCodeMovie) {
        failJob(job, "a movie's samples are copied into a self-contained movie: --reference can't be given with a movie", 2);
        return false;
    }
    DocumentOptions documentOptions = options.document;
    if (std::string problem = documentOptionsProblem(documentOptions, *document); !problem.empty()) {
        failJob(job, problem, 2);
        return false;
    }
    applyDocumentOptions(*document, documentOptions);
    if (options.document.sourceID && document->startTimecode() == DPXMovieFile::kNoStartTimecode)
        std::fprintf(stderr,
                     "reelmaker translate: note: %s has no timecode, so the source ID '%s' will not be "
                     "recorded\n",
                     printable(job.path).c_str(), printable(*options.document.sourceID).c_str());
    document->setFlushMovieOnClose(options.sync);
    report.requested = document->outFrame() - document->inFrame();

    // Nothing the sequence rules left out or that makes a doubtful movie goes unsaid; --strict
    // refuses to make the movie at all.
    report.warnings = document->rangeWarnings();
    if (!options.json)
        for (const SequenceWarning& warning : report.warnings)
            std::fprintf(stderr, "reelmaker translate: warning: %s\n", printable(warning.text).c_str());
    if (options.strict && !report.warnings.empty()) {
        failJob(job,
                "--strict: " + std::to_string(report.warnings.size()) + " warning" +
                    (report.warnings.size() > 1 ? "s" : "") + " about the range; no movie was written",
                1);
        return false;
    }

    // The save panel, answered as the user would: the path, the movie kind, and no replacing of an
    // existing file unless asked to. The extension rule is the one the document applies.
    const bool movieExtension = session.controller().defaultQTFileExtension();
    session.framework().setSavePanelResponder([&options, &job, movieExtension](fw::HeadlessSavePanel& panel) {
        const std::string chosen =
            movieDestination(options, panel.directory(), job.treeFolder, panel.proposedFile());
        if (!job.treeFolder.empty()) {
            std::error_code made;
            const std::string folder = fw::stringByDeletingLastPathComponent(chosen);
            std::filesystem::create_directories(folder, made);
            if (made) {
                job.existing = "can't make the folder " + folder + ": " + made.message();
                return fw::SavePanel::CancelButton;
            }
        }
        panel.setFilename(chosen);
        if (fw::View* accessory = panel.accessoryView())
            if (auto* matrix = accessory->find<fw::Matrix>(DPXMovieFile::kSaveOptionMatrixID))
                matrix->selectCellWithTag(options.reference ? 1 : 0);
        const std::string destination = movieExtension ? withMovieExtension(chosen) : chosen;
        std::error_code ec;
        const std::filesystem::file_type type = std::filesystem::symlink_status(destination, ec).type();
        if (type == std::filesystem::file_type::none) { // nothing could be learnt of the name
            job.existing = destination + ": " +
                           (ec == std::errc::filename_too_long ? "the name is too long for its folder"
                                                               : ec.message());
            return fw::SavePanel::CancelButton;
        }
        if (type == std::filesystem::file_type::directory) {
            job.existing = destination + " is a folder; a movie can't take its name";
            return fw::SavePanel::CancelButton;
        }
        if (!options.force && type != std::filesystem::file_type::not_found) {
            job.existing = destination + " exists (--force replaces it)";
            return fw::SavePanel::CancelButton;
        }
        // --force is the answer to "Replace?"; without it the export never replaces a file, even one
        // that appears while it runs.
        panel.setReplaceConfirmed(options.force);
        return fw::SavePanel::OKButton;
    });
    document->translateButton()->performClick();
    session.framework().mainRunLoop().pumpOnce(); // the panel's answer
    if (!document->exportInProgress()) {
        failJob(job, job.existing ? *job.existing : "the export did not start", 1);
        return false;
    }
    const ExportSettings& settings = document->exportSettings();
    if (showProgress)
        job.progress.emplace(stderr, isatty(STDERR_FILENO) == 1,
                             uint64_t(settings.frameWidth) * uint64_t(settings.frameHeight) * 4u,
                             settings.makeReferenceMovie);
    job.lastTick = document->progressText()->stringValue();
    return true;
}

/// Shows the progress of a running job. Called at each new tick and at least once a second, so
/// that a line display (at most one line a second) also shows a count that has stopped changing,
/// as when frames wait on their storage.
void showTick(Job& job) {
    DPXMovieFile& document = *job.document;
    job.lastTick = document.progressText()->stringValue();
    if (job.progress && document.isConverting())
        job.progress->update(document.currentFrame() - document.exportSettings().inFrame,
                             document.totalFrames());
}

/// Takes the end of a job whose worker has finished its movie: the document shows the end, the
/// report is filled in, and the document closes.
void endJob(Job& job, HeadlessSession& session, bool interrupted) {
    DPXMovieFile& document = *job.document;
    fw::HeadlessRunLoop& runLoop = session.framework().mainRunLoop();
    // The worker hands the document back through the run loop; then the end is shown at once
    // rather than at the timer's next tick, up to a quarter of a second later.
    runLoop.runUntil([&] { return !document.workerRunning(); }, std::chrono::hours(1));
    if (document.timer())
        document.TimerIRQ(*document.timer());
    runLoop.runUntil([&] { return !document.exportInProgress(); }, std::chrono::seconds(1));

    const ExportOutcome& outcome = document.exportOutcome();
    if (job.progress)
        job.progress->finish(outcome.framesWritten, outcome.framesRequested);
    Report& report = job.report;
    report.requested = outcome.framesRequested;
    report.written = outcome.framesWritten;
    report.framesDiffer = outcome.framesDiffer;
    report.copy = outcome.copy;
    report.complete = outcome.complete();
    if (outcome.movieWritten)
        report.movie = outcome.moviePath;
    if (!outcome.problem.empty())
        report.problems.push_back(outcome.problem);
    else if (outcome.cancelled)
        report.problems.push_back("cancelled after " + std::to_string(outcome.framesWritten) + " of " +
                                  std::to_string(outcome.framesRequested) + " frames");
    job.status = outcome.complete() ? 0 : interrupted ? kExitInterrupted : 1;
    document.close();
    job.document.reset();
}

/// The text lines of one job's end: the movie on standard output, problems on standard error.
void printReport(const Report& report, bool several) {
    if (report.movie)
        std::printf("%s: %s movie, %d of %d frames written\n", printable(*report.movie).c_str(),
                    report.reference ? "reference" : "self-contained", int(report.written),
                    int(report.requested));
    if (report.movie && report.framesDiffer)
        std::printf("warning: %s\n", DPXMovieFile::kReferenceWarningText);
    const std::string prefix = several ? printable(report.file) + ": " : std::string();
    for (const std::string& problem : report.problems)
        std::fprintf(stderr, "reelmaker translate: %s%s\n", prefix.c_str(), printable(problem).c_str());
}

/// The object of several sequences' exports.
void writeSummaryJson(const std::vector<std::unique_ptr<Job>>& ended, size_t sequences, int complete,
                      int failed, const std::vector<std::string>& problems) {
    JsonWriter json;
    json.beginObject();
    json.key("movies").beginArray();
    for (const auto& job : ended)
        writeReport(json, job->report);
    json.endArray();
    json.field("sequences", int64_t(sequences));
    json.field("complete", complete);
    json.field("failed", failed);
    json.key("problems").beginArray();
    for (const std::string& problem : problems)
        json.value(jsonText(problem));
    json.endArray();
    json.endObject();
    std::printf("%s\n", json.str().c_str());
}

/// The frame files that open the sequences of --all's folders, as `ls` finds them.
std::vector<Sequence> sequencesOfFolders(const Options& options, std::vector<std::string>& problems) {
    std::vector<Sequence> sequences;
    for (const std::string& root : options.allFolders) {
        const std::string top = fw::stringByFixingSlashes(root);
        std::vector<std::string> pending{top};
        while (!pending.empty()) {
            const std::string directory = pending.back();
            pending.pop_back();
            std::vector<std::string> subfolders;
            FolderListing folder = listFolder(directory, subfolders);
            if (folder.problem)
                problems.push_back(directory + ": can't be read: " + *folder.problem);
            const std::string below =
                options.tree ? std::filesystem::path(directory).lexically_relative(top).lexically_normal().string()
                             : std::string();
            for (const SequenceListing& sequence : folder.sequences)
                sequences.push_back({sequence.openedPath, below == "." ? std::string() : below});
            if (options.recursive)
                pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
        }
    }
    return sequences;
}

/// Every movie's destination, known before the first export starts: the first two sequences that
/// would write one file, named, or "" when each has its own. A sequence that can't be opened or
/// whose range can't be set is passed over: its own export says why.
std::string clashingDestinations(const std::vector<Sequence>& sequences, const Options& options,
                                 HeadlessSession& session) {
    const bool movieExtension = session.controller().defaultQTFileExtension();
    std::map<std::string, std::string> takenBy; // destination -> the sequence's frame file
    LogCapture quiet(false);                    // each export logs its own opening
    for (const Sequence& sequence : sequences) {
        std::shared_ptr<DPXMovieFile> document = session.openDocument(sequence.path);
        if (!document)
            continue;
        DocumentOptions documentOptions = options.document;
        if (document->currentFileCode() != 0 && documentOptionsProblem(documentOptions, *document).empty()) {
            applyDocumentOptions(*document, documentOptions);
            const std::string chosen = movieDestination(options, document->directoryPath(), sequence.treeFolder,
                                                        document->getDefaultFileNameString());
            const std::string destination =
                std::filesystem::path(movieExtension ? withMovieExtension(chosen) : chosen)
                    .lexically_normal()
                    .string();
            auto [at, added] = takenBy.try_emplace(destination, sequence.path);
            if (!added) {
                document->close();
                return at->second + " and " + sequence.path + " would both be written to " + destination;
            }
        }
        document->close();
    }
    return {};
}

} // namespace

int runTranslateCommand(const Arguments& args) {
    Options options;
    bool optionsEnded = false;
    bool jobsGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string error;
        if (optionsEnded) {
            options.paths.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            std::printf("%s", kUsage.c_str());
            return 0;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--reference") {
            options.reference = true;
        } else if (arg == "--force") {
            options.force = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--sync") {
            options.sync = true;
        } else if (arg == "--strict") {
            options.strict = true;
        } else if (arg == "-R") {
            options.recursive = true;
        } else if (arg == "--tree") {
            options.tree = true;
        } else if (arg == "-o") {
            if (options.output)
                return usageError(args, "-o given twice");
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usageError(args, "-o needs a movie path");
            options.output = args[++i];
        } else if (arg == "--all") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usageError(args, "--all needs a folder");
            options.allFolders.push_back(args[++i]);
        } else if (arg == "--jobs") {
            if (jobsGiven)
                return usageError(args, "--jobs given twice");
            jobsGiven = true;
            const std::string value = i + 1 < args.size() ? args[++i] : std::string();
            // Digits only: no sign, no blanks.
            const bool digits = !value.empty() && value.size() <= 2 &&
                                value.find_first_not_of("0123456789") == std::string::npos;
            const int jobs = digits ? std::stoi(value) : 0;
            if (jobs < 1 || jobs > 64)
                return usageError(args, "--jobs needs a number from 1 to 64, not '" + value + "'");
            options.jobs = jobs;
        } else if (OptionParse parsed = parseDocumentOption(args, i, options.document, error);
                   parsed != OptionParse::notMine) {
            if (parsed == OptionParse::bad)
                return usageError(args, error);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError(args, "unknown option '" + arg + "'");
        } else {
            options.paths.push_back(arg);
        }
    }
    if (options.paths.empty() && options.allFolders.empty())
        return usageError(args, "no file given");
    if (options.recursive && options.allFolders.empty())
        return usageError(args, "-R goes with --all");
    if (options.tree && (options.allFolders.empty() || !options.output || !isFolderPath(*options.output)))
        return usageError(args, "--tree goes with --all and -o DIR/");
    if (options.document.in && options.document.out && *options.document.in > *options.document.out)
        return usageError(args, "--in " + std::to_string(*options.document.in) + " is after --out " +
                                    std::to_string(*options.document.out));

    std::vector<std::string> listingProblems;
    std::vector<Sequence> sequences;
    for (const std::string& path : options.paths)
        sequences.push_back({path, {}});
    for (Sequence& sequence : sequencesOfFolders(options, listingProblems))
        sequences.push_back(std::move(sequence));
    // Nothing to translate is a failure with its reason, and makes no output folder.
    if (sequences.empty()) {
        for (const std::string& folder : options.allFolders)
            listingProblems.push_back("no sequence in " + folder +
                                      (options.recursive ? " or the folders below" : ""));
        if (options.json)
            writeSummaryJson({}, 0, 0, 0, listingProblems);
        for (const std::string& problem : listingProblems)
            std::fprintf(stderr, "reelmaker translate: %s\n", printable(problem).c_str());
        return 1;
    }
    const bool several = sequences.size() > 1 || !options.allFolders.empty();
    if (several && options.output && !isFolderPath(*options.output))
        return usageError(args,
                          "-o " + *options.output + " is no folder: several movies need one (end it with /)");
    // In-memory defaults: the desktop application's stored preferences are neither read nor changed.
    // Nobody sees the frames: no output device, no preview.
    StartupServices services;
    services.makeVideoOut = nullptr;
    HeadlessSession session({}, services);
    session.setDocumentsShowFrames(false);
    applySessionOptions(session.controller(), options.document);
    // Two sequences that would write one file are refused before anything is written: one export
    // would fail at its end, or with --force replace the other's movie.
    if (several) {
        if (const std::string clash = clashingDestinations(sequences, options, session); !clash.empty())
            return usageError(args, clash + "; give --name-after folder, or --tree to keep the folders apart");
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

    fw::HeadlessRunLoop& runLoop = session.framework().mainRunLoop();
    // Before any worker starts, so that they inherit the blocked signal. An interrupt wakes the run
    // loop with a turn of no work.
    InterruptCounter interrupts([&runLoop] { runLoop.performOnMainThread([] {}); });

    // Progress per export when they run one at a time; with several at once, a line as each ends.
    const bool showProgress = !options.quiet && options.jobs == 1;
    std::vector<std::unique_ptr<Job>> ended;
    std::vector<std::unique_ptr<Job>> running;
    size_t next = 0;
    int seenInterrupts = 0;
    bool terminating = false;
    auto finish = [&](std::unique_ptr<Job> job) {
        if (!options.json)
            printReport(job->report, several);
        ended.push_back(std::move(job));
    };
    while (next < sequences.size() || !running.empty()) {
        // After an interrupt no further sequence is begun.
        while (seenInterrupts == 0 && interrupts.terminatedBy() == 0 &&
               running.size() < size_t(options.jobs) && next < sequences.size()) {
            auto job = std::make_unique<Job>();
            job->path = sequences[next].path;
            job->treeFolder = sequences[next++].treeFolder;
            if (beginJob(*job, options, session, showProgress))
                running.push_back(std::move(job));
            else
                finish(std::move(job));
        }
        if (running.empty()) {
            if (seenInterrupts > 0 || interrupts.terminatedBy() != 0)
                break;
            continue;
        }
        runLoop.runUntil(
            [&] {
                if (interrupts.count() != seenInterrupts || interrupts.terminatedBy() != 0)
                    return true;
                for (const auto& job : running)
                    if (!job->document->isConverting() ||
                        job->document->progressText()->stringValue() != job->lastTick)
                        return true;
                return false;
            },
            std::chrono::seconds(1));
        // Asked to end (SIGTERM, SIGHUP): as a second Ctrl-C, the exports are given up and their
        // temporary files removed.
        if (interrupts.terminatedBy() != 0 && !terminating) {
            for (const auto& job : running)
                job->document->abortExport();
            if (!options.quiet)
                std::fprintf(stderr, "aborting: no movie will be left\n");
            terminating = true;
        }
        if (const int count = interrupts.count(); count != seenInterrupts) {
            for (const auto& job : running) {
                DPXMovieFile& document = *job->document;
                if (seenInterrupts == 0 && document.isConverting())
                    document.translateButton()->performClick(); // Cancel
                if (count >= 2 && seenInterrupts < 2 && document.isConverting())
                    document.abortExport();
            }
            if (!options.quiet && seenInterrupts == 0)
                std::fprintf(stderr,
                             "cancelling: the movie keeps the frames written so far (Ctrl-C again aborts "
                             "and leaves no movie)\n");
            if (!options.quiet && count >= 2 && seenInterrupts < 2)
                std::fprintf(stderr, "aborting: no movie will be left\n");
            seenInterrupts = count;
        }
        for (auto job = running.begin(); job != running.end();) {
            showTick(**job);
            if ((*job)->document->isConverting()) {
                ++job;
                continue;
            }
            endJob(**job, session, seenInterrupts > 0);
            finish(std::move(*job));
            job = running.erase(job);
        }
    }

    const int terminatedBy = interrupts.terminatedBy();
    if (!several) {
        // One sequence: its report alone, as before there were several.
        Report report = ended.empty() ? Report{} : ended.front()->report;
        if (options.json)
            writeJson(report);
        const int status = ended.empty() ? 1 : ended.front()->status;
        if (terminatedBy != 0 && status != 0)
            return 128 + terminatedBy;
        return status;
    }

    int complete = 0;
    for (const auto& job : ended)
        complete += job->status == 0 ? 1 : 0;
    const int failed = int(sequences.size()) - complete;
    if (options.json) {
        writeSummaryJson(ended, sequences.size(), complete, failed, listingProblems);
    } else {
        for (const std::string& problem : listingProblems)
            std::fprintf(stderr, "reelmaker translate: %s\n", printable(problem).c_str());
        std::printf("%zu sequence%s: %d movie%s complete, %d incomplete or not made\n", sequences.size(),
                    sequences.size() == 1 ? "" : "s", complete, complete == 1 ? "" : "s", failed);
    }
    if (terminatedBy != 0 && failed > 0)
        return 128 + terminatedBy;
    if (seenInterrupts > 0 && failed > 0)
        return kExitInterrupted;
    return failed > 0 || !listingProblems.empty() || sequences.empty() ? 1 : 0;
}
