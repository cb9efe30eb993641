#include "platform/framework/headless/headless_run_loop.h"

#include <algorithm>

namespace fw {

namespace {

// How long runUntil sleeps at most before looking at its condition again: a condition that another
// thread changes without posting work (an atomic flag) is still seen promptly.
constexpr std::chrono::milliseconds kLongestSleep{20};

} // namespace

class HeadlessRunLoop::HeadlessTimer : public Timer {
public:
    HeadlessTimer(Clock::duration period, bool repeats, TimerCallback callback, Clock::time_point firstDate)
        : m_period(period), m_repeats(repeats), m_callback(std::move(callback)), m_date(firstDate) {}

    void invalidate() override {
        m_valid = false;
        m_callback = nullptr;
    }
    bool isValid() const override { return m_valid; }
    double timeInterval() const override { return std::chrono::duration<double>(m_period).count(); }

    Clock::time_point date() const { return m_date; }

    /// Runs the callback for the turn at `turnTime`, then moves the date on or ends the timer.
    void fire(Clock::time_point turnTime) {
        // A copy, so that the callback may invalidate its own timer while it runs.
        TimerCallback callback = m_callback;
        if (callback)
            callback(*this);
        if (!m_valid)
            return;
        if (!m_repeats) {
            invalidate();
            return;
        }
        m_date += m_period;
        if (m_date <= turnTime) {
            const auto missed = (turnTime - m_date) / m_period + 1;
            m_date += missed * m_period;
        }
    }

private:
    Clock::duration m_period;
    bool m_repeats;
    TimerCallback m_callback;
    Clock::time_point m_date;
    bool m_valid = true;
};

HeadlessRunLoop::HeadlessRunLoop(TimeSource now)
    : m_now(std::move(now)), m_mainThread(std::this_thread::get_id()) {}

HeadlessRunLoop::~HeadlessRunLoop() {
    shutdown();
}

void HeadlessRunLoop::shutdown() {
    // Timers and posted work hold their targets through their callbacks; let go of them, outside
    // the lock and the timer list, since a target's destruction may reach the run loop.
    std::vector<std::shared_ptr<HeadlessTimer>> timers;
    timers.swap(m_timers);
    for (const auto& timer : timers)
        timer->invalidate();
    std::deque<std::function<void()>> work;
    {
        std::lock_guard<std::mutex> lock(m_postMutex);
        work.swap(m_posted);
    }
}

std::shared_ptr<Timer> HeadlessRunLoop::scheduledTimerWithTimeInterval(double seconds, bool repeats,
                                                                       TimerCallback callback) {
    const double period = seconds > 0 ? seconds : 0.0001;
    const auto duration = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(period));
    auto timer = std::make_shared<HeadlessTimer>(std::max(duration, Clock::duration(1)), repeats,
                                                 std::move(callback), now() + duration);
    m_timers.push_back(timer);
    return timer;
}

void HeadlessRunLoop::performOnMainThread(std::function<void()> work) {
    // Notified under the lock: once the work is posted, the main thread may run it and destroy this
    // run loop (the last of an export), so nothing of it may be touched after the lock is released.
    std::lock_guard<std::mutex> lock(m_postMutex);
    m_posted.push_back(std::move(work));
    m_posted_cv.notify_all();
}

int HeadlessRunLoop::pumpOnce() {
    int ran = 0;
    std::deque<std::function<void()>> work;
    {
        std::lock_guard<std::mutex> lock(m_postMutex);
        work.swap(m_posted);
    }
    for (auto& item : work) {
        item();
        ++ran;
    }

    const Clock::time_point turnTime = now();
    std::vector<std::shared_ptr<HeadlessTimer>> due;
    for (const auto& timer : m_timers) {
        if (timer->isValid() && timer->date() <= turnTime)
            due.push_back(timer);
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const auto& a, const auto& b) { return a->date() < b->date(); });
    for (const auto& timer : due) {
        if (!timer->isValid()) // invalidated by an earlier callout of this turn
            continue;
        timer->fire(turnTime);
        ++ran;
    }
    dropInvalidTimers();
    return ran;
}

bool HeadlessRunLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (done())
            return true;
        pumpOnce();
        if (done())
            return true;
        const auto realNow = Clock::now();
        if (realNow >= deadline)
            return false;
        auto wake = std::min(deadline, realNow + kLongestSleep);
        const auto loopNow = now();
        for (const auto& timer : m_timers) {
            if (timer->isValid())
                wake = std::min(wake, realNow + std::max(Clock::duration::zero(), timer->date() - loopNow));
        }
        std::unique_lock<std::mutex> lock(m_postMutex);
        m_posted_cv.wait_until(lock, wake, [this] { return !m_posted.empty(); });
    }
}

void HeadlessRunLoop::runFor(std::chrono::milliseconds duration) {
    runUntil([] { return false; }, duration);
}

size_t HeadlessRunLoop::timerCount() const {
    return size_t(
        std::count_if(m_timers.begin(), m_timers.end(), [](const auto& t) { return t->isValid(); }));
}

void HeadlessRunLoop::dropInvalidTimers() {
    m_timers.erase(
        std::remove_if(m_timers.begin(), m_timers.end(), [](const auto& t) { return !t->isValid(); }),
        m_timers.end());
}

} // namespace fw
