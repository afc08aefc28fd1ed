#include "HashSlots.h"

#include <algorithm>
#include <thread>

namespace catalogd {

int HashSlots::Fitted() {
    // Hashing is bound by the processor: more at once than cores only adds
    // memory. Half the cores leaves the other half to every other request.
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores / 2, 1, 4);
}

HashSlots::HashSlots(int slots, std::chrono::milliseconds wait) : slots(slots > 0 ? slots : Fitted()), wait(wait) {}

bool HashSlots::Run(const std::function<void()>& work) {
    {
        std::unique_lock lock(mutex);
        if (!freed.wait_for(lock, wait, [this] { return busy < slots; })) {
            ++counts.refused;
            return false;
        }
        ++busy;
        ++counts.runs;
        counts.peak = std::max(counts.peak, busy);
    }
    struct Release {
        HashSlots& owner;
        ~Release() {
            {
                std::lock_guard lock(owner.mutex);
                --owner.busy;
            }
            owner.freed.notify_one();
        }
    } release{*this};
    work();
    return true;
}

HashSlots::Counts HashSlots::Totals() const {
    std::lock_guard lock(mutex);
    return counts;
}

}  // namespace catalogd
