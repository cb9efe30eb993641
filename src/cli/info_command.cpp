#include "cli/commands.h"

#include <cstdio>

int runInfoCommand(const Arguments& args) {
    if (args.empty()) {
        std::fprintf(stderr, "usage: reelmaker info [--json] FILE...\n");
        return 2;
    }
    std::fprintf(stderr, "reelmaker info: not available yet\n");
    return 1;
}
