#pragma once
#include <utility>

#include "base/shared_object.h"

// Holds a reference-counted object alive while code that may drop its last
// owner still runs: a scoped guard across an event handler that removes its
// sender from the tree, or a handler of a one-shot event that keeps its
// record until it has run although the record left every map meanwhile.
//
// The contract:
// - Making a guard takes one reference; letting it go (Drop or the end of its
//   life) gives it back once. The object is destroyed then if that was the
//   last reference.
// - An object that nobody owned when the first guard was made is never
//   destroyed by it, nor by its copies: it still belongs to the code that is
//   making or configuring it, and would be pulled away from under it.
// - Copies hold a reference of their own (a handler stored in a copyable
//   function is copied); a moved-from guard holds nothing.
// - A handler that must not keep its object beyond its one run drops the
//   guard itself, so no cycle through the event outlives it; Get() answers
//   null afterwards.
// Like the count it adjusts, a guard is used under the UI lock only.
template <class T>
class KeepAlive {
public:
    explicit KeepAlive(T* object) : object(object), floating(object->refCount == 0) { ++object->refCount; }
    KeepAlive(const KeepAlive& other) : object(other.object), floating(other.floating) {
        if (object) ++object->refCount;
    }
    KeepAlive(KeepAlive&& other) noexcept : object(std::exchange(other.object, nullptr)), floating(other.floating) {}
    KeepAlive& operator=(const KeepAlive&) = delete;
    KeepAlive& operator=(KeepAlive&&) = delete;
    ~KeepAlive() { Drop(); }

    T* Get() const { return object; }

    void Drop() {
        shared_object* held = std::exchange(object, nullptr);
        if (held && --held->refCount == 0 && !floating) delete held;
    }

private:
    T* object;
    bool floating;
};
