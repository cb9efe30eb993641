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
/// take(i) calls fetch(i) on the caller's thread. The user may stop taking at any point: the destructor lets the fetches under way finish,
/// starts no more, and joins. `fetch` must not throw; what it makes must be plain data, since it
/// crosses threads.
template <class Item>
class OrderedPrefetch {
public:
    using Fetch = std::function<Item(int64_t)>;

    OrderedPrefetch(int64_t first, int64_t end, int threads, int64_t window, Fetch fetch, const char* threadName)
        : m_first(first), m_end(end), m_window(std::max<int64_t>(window, 1)), m_fetch(std::move(fetch)),
          m_threadName(threadName), m_next(first), m_held(first), m_slots(size_t(m_window)) {
        if (threads < 1)
            return;
        const int64_t useful = std::min<int64_t>({threads, std::max<int64_t>(end - first, 0), m_window});
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
        m_changed.notify_all();
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
        m_held = index; // the item before is done with
        m_changed.notify_all();
        std::optional<Item>& slot = m_slots[slotOf(index)];
        m_changed.wait(lock, [&slot] { return slot.has_value(); });
        Item item = std::move(*slot);
        slot.reset();
        return item;
    }

private:
    size_t slotOf(int64_t index) const { return size_t((index - m_first) % m_window); }

    void work() {
        pthread_setname_np(pthread_self(), m_threadName);
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_stop || m_next >= m_end || m_next < m_held + m_window; });
            if (m_stop || m_next >= m_end)
                return;
            const int64_t index = m_next++;
            lock.unlock();
            Item item = m_fetch(index);
            lock.lock();
            m_slots[slotOf(index)] = std::move(item);
            m_changed.notify_all();
        }
    }

    const int64_t m_first;
    const int64_t m_end;
    const int64_t m_window;
    const Fetch m_fetch;
    const char* const m_threadName;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int64_t m_next;                        // the next index a thread fetches
    int64_t m_held;                        // the index taken last (in use), or first before any
    std::vector<std::optional<Item>> m_slots; // by index modulo the window
    bool m_stop = false;
    std::vector<std::thread> m_threads; // last: they start once everything above is made
};
