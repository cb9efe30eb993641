// Opens each sequence as the application does, sets the window's controls from the options, presses
// Translate and answers the save panel, then pumps the run loop while the workers write the movies,
// so that the documents' own progress timers drive the progress shown here. Ctrl-C presses the
// button again (Cancel); a second Ctrl-C gives the exports up.
#include "cli/translate_run.h"

#include "app/headless_session.h"
#include "cli/interrupt_signal.h"
#include "cli/json.h"
#include "cli/opening_log.h"
#include "cli/progress_display.h"
#include "cli/sequence_listing.h"
#include "document/movie_name.h"
#include "framefiles/frame_file_code.h"
#include "platform/display_text.h"
#include "platform/framework/path_ops.h"
#include "platform/log.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace {

constexpr int kExitInterrupted = 130;

/// One sequence's export, from its opening to its report.
struct Job {
    SequenceToTranslate sequence;
    std::shared_ptr<DPXMovieFile> document;
    TranslatedSequence end;
    std::optional<ProgressDisplay> progress;
    std::optional<std::string> existing; // why the panel met a file it may not replace
    std::string lastTick;
};

/// Where the movie goes: -o's file, or the proposed name in -o's folder (with --tree, the
/// sequence's folder path below it) or in the sequence's folder.
std::string movieDestination(const TranslateOptions& options, const std::string& sequenceDirectory,
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
    job.end.report.problems.push_back(problem);
    job.end.status = status;
}

/// Opens the sequence, sets the window's controls, says the range's warnings and presses Translate,
/// answering the save panel as the user would. False when the job ended there (status set).
bool beginJob(Job& job, const TranslateOptions& options, HeadlessSession& session, bool showProgress) {
    TranslateReport& report = job.end.report;
    const std::string& path = job.sequence.path;
    report.file = path;
    report.reference = options.reference;
    report.sequence = job.sequence.name.value_or(nameOfFile(path));
    OpeningLog log(true);
    job.document = session.openDocument(path);
    log.release();
    std::shared_ptr<DPXMovieFile>& document = job.document;
    if (!document || document->currentFileCode() == 0) {
        failJob(job, log.failure(path, document ? document->openProblem() : ""), 1);
        return false;
    }
    if (!job.sequence.name)
        report.sequence = nameOfSequence(*document);
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
                     printable(path).c_str(), printable(*options.document.sourceID).c_str());
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
        const std::string& treeFolder = job.sequence.treeFolder;
        const std::string chosen = movieDestination(options, panel.directory(), treeFolder, panel.proposedFile());
        if (!treeFolder.empty()) {
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
    TranslateReport& report = job.end.report;
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
    job.end.status = outcome.complete() ? 0 : interrupted ? kExitInterrupted : 1;
    document.close();
    job.document.reset();
}

SequenceName nameOfListing(const SequenceListing& listing) {
    std::string pattern =
        listing.baseName + "[" + std::to_string(listing.firstNumber) + "-" + std::to_string(listing.lastNumber) + "]";
    if (!listing.extension.empty())
        pattern += "." + listing.extension;
    return {listing.directory, pattern};
}

} // namespace

std::vector<SequenceToTranslate> selectedSequences(const TranslateOptions& options,
                                                   std::vector<std::string>& problems) {
    std::vector<SequenceToTranslate> sequences;
    for (const std::string& path : options.paths)
        sequences.push_back({path, {}, {}});
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
                sequences.push_back({sequence.openedPath, below == "." ? std::string() : below, nameOfListing(sequence)});
            if (options.recursive)
                pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
        }
    }
    return sequences;
}

std::unique_ptr<HeadlessSession> makeTranslateSession(const TranslateOptions& options) {
    StartupServices services;
    services.makeVideoOut = nullptr;
    auto session = std::make_unique<HeadlessSession>(fw::DefaultsDictionary{}, services);
    session->setDocumentsShowFrames(false);
    applySessionOptions(session->controller(), options.document);
    return session;
}

std::string clashingDestinations(std::vector<SequenceToTranslate>& sequences, const TranslateOptions& options,
                                 HeadlessSession& session) {
    const bool movieExtension = session.controller().defaultQTFileExtension();
    std::map<std::string, std::string> takenBy; // destination -> the sequence's frame file
    LogCapture quiet(false);                    // each export logs its own opening
    for (SequenceToTranslate& sequence : sequences) {
        std::shared_ptr<DPXMovieFile> document = session.openDocument(sequence.path);
        if (!document)
            continue;
        DocumentOptions documentOptions = options.document;
        if (document->currentFileCode() != 0 && !sequence.name)
            sequence.name = nameOfSequence(*document);
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

TranslateRun runExports(const std::vector<SequenceToTranslate>& sequences, const TranslateOptions& options,
                        HeadlessSession& session, const std::function<void(const TranslatedSequence&)>& ended) {
    fw::HeadlessRunLoop& runLoop = session.framework().mainRunLoop();
    // Before any worker starts, so that they inherit the blocked signal. An interrupt wakes the run
    // loop with a turn of no work.
    InterruptCounter interrupts([&runLoop] { runLoop.performOnMainThread([] {}); });

    // Progress per export when they run one at a time; with several at once, a line as each ends.
    const bool showProgress = !options.quiet && options.jobs == 1;
    TranslateRun run;
    std::vector<std::unique_ptr<Job>> running;
    size_t next = 0;
    int seenInterrupts = 0;
    bool terminating = false;
    auto finish = [&](std::unique_ptr<Job> job) {
        ended(job->end);
        run.ended.push_back(std::move(job->end));
    };
    while (next < sequences.size() || !running.empty()) {
        // After an interrupt no further sequence is begun.
        while (seenInterrupts == 0 && interrupts.terminatedBy() == 0 && running.size() < size_t(options.jobs) &&
               next < sequences.size()) {
            auto job = std::make_unique<Job>();
            job->sequence = sequences[next++];
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
                    if (!job->document->isConverting() || job->document->progressText()->stringValue() != job->lastTick)
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
                std::fprintf(stderr, "cancelling: the movie keeps the frames written so far (Ctrl-C again aborts "
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
            (*job)->end.terminated = terminating;
            finish(std::move(*job));
            job = running.erase(job);
        }
    }
    run.interrupts = seenInterrupts;
    run.terminatedBy = interrupts.terminatedBy();
    return run;
}

void writeTotalJson(JsonWriter& json, const std::vector<TranslateReport>& reports, size_t sequences, int complete,
                    int failed, const std::vector<std::string>& problems) {
    json.key("movies").beginArray();
    for (const TranslateReport& report : reports)
        writeReport(json, report);
    json.endArray();
    json.field("sequences", int64_t(sequences));
    json.field("complete", complete);
    json.field("failed", failed);
    json.key("problems").beginArray();
    for (const std::string& problem : problems)
        json.value(jsonText(problem));
    json.endArray();
}
