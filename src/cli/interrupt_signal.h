// Ctrl-C while a translation runs: the handler only counts the interrupts; the command looks at the
// count between turns of its run loop and acts there (cancel at the first, abort at the second).
#pragma once

/// While alive, SIGINT is counted instead of ending the process; the previous handling comes back
/// at destruction. One at a time.
class InterruptCounter {
public:
    InterruptCounter();
    ~InterruptCounter();
    InterruptCounter(const InterruptCounter&) = delete;
    InterruptCounter& operator=(const InterruptCounter&) = delete;

    /// Interrupts received since construction.
    int count() const;
};
