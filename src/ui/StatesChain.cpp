#include "ui/StatesChain.h"

#include "base/KeepAlive.h"

bool StatesChain::GoToState(int n) {
    if (locked || n < 0 || n >= stateCount || driverCount > 1) return false;
    KeepAlive guard(this);  // a handler may drop the last reference
    int old = current;
    current = n;
    if (!ApplyState(old, n, stateCount)) return false;
    stateChanged.Invoke(this, old, n, stateCount);
    return true;
}
