// A clock the test moves by hand: playback sees time pass only when the test says so.
#pragma once

#include "platform/clock.h"

#include <atomic>

namespace testsupport {

class ManualClock final : public Clock {
public:
    double now() const override { return m_now.load(); }
    void advance(double seconds) { m_now.store(m_now.load() + seconds); }

private:
    std::atomic<double> m_now{1000.0};
};

} // namespace testsupport
