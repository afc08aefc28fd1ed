#pragma once
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "shared_ptr.h"

// One callback with N call arguments. The numbered names (Delegate_0 ..
// Delegate_5 and friends) are aliases of these variadic templates so that
// every arity shares one implementation.
template <class... A>
class Delegate : public shared_object {
public:
    virtual bool Equals(const Delegate& /*other*/) const { return false; }
    bool NotEquals(const Delegate& other) const { return !Equals(other); }
    virtual void Invoke(A... args) = 0;
};

// Binds a callback to a member function of an object. The target is held by a
// raw pointer: a delegate never keeps its target alive.
template <class C, class... A>
class MemFnDelegat : public Delegate<A...> {
public:
    using Method = void (C::*)(A...);
    MemFnDelegat(C* object, Method method) : object(object), method(method) {}

    bool Equals(const Delegate<A...>& other) const override {
        auto* o = dynamic_cast<const MemFnDelegat*>(&other);
        return o && o->object == object && o->method == method;
    }
    void Invoke(A... args) override { (object->*method)(std::forward<A>(args)...); }

    C* object;
    Method method;
};

// A callback around any callable; tools and tests use it where there is no
// object to bind. Never equal to another delegate, so it can only be dropped
// together with its event.
template <class... A>
class FnDelegate : public Delegate<A...> {
public:
    explicit FnDelegate(std::function<void(A...)> fn) : fn(std::move(fn)) {}
    void Invoke(A... args) override { fn(std::forward<A>(args)...); }

private:
    std::function<void(A...)> fn;
};

// Multicast event: an ordered list of delegates, itself a delegate so that an
// event can be subscribed to another event.
template <class... A>
class Delegation : public Delegate<A...> {
public:
    using DelegateType = Delegate<A...>;

    Delegation() = default;
    // A copy takes the delegates, not the walks running over the original.
    Delegation(const Delegation& other) : Delegate<A...>(other), delegates(other.delegates) {}
    Delegation& operator=(const Delegation& other) {
        delegates = other.delegates;
        return *this;
    }

    // Re-reads the size before every call: a delegate appended by a handler is
    // called in the same walk. A delegate removed by a handler (its own row
    // destroyed, a scoped subscription ending) shifts the walk back with the
    // entries behind it, so the next one is still called, once. Each entry is
    // held for the duration of its call so that a handler removing itself
    // does not destroy the running delegate.
    void Invoke(A... args) override {
        Walk walk(*this);
        while (walk.next < delegates.size()) {
            shared_ptr<DelegateType> d = delegates[walk.next++];
            d->Invoke(args...);
        }
    }

    bool Equals(const DelegateType& other) const override {
        auto* o = dynamic_cast<const Delegation*>(&other);
        if (!o || o->delegates.size() != delegates.size()) return false;
        for (std::size_t i = 0; i < delegates.size(); ++i)
            if (!delegates[i]->Equals(*o->delegates[i])) return false;
        return true;
    }

    void Add(const shared_ptr<DelegateType>& d) { delegates.push_back(d); }

    // Erases every entry equal to d, not only the first.
    void Remove(const DelegateType& d) {
        for (std::size_t i = 0; i < delegates.size();) {
            if (!delegates[i]->Equals(d)) {
                ++i;
                continue;
            }
            delegates.erase(delegates.begin() + static_cast<std::ptrdiff_t>(i));
            // A walk past the erased entry moves back with the entries behind
            // it, so that the next one it has not called yet is not skipped.
            for (Walk* w = walks; w; w = w->outer)
                if (i < w->next) --w->next;
        }
    }

    std::size_t Count() const { return delegates.size(); }
    bool Empty() const { return delegates.empty(); }

