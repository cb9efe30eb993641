// reelmaker translate: opens FILE as the application does, sets the window's controls from the
// options, presses Translate and answers the save panel, then pumps the run loop while the worker
// writes the movie, so that the document's own progress timer drives the progress shown here.
// Ctrl-C presses the button again (Cancel); a second Ctrl-C gives the export up.
#include "app/headless_session.h"
#include "cli/commands.h"
#include "cli/display_text.h"
#include "cli/document_options.h"
#include "cli/interrupt_signal.h"
#include "cli/json.h"
#include "cli/opening_log.h"
#include "cli/progress_display.h"
#include "cli/range_warnings.h"
#include "document/movie_name.h"
#include "platform/framework/path_ops.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string kUsage =
    std::string(
        "usage: reelmaker translate [--json] FILE [-o MOVIE] [--reference] [--rate R] [--codec C]\n"
        "                           [--in I] [--out O] [--source-id S] [--force] [--quiet] [--sync]\n"
        "                           [--strict] [--large-frames]\n"
        "  -o MOVIE: the movie file (default: the proposed name in the sequence's folder); it gets\n"
        "            the extension .mov\n"
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
    std::optional<std::string> path;
    std::optional<std::string> output;
    DocumentOptions document;
};

/// What the command reports at its end.
struct Report {
    std::optional<std::string> movie; // the movie file left, if any
    int32_t requested = 0;
    int32_t written = 0;
    bool reference = false;
    bool framesDiffer = false;
    bool complete = false;
    std::vector<std::string> problems;
    std::vector<SequenceWarning> warnings;
};

int usageError(const std::string& problem) {
    std::fprintf(stderr, "reelmaker translate: %s\n%s", problem.c_str(), kUsage.c_str());
    return 2;
}

void writeJson(const Report& report) {
    JsonWriter json;
    json.beginObject();
    if (report.movie)
        json.field("movie", jsonText(*report.movie));
    else
        json.key("movie").null();
    json.field("frames_requested", report.requested);
    json.field("frames_written", report.written);
    json.field("reference", report.reference);
    json.field("frames_differ", report.framesDiffer);
    json.field("complete", report.complete);
    json.key("problems").beginArray();
    for (const std::string& problem : report.problems)
        json.value(jsonText(problem));
    json.endArray();
    writeWarnings(json, report.warnings);
    json.endObject();
    std::printf("%s\n", json.str().c_str());
}

/// Ends the command before any export: the report holds the problem.
int failBeforeExport(const Options& options, Report& report, const std::string& problem, int status) {
    report.problems.push_back(problem);
    if (options.json)
        writeJson(report);
    else
        std::fprintf(stderr, "reelmaker translate: %s\n", printable(problem).c_str());
    return status;
}

} // namespace

