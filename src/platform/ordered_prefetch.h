// Work done ahead of its use on a few threads of its own, handed over in order.
//
// Opening a file on network storage costs a round trip; a sequence of thousands of frames opened
// one after another spends its time waiting. Fetching ahead on several threads keeps several
// round trips in flight, while the user of the results still sees them one by one, in order, as a
// sequential loop would.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <system_error>
#include <thread>
#include <vector>

/// Runs fetch(i) for every i in [first, end) on up to `threads` threads, at most `window` items
/// ahead, and hands the results over with take(first), take(first + 1), ... in that order. The item
/// taken last counts as in use until the next take, so at most `window` items exist at once, that
/// one included (a fetch that fills buffer i % window never overwrites one in use). The threads
/// carry `threadName` (at most 15 bytes). With no thread, or none to be had, nothing runs ahead:
/// take(i) calls fetch(i) on the caller's thread. The user may stop taking at any point: the
/// destructor lets the fetches under way finish, starts no more, and joins. `fetch` must not throw;
/// what it makes must be plain data, since it crosses threads.
template <class Item> class OrderedPrefetch {
public:
    using Fetch = std::function<Item(int64_t)>;

    OrderedPrefetch(int64_t first, int64_t end, int threads, int64_t window, Fetch fetch,
                    const char* threadName)
        : m_first(first), m_end(end), m_window(std::clamp<int64_t>(window, 1, std::max<int64_t>(end - first, 1))),
          m_fetch(std::move(fetch)),
          m_threadName(threadName), m_wakeRoom(std::clamp<int64_t>(m_window / 2, 1, kLargestBatch)),
          m_next(first), m_held(first), m_slots(size_t(m_window)) {
        // One item has nothing to overlap with: it is fetched when taken.
        if (threads < 1 || end - first < 2)
            return;
        // A thread costs about as much to start as a few items take to fetch from a local disk: a
        // short run gets fewer.
        const int64_t items = std::max<int64_t>(end - first, 0);
        const int64_t useful =
            std::min<int64_t>({threads, (items + kLeastItemsPerThread - 1) / kLeastItemsPerThread, m_window});
        m_threadCount = std::max<int64_t>(useful, 1);
        for (int64_t k = 0; k < useful; ++k) {
            try {
                m_threads.emplace_back([this] { work(); });
            } catch (const std::system_error&) {
                break; // those that started suffice; with none, take() fetches itself
            }
        }
    }

    ~OrderedPrefetch() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_roomAhead.notify_all();
        for (std::thread& thread : m_threads)
            thread.join();
    }

    OrderedPrefetch(const OrderedPrefetch&) = delete;
    OrderedPrefetch& operator=(const OrderedPrefetch&) = delete;

    /// The item of `index`, waiting for it if needed; indices are taken in increasing order.
    Item take(int64_t index) {
        if (m_threads.empty())
            return m_fetch(index);
        std::unique_lock<std::mutex> lock(m_mutex);
        if (index != m_held) {
            m_held = index; // the item before is done with: one more may be fetched
            // A thread is woken when a batch's worth of room is free, or when nothing is under way
            // for the item wanted; threads still fetching look for room themselves.
            if (index >= m_next || roomAhead() >= m_wakeRoom)
                m_roomAhead.notify_one();
        }
        std::optional<Item>& slot = m_slots[slotOf(index)];
        m_waitingFor = index;
        m_ready.wait(lock, [&slot] { return slot.has_value(); });
        m_waitingFor = -1;
        Item item = std::move(*slot);
        slot.reset();
        return item;
    }

private:
    size_t slotOf(int64_t index) const { return size_t((index - m_first) % m_window); }

    // Items that may be fetched now: those of the window not yet claimed.
    int64_t roomAhead() const { return std::min(m_end, m_held + m_window) - m_next; }

    void work() {
        pthread_setname_np(pthread_self(), m_threadName);
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_roomAhead.wait(lock, [this] { return m_stop || roomAhead() > 0 || m_next >= m_end; });
            if (m_stop || m_next >= m_end)
                return;
            // A few items at a time, shared out among the threads: fewer turns at the lock and
            // fewer wake-ups, which matters when an item takes microseconds.
            const int64_t first = m_next;
            const int64_t count = std::clamp<int64_t>(roomAhead() / m_threadCount, 1, kLargestBatch);
            m_next += count;
            lock.unlock();
            for (int64_t index = first; index < first + count; ++index) {
                Item item = m_fetch(index);
                // Each item is handed over as soon as it is there: one that waits on its storage
                // holds back no item before it.
                std::lock_guard<std::mutex> hold(m_mutex);
                m_slots[slotOf(index)] = std::move(item);
                if (index == m_waitingFor)
                    m_ready.notify_one();
            }
            lock.lock();
        }
    }

    static constexpr int64_t kLargestBatch = 8;
    static constexpr int64_t kLeastItemsPerThread = 16;

    const int64_t m_first;
    const int64_t m_end;
    const int64_t m_window;
    const Fetch m_fetch;
    const char* const m_threadName;
    const int64_t m_wakeRoom; // room that wakes a waiting thread
    std::mutex m_mutex;
    std::condition_variable m_ready;          // the item the user waits for is there
    std::condition_variable m_roomAhead;      // a thread may fetch one more
    int64_t m_next;                           // the next index a thread fetches
    int64_t m_held;                           // the index taken last (in use), or first before any
    int64_t m_waitingFor = -1;                // the index the user waits for, or -1
    std::vector<std::optional<Item>> m_slots; // by index modulo the window
    bool m_stop = false;
    int64_t m_threadCount = 1;          // the threads meant to run, among whom a window is shared
    std::vector<std::thread> m_threads; // last: they start once everything above is made
};
