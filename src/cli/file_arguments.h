// Arguments of the commands that take only --json and files: info, scan, verify.
#pragma once

#include "cli/commands.h"

#include <string>
#include <vector>

struct FileArguments {
    bool json = false;
    std::vector<std::string> files;
};

/// Parses `[--json] [--] FILE...` ("-h"/"--help" print `usage`). Returns -1 to go on, or the exit
/// status to end with: 0 after help, 2 for an unknown option, no file, or more than `maxFiles`
/// files (0: any number), each with its message on standard error.
int parseFileArguments(const Arguments& args, const char* command, const char* usage, size_t maxFiles,
                       FileArguments& parsed);
