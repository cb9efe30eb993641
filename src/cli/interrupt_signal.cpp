#include "cli/interrupt_signal.h"

#include <atomic>
#include <csignal>

namespace {

// A signal handler can reach nothing but a lock-free atomic: this is the only state it touches.
std::atomic<int> g_interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free);

struct sigaction g_previous {};

extern "C" void countInterrupt(int) {
    g_interrupts.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

InterruptCounter::InterruptCounter() {
    g_interrupts.store(0);
    struct sigaction action {};
    action.sa_handler = countInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // reads and writes in flight go on
    sigaction(SIGINT, &action, &g_previous);
}

InterruptCounter::~InterruptCounter() {
    sigaction(SIGINT, &g_previous, nullptr);
}

int InterruptCounter::count() const {
    return g_interrupts.load(std::memory_order_relaxed);
}
