// The main run loop on Qt's event loop: timers on QTimer, work from any thread posted as queued
// calls to an object of the main thread (delivered in the order posted). Work still queued when
// the run loop goes is dropped with it.
#pragma once

#include "platform/framework/run_loop.h"

#include <QObject>
#include <QThread>

#include <memory>
#include <set>

namespace fw {

class QtRunLoop : public RunLoop {
public:
    /// On the thread that will run the event loop (the main thread).
    QtRunLoop();
    ~QtRunLoop() override;

    std::shared_ptr<Timer> scheduledTimerWithTimeInterval(double seconds, bool repeats,
                                                          TimerCallback callback) override;
    void performOnMainThread(std::function<void()> work) override;
    bool isMainThread() const override { return QThread::currentThread() == m_thread; }

    /// Invalidates every timer and drops the queued work, with whatever they keep alive.
    void shutdown();

private:
    friend class QtTimer;
    void release(const std::shared_ptr<Timer>& timer) { m_timers.erase(timer); }

    QThread* m_thread;
    std::unique_ptr<QObject> m_receiver;
    // Valid timers: the run loop keeps them while they run.
    std::set<std::shared_ptr<Timer>> m_timers;
};

} // namespace fw
