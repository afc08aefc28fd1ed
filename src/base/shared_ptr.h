#pragma once
#include <cstddef>
#include <functional>
#include <utility>

#include "shared_object.h"

// Intrusive pointer over shared_object. Objects start with a count of 0 and are
// normally handed straight to a shared_ptr. Releasing decrements only a
// positive count, then destroys the object once the count is 0.
template <class T>
class shared_ptr {
public:
    shared_ptr() = default;
    shared_ptr(std::nullptr_t) {}
    shared_ptr(T* p) : ptr(p) { Retain(); }
    shared_ptr(const shared_ptr& o) : ptr(o.ptr) { Retain(); }
    shared_ptr(shared_ptr&& o) noexcept : ptr(o.ptr) { o.ptr = nullptr; }
    template <class U>
    shared_ptr(const shared_ptr<U>& o) : ptr(o.get()) { Retain(); }
    ~shared_ptr() { Release(); }

    shared_ptr& operator=(const shared_ptr& o) { return Assign(o.ptr); }
    template <class U>
    shared_ptr& operator=(const shared_ptr<U>& o) { return Assign(o.get()); }
    shared_ptr& operator=(T* p) { return Assign(p); }
    shared_ptr& operator=(std::nullptr_t) { return Assign(nullptr); }
    shared_ptr& operator=(shared_ptr&& o) noexcept {
        if (this != &o) {
            T* old = ptr;
            ptr = o.ptr;
            o.ptr = nullptr;
            ReleaseObject(old);
        }
        return *this;
    }

    T* get() const { return ptr; }
    T* operator->() const { return ptr; }
    T& operator*() const { return *ptr; }
    explicit operator bool() const { return ptr != nullptr; }
    void reset() { Assign(nullptr); }

    template <class U>
    shared_ptr<U> cast() const { return shared_ptr<U>(dynamic_cast<U*>(ptr)); }

    friend bool operator==(const shared_ptr& a, const shared_ptr& b) { return a.ptr == b.ptr; }
    friend bool operator==(const shared_ptr& a, std::nullptr_t) { return a.ptr == nullptr; }
    friend bool operator==(const shared_ptr& a, const T* b) { return a.ptr == b; }
    friend bool operator<(const shared_ptr& a, const shared_ptr& b) { return std::less<T*>()(a.ptr, b.ptr); }

private:
    shared_ptr& Assign(T* p) {
        if (p == ptr) return *this;  // self-assignment changes no count
        T* old = ptr;
        ptr = p;
        Retain();
        ReleaseObject(old);
        return *this;
    }
    void Retain() {
        if (ptr) ++static_cast<shared_object*>(ptr)->refCount;
    }
    void Release() {
        T* old = ptr;
        ptr = nullptr;
        ReleaseObject(old);
    }
    static void ReleaseObject(T* p) {
        if (!p) return;
        shared_object* o = p;
        if (o->refCount > 0) --o->refCount;
        if (o->refCount == 0) delete o;
    }

    T* ptr = nullptr;
};

// Creates an object and hands it to its first owner in one step.
template <class T, class... Args>
shared_ptr<T> make_shared_obj(Args&&... args) {
    return shared_ptr<T>(new T(std::forward<Args>(args)...));
}
