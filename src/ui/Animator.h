#pragma once
#include <cstdint>

#include "base/shared_ptr.h"

// Something the UI server steps once per frame. The attach count tells the
// server's list that the same animator was added twice: the older entry is
// then dropped at the next tick, so a restarted animator never runs twice per
// frame.
class Animator : public shared_object {
public:
    ~Animator() override = default;
    virtual void Attach() { ++attachCount; }
    virtual void Detach() { --attachCount; }
    virtual bool Step() = 0;

    bool Tick() {
        if (attachCount > 1) return false;
        return Step();
    }
    int32_t AttachCount() const { return attachCount; }

private:
    int32_t attachCount = 0;
};
