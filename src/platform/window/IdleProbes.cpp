#include "platform/window/IdleProbes.h"

#include <vector>

namespace platform {

IdleProbes& IdleProbes::Instance() {
    static IdleProbes probes;
    return probes;
}

int IdleProbes::Add(Probe probe) {
    std::lock_guard lock(mutex);
    probes.emplace(next, std::move(probe));
    return next++;
}

void IdleProbes::Remove(int token) {
    std::lock_guard lock(mutex);
    probes.erase(token);
}

// The probes run outside the registry's lock: a probe takes its own
// subsystem's lock, and that subsystem may be registering a probe right now.
bool IdleProbes::AllIdle() const {
    std::vector<Probe> copy;
    {
        std::lock_guard lock(mutex);
        for (auto& [token, p] : probes) copy.push_back(p);
    }
    for (auto& p : copy)
        if (!p()) return false;
    return true;
}

}  // namespace platform