    std::vector<shared_ptr<DelegateType>> delegates;

private:
    // One running Invoke: the index of the next delegate it calls. Nested
    // invocations of the same event (a handler firing it again) chain.
    struct Walk {
        explicit Walk(Delegation& event) : event(event), outer(event.walks) { event.walks = this; }
        ~Walk() { event.walks = outer; }
        Walk(const Walk&) = delete;
        Walk& operator=(const Walk&) = delete;
        Delegation& event;
        Walk* outer;
        std::size_t next = 0;
    };
    Walk* walks = nullptr;
};

// Numbered names for each arity.
using Delegate_0 = Delegate<>;
template <class A1> using Delegate_1 = Delegate<A1>;
template <class A1, class A2> using Delegate_2 = Delegate<A1, A2>;
template <class A1, class A2, class A3> using Delegate_3 = Delegate<A1, A2, A3>;
template <class A1, class A2, class A3, class A4> using Delegate_4 = Delegate<A1, A2, A3, A4>;
template <class A1, class A2, class A3, class A4, class A5>
using Delegate_5 = Delegate<A1, A2, A3, A4, A5>;

template <class C> using MemFnDelegat_0 = MemFnDelegat<C>;
template <class A1, class C> using MemFnDelegat_1 = MemFnDelegat<C, A1>;
template <class A1, class A2, class C> using MemFnDelegat_2 = MemFnDelegat<C, A1, A2>;
template <class A1, class A2, class A3, class C> using MemFnDelegat_3 = MemFnDelegat<C, A1, A2, A3>;
template <class A1, class A2, class A3, class A4, class C>
using MemFnDelegat_4 = MemFnDelegat<C, A1, A2, A3, A4>;
template <class A1, class A2, class A3, class A4, class A5, class C>
using MemFnDelegat_5 = MemFnDelegat<C, A1, A2, A3, A4, A5>;

using Delegation_0 = Delegation<>;
template <class A1> using Delegation_1 = Delegation<A1>;
template <class A1, class A2> using Delegation_2 = Delegation<A1, A2>;
template <class A1, class A2, class A3> using Delegation_3 = Delegation<A1, A2, A3>;
template <class A1, class A2, class A3, class A4> using Delegation_4 = Delegation<A1, A2, A3, A4>;
template <class A1, class A2, class A3, class A4, class A5>
using Delegation_5 = Delegation<A1, A2, A3, A4, A5>;

// --- Subscribing, removing and firing -------------------------------------
// Events held by value (non-UI owners) and through a lazily created pointer
// (GObject's events stay null until the first subscription) share one API.

template <class C, class... A>
void Subscribe(Delegation<A...>& event, C* object, void (C::*method)(A...)) {
    event.Add(shared_ptr<Delegate<A...>>(new MemFnDelegat<C, A...>(object, method)));
}

template <class C, class... A>
void Subscribe(shared_ptr<Delegation<A...>>& event, C* object, void (C::*method)(A...)) {
    if (!event) event = new Delegation<A...>();
    Subscribe(*event, object, method);
}

template <class F, class... A>
void SubscribeFn(Delegation<A...>& event, F&& fn) {
    event.Add(shared_ptr<Delegate<A...>>(new FnDelegate<A...>(std::forward<F>(fn))));
}

template <class F, class... A>
void SubscribeFn(shared_ptr<Delegation<A...>>& event, F&& fn) {
    if (!event) event = new Delegation<A...>();
    SubscribeFn(*event, std::forward<F>(fn));
}

template <class C, class... A>
void Unsubscribe(Delegation<A...>& event, C* object, void (C::*method)(A...)) {
    event.Remove(MemFnDelegat<C, A...>(object, method));
}

template <class C, class... A>
void Unsubscribe(shared_ptr<Delegation<A...>>& event, C* object, void (C::*method)(A...)) {
    if (event) Unsubscribe(*event, object, method);
}

// Firing a null event does nothing. The pointer is copied first so that a
// handler replacing the event keeps the running one alive.
template <class... A, class... Args>
void Fire(const shared_ptr<Delegation<A...>>& event, Args&&... args) {
    shared_ptr<Delegation<A...>> keep = event;
    if (keep) keep->Invoke(std::forward<Args>(args)...);
}
