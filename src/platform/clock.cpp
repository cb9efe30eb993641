#include "platform/clock.h"

#include <chrono>

namespace {

class SteadyClock final : public Clock {
public:
    double now() const override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
};

} // namespace

const Clock& steadyClock() {
    static const SteadyClock clock;
    return clock;
}
