// Ctrl-C while a translation runs. SIGINT is blocked in every thread of the command and taken by
// one thread of its own (sigwait), which counts it and wakes the main run loop: no work happens in
// a signal handler, and the command sees each interrupt at once, between turns of its run loop.
// SIGTERM and SIGHUP (a shutdown, a closed terminal) are taken the same way, so that the command
// can give its export up and remove its temporary file before it ends.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

class InterruptCounter {
public:
    /// From now on SIGINT is counted (SIGTERM and SIGHUP noted) instead of ending the process, and `wake`
    /// (callable from any thread) is called after each. Make it on the main thread before any other thread
    /// starts: threads started later inherit the blocked signal. One at a time.
    explicit InterruptCounter(std::function<void()> wake);
    /// The signals end the process again.
    ~InterruptCounter();
    InterruptCounter(const InterruptCounter&) = delete;
    InterruptCounter& operator=(const InterruptCounter&) = delete;

    /// Interrupts received so far.
    int count() const { return m_count.load(); }
    /// SIGTERM or SIGHUP, the first of them received; 0 while none was.
    int terminatedBy() const { return m_terminatedBy.load(); }

private:
    void waitForInterrupts();

    std::function<void()> m_wake;
    std::atomic<int> m_count{0};
    std::atomic<int> m_terminatedBy{0};
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
