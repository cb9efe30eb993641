#include "cli/file_arguments.h"

#include "cli/usage_error.h"

#include <algorithm>
#include <cstdio>

int parseFileArguments(const Arguments& args, const char* command, const char* usage, size_t maxFiles,
                       FileArguments& parsed, const std::vector<std::string>& valueOptions) {
    auto usageError = [&](const std::string& problem) {
        return reportUsageError(command, problem, usage, jsonRequested(args));
    };
    bool options = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--json") {
            parsed.json = true;
        } else if (options && (arg == "-h" || arg == "--help")) {
            std::printf("%s", usage);
            return 0;
        } else if (options &&
                   std::find(valueOptions.begin(), valueOptions.end(), arg) != valueOptions.end()) {
            if (i + 1 == args.size())
                return usageError(arg + " needs a value");
            if (!parsed.values.emplace(arg, args[++i]).second)
                return usageError(arg + " given twice");
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option '" + arg + "'");
        } else if (maxFiles && parsed.files.size() == maxFiles) {
            return usageError("one file only");
        } else {
            parsed.files.push_back(arg);
        }
    }
    if (parsed.files.empty())
        return usageError("no file given");
    return -1;
}
