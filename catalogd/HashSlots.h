#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace catalogd {

// Password hashing takes tens of MiB and a core's full attention for a
// deliberate while. This bounds how many hashes run at once, whatever the
// number of workers, so that memory for hashing is bounded by the slots: a
// request that gets no slot within a short wait is refused rather than queued.
class HashSlots {
public:
    // `slots` 0: fitted to the machine (half its cores, at least one, at most four).
    HashSlots(int slots, std::chrono::milliseconds wait);

    // Runs `work` in a slot; false (and `work` not run) when no slot came
    // free within the wait.
    bool Run(const std::function<void()>& work);

    struct Counts {
        int64_t runs = 0;     // works run
        int64_t refused = 0;  // requests that got no slot
        int peak = 0;         // most works that ever ran at once
    };
    Counts Totals() const;
    int Slots() const { return slots; }

    static int Fitted();

private:
    const int slots;
    const std::chrono::milliseconds wait;
    mutable std::mutex mutex;
    std::condition_variable freed;
    int busy = 0;
    Counts counts;
};

}  // namespace catalogd
