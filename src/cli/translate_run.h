// translate's exports in this process: the sequences that the selection names, each movie's name
// checked before the first export starts, and the run of the exports, N at once, with their
// progress and Ctrl-C.
#pragma once

#include "cli/translate_options.h"
#include "cli/translate_report.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class HeadlessSession;

/// A sequence to translate: the frame file that opens it, with --tree its folder's path below the
/// folder walked, and its name when a listing found it (else the export names it once opened).
struct SequenceToTranslate {
    std::string path;
    std::string treeFolder;
    std::optional<SequenceName> name;
};

/// The FILEs, then the sequences of --all's folders as `ls` lists them; folders that can't be read
/// are added to `problems`.
std::vector<SequenceToTranslate> selectedSequences(const TranslateOptions& options,
                                                   std::vector<std::string>& problems);

/// A session as translate needs it: in-memory preferences (the desktop application's stored ones
/// are neither read nor changed), no output device, no preview; the options' preferences set.
std::unique_ptr<HeadlessSession> makeTranslateSession(const TranslateOptions& options);

/// Every movie's destination, known before the first export starts: the first two sequences that
/// would write one file, named, or "" when each has its own. A sequence that can't be opened or
/// whose range can't be set is passed over: its own export says why. Fills in the name of each
/// sequence that opens and has none yet.
std::string clashingDestinations(std::vector<SequenceToTranslate>& sequences, const TranslateOptions& options,
                                 HeadlessSession& session);

/// One sequence's end: its report and the exit status it alone would give (0 complete, 1 failed,
/// 2 a bad option for this sequence, 130 cancelled).
struct TranslatedSequence {
    TranslateReport report;
    int status = 1;
    bool terminated = false; // given up on SIGTERM or SIGHUP: what it says of the sequence is no verdict
};

struct TranslateRun {
    std::vector<TranslatedSequence> ended; // in the order they ended
    int interrupts = 0;                    // Ctrl-C received
    int terminatedBy = 0;                  // SIGTERM or SIGHUP, the first received
};

/// Exports the sequences, options.jobs at once, calling `ended` as each ends (after an interrupt
/// no further sequence is begun): Ctrl-C cancels the running exports (a second aborts them),
/// SIGTERM and SIGHUP abort them.
TranslateRun runExports(const std::vector<SequenceToTranslate>& sequences, const TranslateOptions& options,
                        HeadlessSession& session, const std::function<void(const TranslatedSequence&)>& ended);

/// The JSON keys of several sequences' total, written into an object begun by the caller:
/// `movies`, `sequences`, `complete`, `failed`, `problems`.
void writeTotalJson(JsonWriter& json, const std::vector<TranslateReport>& reports, size_t sequences, int complete,
                    int failed, const std::vector<std::string>& problems);
