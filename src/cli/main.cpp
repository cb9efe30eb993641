// reelmaker: batch work over the core library (inspect frame files, list sequences, write movies).
#include "cli/commands.h"
#include "cli/version.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Command {
    const char* name;
    int (*run)(const Arguments&);
    const char* synopsis;
};

// In the order of the work: inspect frames, list the sequences, describe its document, write a
// movie, check it, then the video output.
const Command kCommands[] = {
    {"info", runInfoCommand, "info [--json] FILE...\n      what the frame readers make of each file"},
    {"ls", runLsCommand,
     "ls [--json] [-R] [--name-after base|file|folder|text|none] DIR...\n"
     "      the sequences of folders (and the folders below with -R)"},
    {"scan", runScanCommand, "scan [--json] FILE\n      the sequence that opening FILE finds"},
    {"describe", runDescribeCommand,
     "describe [--json] FILE [--rate R] [--codec C] [--in I | --from N | --from-tc T]\n"
     "           [--out O | --to M | --to-tc T] [--source-id S] [--large-frames]\n"
     "           [--name-after base|file|folder|text|none]\n"
     "      the document window's description and settings for FILE"},
    {"translate", runTranslateCommand,
     "translate [--json] FILE... [-o MOVIE | -o DIR/] [--reference] [--rate R] [--codec C]\n"
     "            [--in I | --from N | --from-tc T] [--out O | --to M | --to-tc T] [--source-id S]\n"
     "            [--force] [--quiet] [--sync] [--strict] [--large-frames] [--all DIR [-R]] [--jobs N]\n"
     "            [--name-after base|file|folder|text|none] [--tree]\n"
     "            [--farm slurm [--farm-chunk K] [--farm-opts OPTIONS] [--no-wait]]\n"
     "      write the range of each FILE's sequence into a movie, here or as tasks of a cluster"},
    {"farm-report", runFarmReportCommand,
     "farm-report [--json] [--wait] [--quiet] FOLDER\n"
     "      the summary of a translate --farm work folder: the movies, the tasks that never reported"},
    {"verify", runVerifyCommand,
     "verify [--json] [--against FRAME] MOVIE\n"
     "      check a movie: tracks, timecode, referenced frame files; its samples against the frames"},
    {"modes", runModesCommand,
     "modes [--json] [--for FILE [--rate R] [--codec C]]\n"
     "      the output device's display modes, the one chosen for FILE"},
    {"show", runShowCommand,
     "show FILE [--mode N] [--rate R] -o PICTURE.png\n"
     "      FILE's frame on the output device, written as a PNG of the mode's size"},
};

void printUsage(FILE* out) {
    std::fprintf(out, "usage: reelmaker COMMAND [OPTIONS]\n\ncommands:\n");
    for (const Command& command : kCommands)
        std::fprintf(out, "  %s\n", command.synopsis);
    std::fprintf(
        out, "\n'reelmaker help COMMAND' shows a command's options; 'reelmaker --version' the version.\n");
}

const Command* findCommand(const std::string& name) {
    for (const Command& command : kCommands)
        if (name == command.name)
            return &command;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    std::string name = argv[1];
    if (name == "--version" || name == "-V") {
        std::printf("reelmaker %s\n", kReelmakerVersion);
        return 0;
    }
    if (name == "-h" || name == "--help" || (name == "help" && argc == 2)) {
        printUsage(stdout);
        return 0;
    }
    if (name == "help") {
        // Each command prints its own options for --help.
        const Command* command = findCommand(argv[2]);
        if (!command || argc > 3) {
            std::fprintf(stderr, "reelmaker: no command '%s'\n", argv[2]);
            printUsage(stderr);
            return 2;
        }
        return command->run({"--help"});
    }
    Arguments args(argv + 2, argv + argc);
    if (name == "farm-task")
        return runFarmTaskCommand(args);
    if (const Command* command = findCommand(name))
        return command->run(args);
    std::fprintf(stderr, "reelmaker: unknown command '%s'\n", name.c_str());
    printUsage(stderr);
    return 2;
}
