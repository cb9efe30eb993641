// The main thread's run loop: repeating and one-shot timers, and work posted from other threads.
//
// Timers are scheduled and invalidated on the main thread, and fire there. A repeating timer
// keeps its period from its scheduled dates, not from when it actually ran: a tick that comes late
// (a long callout, a run loop not pumped) fires once, and the next date is the first multiple of
// the period after the present, so missed ticks are skipped rather than fired in a burst.
#pragma once

#include <functional>
#include <memory>

namespace fw {

class Timer {
public:
    virtual ~Timer() = default;
    /// Stops the timer for good and lets go of its callback (and whatever the callback holds, such
    /// as the document that owns the timer). Safe inside the timer's own callback; idempotent.
    virtual void invalidate() = 0;
    virtual bool isValid() const = 0;
    /// The period in seconds (of a repeating timer; the delay of a one-shot timer).
    virtual double timeInterval() const = 0;
};

class RunLoop {
public:
    using TimerCallback = std::function<void(Timer&)>;

    virtual ~RunLoop() = default;

    /// Schedules a timer on this run loop that first fires `seconds` from now (a period of 0 or less
    /// is taken as 0.1 ms) and, when `repeats`, every `seconds` after that until invalidated. The run
    /// loop keeps the timer while it is valid; a one-shot timer invalidates itself after firing.
    /// Main thread only.
    virtual std::shared_ptr<Timer> scheduledTimerWithTimeInterval(double seconds, bool repeats,
                                                                 TimerCallback callback) = 0;

    /// Runs `work` on the main thread at the run loop's next turn, after the work posted before it.
    /// Callable from any thread; never runs `work` before returning, even on the main thread.
    virtual void performOnMainThread(std::function<void()> work) = 0;

    /// True on the run loop's own thread.
    virtual bool isMainThread() const = 0;
};

} // namespace fw
