#pragma once
#include <memory>
#include <utility>

#include "Delegate.h"

// One subscription to an event, owned by the subscriber. When the handle goes
// (or is reset) its handler is removed from the event by equality, so an
// object that subscribes to something living longer than itself (the
// application manager, a request, a singleton, another widget) can never be
// called after it died.
//
// The handle keeps whatever the event lives in alive until it lets go: the
// event object itself for events held through a pointer (GObject's), or the
// counted owner for events held by value (App, HttpRequest). Removal therefore
// never touches freed memory, whichever of the two goes first; an event whose
// owner is gone simply loses a handler nobody can fire any more. Events of
// singletons are held by nothing: they outlive every subscriber.
//
// Move-only; an empty handle does nothing.
class ScopedSubscription {
public:
    ScopedSubscription() = default;
    ScopedSubscription(ScopedSubscription&&) noexcept = default;
    ScopedSubscription& operator=(ScopedSubscription&&) noexcept = default;
    ScopedSubscription(const ScopedSubscription&) = delete;
    ScopedSubscription& operator=(const ScopedSubscription&) = delete;
    ~ScopedSubscription() = default;

    // An event held through a lazily created pointer; a null one is created.
    template <class C, class... A>
    static ScopedSubscription To(shared_ptr<Delegation<A...>>& event, C* object, void (C::*method)(A...)) {
        if (!event) event = new Delegation<A...>();
        return Link(event.get(), event.get(), new MemFnDelegat<C, A...>(object, method));
    }
    template <class F, class... A>
    static ScopedSubscription ToFn(shared_ptr<Delegation<A...>>& event, F&& fn) {
        if (!event) event = new Delegation<A...>();
        return Link(event.get(), event.get(), new OwnedFn<A...>(std::forward<F>(fn)));
    }

    // An event held by value inside `owner` (null for a singleton's event).
    template <class C, class... A>
    static ScopedSubscription To(shared_object* owner, Delegation<A...>& event, C* object,
                                 void (C::*method)(A...)) {
        return Link(owner, &event, new MemFnDelegat<C, A...>(object, method));
    }
    template <class F, class... A>
    static ScopedSubscription ToFn(shared_object* owner, Delegation<A...>& event, F&& fn) {
        return Link(owner, &event, new OwnedFn<A...>(std::forward<F>(fn)));
    }

    // Removes the handler now.
    void Reset() { link.reset(); }
    bool Active() const { return link != nullptr; }

private:
    // A callable handler that equals only itself, so that removal by
    // equality takes exactly this subscription away.
    template <class... A>
    class OwnedFn : public Delegate<A...> {
    public:
        template <class F>
        explicit OwnedFn(F&& fn) : fn(std::forward<F>(fn)) {}
        bool Equals(const Delegate<A...>& other) const override { return &other == this; }
        void Invoke(A... args) override { fn(std::forward<A>(args)...); }

    private:
        std::function<void(A...)> fn;
    };

    struct LinkBase {
        virtual ~LinkBase() = default;
    };
    template <class... A>
    struct EventLink : LinkBase {
        EventLink(shared_object* holder, Delegation<A...>* event, Delegate<A...>* handler)
            : holder(holder), event(event), handler(handler) {
            event->Add(this->handler);
        }
        ~EventLink() override {
            shared_ptr<Delegate<A...>> keep = handler;  // Remove drops the event's reference
            event->Remove(*keep);
        }
        shared_ptr<shared_object> holder;
        Delegation<A...>* event;
        shared_ptr<Delegate<A...>> handler;
    };

    template <class... A>
    static ScopedSubscription Link(shared_object* holder, Delegation<A...>* event, Delegate<A...>* handler) {
        ScopedSubscription s;
        s.link = std::make_unique<EventLink<A...>>(holder, event, handler);
        return s;
    }

    std::unique_ptr<LinkBase> link;
};
