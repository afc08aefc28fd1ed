#pragma once
#include <cstdint>

// Base of every reference-counted object. The count is a plain integer on
// purpose: every thread that touches shared objects holds the UI lock, so an
// atomic would only cost time.
class shared_object {
public:
    shared_object() = default;
    shared_object(const shared_object&) : refCount(0) {}
    shared_object& operator=(const shared_object&) { return *this; }
    virtual ~shared_object() = default;

    int32_t refCount = 0;
};
