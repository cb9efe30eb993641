// A usage error as every command reports it, so that a script that asked for JSON gets JSON on
// this outcome too.
#pragma once

#include "cli/commands.h"

#include <string>

/// True when --json is among the options (before "--"), wherever it stands.
bool jsonRequested(const Arguments& args);

/// Writes "reelmaker COMMAND: PROBLEM" and then `usage` (when given) on standard error and, with
/// `json`, {"error": {"kind": "usage", "message": PROBLEM}} on standard output. Returns 2.
int reportUsageError(const char* command, const std::string& problem, const std::string& usage, bool json);
