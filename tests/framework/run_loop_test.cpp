#include "platform/framework/headless/headless_run_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace fw;
using namespace std::chrono_literals;

namespace {

/// A clock the test moves by hand.
struct ManualClock {
    HeadlessRunLoop::Clock::time_point now{};
    HeadlessRunLoop::TimeSource source() {
        return [this] { return now; };
    }
};

} // namespace

TEST(RunLoop, RepeatingTimerFiresOncePerPeriodAndSkipsMissedTicks) {
    ManualClock clock;
    HeadlessRunLoop loop(clock.source());
    int ticks = 0;
    auto timer = loop.scheduledTimerWithTimeInterval(0.25, true, [&](Timer&) { ++ticks; });
    EXPECT_DOUBLE_EQ(timer->timeInterval(), 0.25);

    EXPECT_EQ(loop.pumpOnce(), 0); // not yet due
    clock.now += 249ms;
    loop.pumpOnce();
    EXPECT_EQ(ticks, 0);
    clock.now += 1ms;
    loop.pumpOnce();
    EXPECT_EQ(ticks, 1);
    loop.pumpOnce(); // same instant: no second tick
    EXPECT_EQ(ticks, 1);

    // A run loop that wasn't pumped for a second fires once, then keeps the 0.25 s grid.
    clock.now += 1000ms; // now 1.25 s
    loop.pumpOnce();
    EXPECT_EQ(ticks, 2);
    clock.now += 240ms; // 1.49 s
    loop.pumpOnce();
    EXPECT_EQ(ticks, 2);
    clock.now += 10ms; // 1.50 s
    loop.pumpOnce();
    EXPECT_EQ(ticks, 3);
}

TEST(RunLoop, InvalidateStopsTimerAndReleasesItsTarget) {
    ManualClock clock;
    HeadlessRunLoop loop(clock.source());
    auto target = std::make_shared<int>(0);
    std::shared_ptr<Timer> timer;
    // The timer stops itself from its own callback on the third tick, as a progress timer does.
    timer = loop.scheduledTimerWithTimeInterval(0.1, true, [target, &timer](Timer& t) {
        ++*target;
        EXPECT_EQ(&t, timer.get());
        if (*target == 3)
            t.invalidate();
    });
    EXPECT_EQ(target.use_count(), 2);
    for (int i = 0; i < 6; ++i) {
        clock.now += 100ms;
        loop.pumpOnce();
    }
    EXPECT_EQ(*target, 3);
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(target.use_count(), 1); // the callback and what it captured are gone
    EXPECT_EQ(loop.timerCount(), 0u);
    timer->invalidate(); // again: harmless

    // A one-shot timer fires once and ends; one invalidated before its date never fires.
    int once = 0, never = 0;
    auto oneShot = loop.scheduledTimerWithTimeInterval(0.05, false, [&](Timer&) { ++once; });
    auto cancelled = loop.scheduledTimerWithTimeInterval(0.05, false, [&](Timer&) { ++never; });
    cancelled->invalidate();
    clock.now += 1s;
    loop.pumpOnce();
    loop.pumpOnce();
    EXPECT_EQ(once, 1);
    EXPECT_EQ(never, 0);
    EXPECT_FALSE(oneShot->isValid());
}

TEST(RunLoop, TimersFireInDateOrderAndMayStopEachOther) {
    ManualClock clock;
    HeadlessRunLoop loop(clock.source());
    std::vector<int> order;
    std::shared_ptr<Timer> late;
    auto early = loop.scheduledTimerWithTimeInterval(0.1, false, [&](Timer&) {
        order.push_back(1);
        late->invalidate();
    });
    late = loop.scheduledTimerWithTimeInterval(0.2, false, [&](Timer&) { order.push_back(2); });
    auto middle = loop.scheduledTimerWithTimeInterval(0.15, false, [&](Timer&) { order.push_back(3); });
    clock.now += 1s;
    loop.pumpOnce();
    EXPECT_EQ(order, (std::vector<int>{1, 3}));
}

TEST(RunLoop, WorkPostedFromAnotherThreadRunsOnTheMainThread) {
    HeadlessRunLoop loop;
    EXPECT_TRUE(loop.isMainThread());
    std::atomic<bool> workerSawMain{true};
    std::thread::id ranOn;
    bool done = false;
    std::thread worker([&] {
        workerSawMain = loop.isMainThread();
        std::this_thread::sleep_for(30ms);
        loop.performOnMainThread([&] {
            ranOn = std::this_thread::get_id();
            done = true;
        });
    });
    EXPECT_TRUE(loop.runUntil([&] { return done; }, 5s));
    worker.join();
    EXPECT_FALSE(workerSawMain);
    EXPECT_EQ(ranOn, std::this_thread::get_id());

    // Work posted by work runs at the next turn, not in the same one; runUntil gives up at its timeout.
    int turns = 0;
    loop.performOnMainThread([&] { loop.performOnMainThread([&] { ++turns; }); });
    EXPECT_EQ(loop.pumpOnce(), 1);
    EXPECT_EQ(turns, 0);
    EXPECT_EQ(loop.pumpOnce(), 1);
    EXPECT_EQ(turns, 1);
    EXPECT_FALSE(loop.runUntil([] { return false; }, 30ms));
}

TEST(RunLoop, RunUntilSleepsUntilTheNextTimer) {
    HeadlessRunLoop loop;
    int ticks = 0;
    auto timer = loop.scheduledTimerWithTimeInterval(0.02, true, [&](Timer&) { ++ticks; });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(loop.runUntil([&] { return ticks >= 3; }, 5s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 55ms);
    timer->invalidate();
}

TEST(RunLoop, TheLastPostOfAWorkerMayEndTheRunLoop) {
    // The export's worker posts its last work and the main thread, running it, destroys the run
    // loop: the post must not touch the run loop after its work can run (seen by the sanitizers).
    for (int round = 0; round < 50; ++round) {
        auto loop = std::make_unique<HeadlessRunLoop>();
        HeadlessRunLoop* raw = loop.get();
        std::atomic<bool> ran{false};
        std::thread worker([raw, &ran] { raw->performOnMainThread([&ran] { ran.store(true); }); });
        loop->runUntil([&ran] { return ran.load(); }, 10s);
        loop.reset();
        worker.join();
    }
}
