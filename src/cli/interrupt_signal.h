// Ctrl-C while a translation runs. SIGINT is blocked in every thread of the command and taken by
// one thread of its own (sigwait), which counts it and wakes the main run loop: no work happens in
// a signal handler, and the command sees each interrupt at once, between turns of its run loop.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

class InterruptCounter {
public:
    /// From now on SIGINT is counted instead of ending the process, and `wake` (callable from any
    /// thread) is called after each. Make it on the main thread before any other thread starts:
    /// threads started later inherit the blocked signal. One at a time.
    explicit InterruptCounter(std::function<void()> wake);
    /// SIGINT ends the process again.
    ~InterruptCounter();
    InterruptCounter(const InterruptCounter&) = delete;
    InterruptCounter& operator=(const InterruptCounter&) = delete;

    /// Interrupts received so far.
    int count() const { return m_count.load(); }

private:
    void waitForInterrupts();

    std::function<void()> m_wake;
    std::atomic<int> m_count{0};
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
