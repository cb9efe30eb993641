// A gate on the opening of one frame file by an export's worker (see open_gate_preload.c): the test
// holds the export at a known frame, acts (interrupts, cancels, aborts), then lets it go on.
#pragma once

#include "support/test_support.h"

#include <functional>
#include <string>

namespace testsupport {

class OpenGate {
public:
    /// Gates the first opening of a file named `fileName` by an export's thread, in
    /// this process (when the gate is preloaded into it) and in the commands that `environment()`
    /// prefixes.
    explicit OpenGate(std::string fileName);
    /// Lets a held worker go and takes the gate away.
    ~OpenGate();
    OpenGate(const OpenGate&) = delete;
    OpenGate& operator=(const OpenGate&) = delete;

    /// True when this process was started with the gate preloaded.
    static bool preloadedHere();
    /// Shell words that run a command with the gate preloaded (LD_PRELOAD and the gate's variables).
    std::string environment() const;
    /// The gate's marker files, for shell scripts: "reached" appears when a worker is held there;
    /// creating "release" lets it go.
    std::string reachedMarker() const { return m_dir.file("reached"); }
    std::string releaseMarker() const { return m_dir.file("release"); }

    /// Waits until a thread is held at the gate and then, when given, until `caughtUp` holds: the
    /// gate may hold a thread reading ahead while the worker still uses the frames before (false
    /// after two minutes).
    bool waitUntilReached(const std::function<bool()>& caughtUp = {}) const;
    void release() const;

private:
    std::string m_fileName;
    TempDir m_dir;
};

/// Skips the current test with a message when the gate is not preloaded into the test process.
#define REQUIRE_OPEN_GATE()                                                                                  \
    do {                                                                                                     \
        if (!testsupport::OpenGate::preloadedHere())                                                         \
            GTEST_SKIP() << "the open gate is not preloaded (run through ctest); skipping";                  \
    } while (0)

} // namespace testsupport
