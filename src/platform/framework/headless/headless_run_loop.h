// A run loop that runs only when pumped: the command line and the tests drive it explicitly.
//
// The thread that makes it is its main thread. pumpOnce() runs the posted work, then the timers
// whose date has come; runUntil() pumps, sleeping between turns, until a condition holds or a
// timeout passes. Time comes from a clock that tests may replace to step through timer dates
// without sleeping (pumpOnce only; runUntil waits in real time).
#pragma once

#include "platform/framework/run_loop.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace fw {

class HeadlessRunLoop : public RunLoop {
public:
    using Clock = std::chrono::steady_clock;
    using TimeSource = std::function<Clock::time_point()>;

    /// `now` defaults to the steady clock.
    explicit HeadlessRunLoop(TimeSource now = {});
    ~HeadlessRunLoop() override;

    std::shared_ptr<Timer> scheduledTimerWithTimeInterval(double seconds, bool repeats,
                                                         TimerCallback callback) override;
    void performOnMainThread(std::function<void()> work) override;
    bool isMainThread() const override { return std::this_thread::get_id() == m_mainThread; }

    /// One turn: runs the work posted before the turn began, then fires, in date order, each valid
    /// timer whose date has come (each at most once). Returns how many callouts ran.
    int pumpOnce();

    /// Pumps until `done()` is true (checked before and after each turn) or `timeout` has passed,
    /// sleeping until the next timer date or posted work in between. Returns done().
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    /// Pumps for the given time, then returns.
    void runFor(std::chrono::milliseconds duration);

    /// Valid timers scheduled on this run loop.
    size_t timerCount() const;

    /// Invalidates every timer and drops the posted work, letting go of what their callbacks hold.
    void shutdown();

private:
    class HeadlessTimer;

    Clock::time_point now() const { return m_now ? m_now() : Clock::now(); }
    void dropInvalidTimers();

    TimeSource m_now;
    std::thread::id m_mainThread;
    std::vector<std::shared_ptr<HeadlessTimer>> m_timers;  // main thread only

    mutable std::mutex m_postMutex;  // guards m_posted
    std::condition_variable m_posted_cv;
    std::deque<std::function<void()>> m_posted;
};

} // namespace fw
