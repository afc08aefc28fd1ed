#pragma once
#include "base/shared_object.h"

// Holds a reference-counted object alive across a call that may drop its last
// owner (an event handler removing its sender from the tree, a layout whose
// owner replaces it). An object that nobody owned yet when the guard was made
// is left alone afterwards: destroying it would pull it away from the code
// that is still configuring it.
class KeepAlive {
public:
    explicit KeepAlive(shared_object* object) : object(object), floating(object->refCount == 0) {
        ++object->refCount;
    }
    ~KeepAlive() {
        if (--object->refCount == 0 && !floating) delete object;
    }
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;

private:
    shared_object* object;
    bool floating;
};
