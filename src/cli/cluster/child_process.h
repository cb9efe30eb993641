// Runs a program of the cluster's tools (sbatch, squeue, scancel) to its end and keeps what it
// printed. The child has its own process group and no blocked signals: Ctrl-C at the terminal
// reaches this command alone, which decides what the cluster is told.
#pragma once

#include <string>
#include <vector>

struct ChildOutcome {
    bool started = false; // false: the program could not be run (`out` empty, `err` says why)
    int status = -1;      // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

/// Runs argv[0] (searched on PATH) with standard input from /dev/null and waits for it.
ChildOutcome runChild(const std::vector<std::string>& argv);

/// True when `program` is an executable file on PATH (or is a path to one).
bool programOnPath(const std::string& program);
