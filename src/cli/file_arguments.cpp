#include "cli/file_arguments.h"

#include <cstdio>

int parseFileArguments(const Arguments& args, const char* command, const char* usage, size_t maxFiles,
                       FileArguments& parsed) {
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--json") {
            parsed.json = true;
        } else if (options && (arg == "-h" || arg == "--help")) {
            std::printf("%s", usage);
            return 0;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "reelmaker %s: unknown option '%s'\n%s", command, arg.c_str(), usage);
            return 2;
        } else if (maxFiles && parsed.files.size() == maxFiles) {
            std::fprintf(stderr, "reelmaker %s: one file only\n%s", command, usage);
            return 2;
        } else {
            parsed.files.push_back(arg);
        }
    }
    if (parsed.files.empty()) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    return -1;
}
