#include "platform/qt/qt_run_loop.h"

#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace fw {

class QtTimer : public Timer, public std::enable_shared_from_this<QtTimer> {
public:
    QtTimer(QtRunLoop& runLoop, double seconds, bool repeats, RunLoop::TimerCallback callback)
        : m_runLoop(&runLoop), m_interval(seconds), m_callback(std::move(callback)), m_timer(new QTimer) {
        // A period of 0 or less is a tenth of a millisecond: as soon as the loop turns.
        m_timer->setInterval(std::max(0, int(std::lround(seconds * 1000.0))));
        m_timer->setSingleShot(!repeats);
        m_timer->setTimerType(Qt::PreciseTimer);
    }
    // Later: the timer may be let go of inside its own timeout.
    ~QtTimer() override { m_timer->deleteLater(); }

    void start() {
        std::weak_ptr<QtTimer> weak = weak_from_this();
        QObject::connect(m_timer, &QTimer::timeout, m_timer, [weak] {
            if (std::shared_ptr<QtTimer> timer = weak.lock())
                timer->fire();
        });
        m_timer->start();
    }
    void invalidate() override {
        if (!m_valid)
            return;
        m_valid = false;
        m_timer->stop();
        // The callback may hold this timer's owner: let go of it after this call returns.
        RunLoop::TimerCallback callback = std::move(m_callback);
        m_callback = nullptr;
        std::shared_ptr<QtTimer> self = shared_from_this();
        if (m_runLoop)
            m_runLoop->release(self);
    }
    bool isValid() const override { return m_valid; }
    double timeInterval() const override { return m_interval; }
    void forgetRunLoop() { m_runLoop = nullptr; }

private:
    void fire() {
        if (!m_valid)
            return;
        std::shared_ptr<QtTimer> self = shared_from_this();
        RunLoop::TimerCallback callback = m_callback;
        const bool oneShot = m_timer->isSingleShot();
        if (callback)
            callback(*this);
        if (oneShot)
            invalidate();
    }

    QtRunLoop* m_runLoop;
    double m_interval;
    RunLoop::TimerCallback m_callback;
    QTimer* m_timer;
    bool m_valid = true;
};

QtRunLoop::QtRunLoop() : m_thread(QThread::currentThread()), m_receiver(std::make_unique<QObject>()) {}

QtRunLoop::~QtRunLoop() {
    shutdown();
}

void QtRunLoop::shutdown() {
    std::set<std::shared_ptr<Timer>> timers;
    timers.swap(m_timers);
    for (const auto& timer : timers) {
        static_cast<QtTimer*>(timer.get())->forgetRunLoop();
        timer->invalidate();
    }
    timers.clear();
    // Queued calls go with their receiver; a new one takes later work.
    m_receiver = std::make_unique<QObject>();
}

std::shared_ptr<Timer> QtRunLoop::scheduledTimerWithTimeInterval(double seconds, bool repeats,
                                                                 TimerCallback callback) {
    auto timer = std::make_shared<QtTimer>(*this, seconds, repeats, std::move(callback));
    m_timers.insert(timer);
    timer->start();
    return timer;
}

void QtRunLoop::performOnMainThread(std::function<void()> work) {
    QMetaObject::invokeMethod(
        m_receiver.get(), [work = std::move(work)] { work(); }, Qt::QueuedConnection);
}

} // namespace fw
