#pragma once
#include <functional>
#include <map>
#include <mutex>

namespace platform {

// Subsystems with work on other threads (HTTP jobs, install and uninstall
// jobs) register a probe answering "am I idle?". The headless loop only jumps
// its clock ahead, and a script's wait-idle only returns, when every probe
// says yes. Kept in the platform layer so that net and apps can register
// without knowing the UI.
class IdleProbes {
public:
    using Probe = std::function<bool()>;
    static IdleProbes& Instance();

    int Add(Probe probe);
    void Remove(int token);
    bool AllIdle() const;

private:
    mutable std::mutex mutex;
    std::map<int, Probe> probes;
    int next = 1;
};

// Registers a probe for the lifetime of the object.
class ScopedIdleProbe {
public:
    explicit ScopedIdleProbe(IdleProbes::Probe probe) : token(IdleProbes::Instance().Add(std::move(probe))) {}
    ~ScopedIdleProbe() { IdleProbes::Instance().Remove(token); }
    ScopedIdleProbe(const ScopedIdleProbe&) = delete;
    ScopedIdleProbe& operator=(const ScopedIdleProbe&) = delete;

private:
    int token;
};

}  // namespace platform
