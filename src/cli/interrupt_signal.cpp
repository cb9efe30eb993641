#include "cli/interrupt_signal.h"

#include <csignal>
#include <pthread.h>

namespace {

sigset_t interruptSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

InterruptCounter::InterruptCounter(std::function<void()> wake) : m_wake(std::move(wake)) {
    const sigset_t set = interruptSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    m_thread = std::thread(&InterruptCounter::waitForInterrupts, this);
}

InterruptCounter::~InterruptCounter() {
    m_stopping.store(true);
    pthread_kill(m_thread.native_handle(), SIGINT);
    m_thread.join();
    const sigset_t set = interruptSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void InterruptCounter::waitForInterrupts() {
    const sigset_t set = interruptSet();
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0)
            continue;
        if (m_stopping.load())
            return;
        if (signal == SIGINT) {
            m_count.fetch_add(1);
        } else {
            int none = 0;
            m_terminatedBy.compare_exchange_strong(none, signal);
        }
        if (m_wake)
            m_wake();
    }
}
