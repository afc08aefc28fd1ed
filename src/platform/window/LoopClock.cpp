#include "platform/window/LoopClock.h"

namespace platform {

using std::chrono::duration_cast;
using std::chrono::milliseconds;

// Starts at a non-zero count so that a tick count of 0 never means "never".
LoopClock::LoopClock() : base(RealClock::now() - milliseconds(1000)) {}

std::uint64_t LoopClock::Now() const {
    std::lock_guard lock(mutex);
    auto real = duration_cast<milliseconds>(RealClock::now() - base).count();
    return static_cast<std::uint64_t>(real) + jumped;
}

void LoopClock::JumpTo(std::uint64_t ms) {
    std::lock_guard lock(mutex);
    auto real = static_cast<std::uint64_t>(duration_cast<milliseconds>(RealClock::now() - base).count());
    if (ms > real + jumped) jumped = ms - real;
}

LoopClock::RealClock::time_point LoopClock::RealTimeOf(std::uint64_t ms) const {
    std::lock_guard lock(mutex);
    if (ms < jumped) return base;
    return base + milliseconds(ms - jumped);
}

std::uint64_t LoopClock::Jumped() const {
    std::lock_guard lock(mutex);
    return jumped;
}

}  // namespace platform
