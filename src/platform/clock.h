// The one way time enters playback: a monotonic clock in seconds. Tests hand the player a clock
// they move by hand, so that what a test sees never depends on how fast the machine is.
#pragma once

class Clock {
public:
    virtual ~Clock() = default;
    /// Seconds since an arbitrary start; never goes back. Any thread.
    virtual double now() const = 0;
};

/// The process's steady clock.
const Clock& steadyClock();
