#pragma once
#include <cstdint>
#include <functional>

#include "base/Singleton.h"

// A seconds clock over the high-resolution counter, for measuring real
// elapsed time where speed matters (the fling of a list). The counter is
// shifted down to at most 2 MHz so that 32-bit differences suffice.
class PerformanceFrequency : public Singleton<PerformanceFrequency> {
public:
    using Counter = std::function<uint64_t()>;

    // A clock over any counter of `frequency` ticks per second (tests drive
    // it by hand).
    PerformanceFrequency(uint64_t frequency, Counter counter);

    double Now();
    int Shift() const { return shift; }
    double Period() const { return period; }

    // Counted calls after which a clock whose seconds no longer grow is
    // pushed on by one second.
    static constexpr uint32_t kStallLimit = 100000;

private:
    friend class Singleton<PerformanceFrequency>;
    PerformanceFrequency();

    Counter counter;
    int shift = 0;
    double period = 0.0;
    double seconds = 0.0;
    double lastSeconds = 0.0;
    uint32_t lastCounter = 0;
    uint32_t stallCount = 0;
    bool first = true;
};
