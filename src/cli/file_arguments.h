// Arguments of the commands that take only --json, files and a few options with a value: info,
// scan, verify.
#pragma once

#include "cli/commands.h"

#include <map>
#include <string>
#include <vector>

struct FileArguments {
    bool json = false;
    std::vector<std::string> files;
    std::map<std::string, std::string> values; // option ("--against") -> its value
};

/// Parses `[--json] [OPTION VALUE] [--] FILE...`, OPTION being one of `valueOptions` ("-h"/"--help"
/// print `usage`). Returns -1 to go on, or the exit status to end with: 0 after help, 2 for an
/// unknown option, an option without its value or given twice, no file, or more than `maxFiles`
/// files (0: any number), each with its message on standard error.
int parseFileArguments(const Arguments& args, const char* command, const char* usage, size_t maxFiles,
                       FileArguments& parsed, const std::vector<std::string>& valueOptions = {});