int runTranslateCommand(const Arguments& args) {
    Options options;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string error;
        if (optionsEnded) {
            if (options.path)
                return usageError("one file only");
            options.path = arg;
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
        } else if (arg == "-o") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usageError("-o needs a movie path");
            options.output = args[++i];
        } else if (OptionParse parsed = parseDocumentOption(args, i, options.document, error);
                   parsed != OptionParse::notMine) {
            if (parsed == OptionParse::bad)
                return usageError(error);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option '" + arg + "'");
        } else if (options.path) {
            return usageError("one file only");
        } else {
            options.path = arg;
        }
    }
    if (!options.path)
        return usageError("no file given");
    if (options.document.in && options.document.out && *options.document.in > *options.document.out)
        return usageError("--in " + std::to_string(*options.document.in) + " is after --out " +
                          std::to_string(*options.document.out));

    Report report;
    report.reference = options.reference;
    // In-memory defaults: the desktop application's stored preferences are neither read nor changed.
    HeadlessSession session;
    if (options.document.largeFrames)
        session.controller().setDefaultAllowLargeFrames(true);
    OpeningLog log(true);
    std::shared_ptr<DPXMovieFile> document = session.openDocument(*options.path);
    log.release();
    if (!document || document->currentFileCode() == 0)
        return failBeforeExport(options, report,
                                log.failure(*options.path, document ? document->openProblem() : ""), 1);
    if (std::string problem = documentOptionsProblem(options.document, *document); !problem.empty()) {
        std::fprintf(stderr, "reelmaker translate: %s\n", problem.c_str());
        return 2;
    }
    applyDocumentOptions(*document, options.document);
    if (options.document.sourceID && document->startTimecode() == DPXMovieFile::kNoStartTimecode)
        std::fprintf(stderr,
                     "reelmaker translate: note: the sequence has no timecode, so the source ID '%s' will "
                     "not be recorded\n",
                     printable(*options.document.sourceID).c_str());
    document->setFlushMovieOnClose(options.sync);
    report.requested = document->outFrame() - document->inFrame();

    // Nothing the sequence rules left out or that makes a doubtful movie goes unsaid; --strict
    // refuses to make the movie at all.
    report.warnings = document->rangeWarnings();
    if (!options.json)
        for (const SequenceWarning& warning : report.warnings)
            std::fprintf(stderr, "reelmaker translate: warning: %s\n", printable(warning.text).c_str());
    if (options.strict && !report.warnings.empty())
        return failBeforeExport(options, report,
                                "--strict: " + std::to_string(report.warnings.size()) + " warning" +
                                    (report.warnings.size() > 1 ? "s" : "") +
                                    " about the range; no movie was written",
                                1);

    // The save panel, answered as the user would: the path, the movie kind, and no replacing of an
    // existing file unless asked to. The extension rule is the one the document applies.
    std::optional<std::string> existing;
    const bool movieExtension = session.controller().defaultQTFileExtension();
    session.framework().setSavePanelResponder([&](fw::HeadlessSavePanel& panel) {
        const std::string chosen =
            options.output ? *options.output
                           : fw::stringByAppendingPathComponent(panel.directory(), panel.proposedFile());
        panel.setFilename(chosen);
        if (fw::View* accessory = panel.accessoryView())
            if (auto* matrix = accessory->find<fw::Matrix>(DPXMovieFile::kSaveOptionMatrixID))
                matrix->selectCellWithTag(options.reference ? 1 : 0);
        const std::string destination = movieExtension ? withMovieExtension(chosen) : chosen;
        std::error_code ec;
        if (!options.force && std::filesystem::symlink_status(destination, ec).type() !=
                                  std::filesystem::file_type::not_found) {
            existing = destination;
            return fw::SavePanel::CancelButton;
        }
        // --force is the answer to "Replace?"; without it the export never replaces a file, even one
        // that appears while it runs.
        panel.setReplaceConfirmed(options.force);
        return fw::SavePanel::OKButton;
    });

    fw::HeadlessRunLoop& runLoop = session.framework().mainRunLoop();
    // Before the worker starts, so that it inherits the blocked signal. An interrupt wakes the run
    // loop with a turn of no work.
    InterruptCounter interrupts([&runLoop] { runLoop.performOnMainThread([] {}); });
    document->translateButton()->performClick();
    runLoop.pumpOnce(); // the panel's answer
    if (!document->exportInProgress()) {
        if (existing)
            return failBeforeExport(options, report, *existing + " exists (--force replaces it)", 1);
        return failBeforeExport(options, report, "the export did not start", 1);
    }

    const ExportSettings& settings = document->exportSettings();
    ProgressDisplay progress(stderr, isatty(STDERR_FILENO) == 1,
                             uint64_t(settings.frameWidth) * uint64_t(settings.frameHeight) * 4u,
                             settings.makeReferenceMovie);
    int seenInterrupts = 0;
    std::string lastTick = document->progressText()->stringValue();
    while (document->isConverting()) {
        runLoop.runUntil(
            [&] {
                return !document->isConverting() || interrupts.count() != seenInterrupts ||
                       interrupts.terminatedBy() != 0 || document->progressText()->stringValue() != lastTick;
            },
            std::chrono::seconds(1));
        // Asked to end (SIGTERM, SIGHUP): as a second Ctrl-C, the export is given up and its
        // temporary file removed.
        if (interrupts.terminatedBy() != 0 && document->isConverting())
            document->abortExport();
        const int count = interrupts.count();
        if (count != seenInterrupts) {
            if (seenInterrupts == 0 && document->isConverting()) {
                document->translateButton()->performClick(); // Cancel
                if (!options.quiet)
                    progress.note(
                        "cancelling: the movie keeps the frames written so far (Ctrl-C again aborts "
                        "and leaves no movie)");
            }
            if (count >= 2 && seenInterrupts < 2 && document->isConverting()) {
                document->abortExport();
                if (!options.quiet)
                    progress.note("aborting: no movie will be left");
            }
            seenInterrupts = count;
        }
        const std::string tick = document->progressText()->stringValue();
        if (tick != lastTick) {
            lastTick = tick;
            if (!options.quiet && document->isConverting())
                progress.update(document->currentFrame() - settings.inFrame, document->totalFrames());
        }
    }
    // The worker hands the document back through the run loop; then the end is shown at once
    // rather than at the timer's next tick, up to a quarter of a second later.
    runLoop.runUntil([&] { return !document->workerRunning(); }, std::chrono::hours(1));
    if (document->timer())
        document->TimerIRQ(*document->timer());
    runLoop.runUntil([&] { return !document->exportInProgress(); }, std::chrono::seconds(1));

    const ExportOutcome& outcome = document->exportOutcome();
    if (!options.quiet)
        progress.finish(outcome.framesWritten, outcome.framesRequested);
    report.requested = outcome.framesRequested;
    report.written = outcome.framesWritten;
    report.framesDiffer = outcome.framesDiffer;
    report.complete = outcome.complete();
    if (outcome.movieWritten)
        report.movie = outcome.moviePath;
    if (!outcome.problem.empty())
        report.problems.push_back(outcome.problem);
    else if (outcome.cancelled)
        report.problems.push_back("cancelled after " + std::to_string(outcome.framesWritten) + " of " +
                                  std::to_string(outcome.framesRequested) + " frames");

    if (options.json) {
        writeJson(report);
    } else {
        if (outcome.movieWritten)
            std::printf("%s: %s movie, %d of %d frames written\n", printable(outcome.moviePath).c_str(),
                        outcome.reference ? "reference" : "self-contained", int(outcome.framesWritten),
                        int(outcome.framesRequested));
        if (outcome.movieWritten && outcome.framesDiffer)
            std::printf("warning: %s\n", DPXMovieFile::kReferenceWarningText);
        for (const std::string& problem : report.problems)
            std::fprintf(stderr, "reelmaker translate: %s\n", printable(problem).c_str());
    }
    if (int signal = interrupts.terminatedBy(); signal != 0 && !outcome.complete())
        return 128 + signal;
    if (seenInterrupts > 0 && !outcome.complete())
        return kExitInterrupted;
    return outcome.complete() ? 0 : 1;
}
