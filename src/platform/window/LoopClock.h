#pragma once
#include <chrono>
#include <cstdint>
#include <mutex>

namespace platform {

// The message loop's clock in milliseconds. It follows real time, and the
// headless backend may jump it ahead when the loop would only wait for a
// timer: animations then finish at once while threads still see real time.
class LoopClock {
public:
    using RealClock = std::chrono::steady_clock;

    LoopClock();
    std::uint64_t Now() const;
    // Moves the clock forward to `ms` (never backwards).
    void JumpTo(std::uint64_t ms);
    // The real moment at which Now() will reach `ms` (if nothing jumps).
    RealClock::time_point RealTimeOf(std::uint64_t ms) const;
    std::uint64_t Jumped() const;

private:
    mutable std::mutex mutex;
    RealClock::time_point base;
    std::uint64_t jumped = 0;
};

}  // namespace platform
