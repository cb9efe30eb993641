// translate --farm: the sequences written into a work list beside the movies, submitted as one
// array of tasks, followed to their end and reported as a local run reports (or, with --no-wait,
// the job and its work folder printed for `reelmaker farm-report`).
#pragma once

#include "cli/translate_run.h"

int submitToFarm(const TranslateOptions& options, const std::vector<SequenceToTranslate>& sequences,
                 const std::vector<std::string>& listingProblems);
