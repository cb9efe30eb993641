// Work fetched ahead on threads of its own, handed over in order.
#include "platform/ordered_prefetch.h"

#include <gtest/gtest.h>

#include <thread>

TEST(OrderedPrefetch, HandsOverInOrderAndStartsNoThreadForASingleItem) {
    struct Case {
        int64_t items;
        bool someAhead; // whether any item may come from another thread
    };
    for (const Case& c : {Case{1, false}, Case{0, false}, Case{200, true}}) {
        const std::thread::id caller = std::this_thread::get_id();
        struct Fetched {
            int64_t index;
            std::thread::id thread;
        };
        OrderedPrefetch<Fetched> ahead(
            0, c.items, 8, 1024, [](int64_t i) { return Fetched{i, std::this_thread::get_id()}; }, "test-read");
        bool elsewhere = false;
        for (int64_t i = 0; i < c.items; ++i) {
            const Fetched fetched = ahead.take(i);
            EXPECT_EQ(fetched.index, i);
            elsewhere |= fetched.thread != caller;
        }
        // A folder of one-frame sequences must not start a thread per sequence.
        if (!c.someAhead)
            EXPECT_FALSE(elsewhere) << c.items << " items";
    }
}
