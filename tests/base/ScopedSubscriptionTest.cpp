#include <gtest/gtest.h>

#include <utility>

#include "base/ScopedSubscription.h"

namespace {

struct Adder {
    int calls = 0;
    void On(int v) { calls += v; }
};

TEST(ScopedSubscription, HandlersGoWithTheirHandleAndMoveWithIt) {
    shared_ptr<Delegation_1<int>> event;
    Adder a;
    int first = 0, second = 0;
    ScopedSubscription keep = ScopedSubscription::ToFn(event, [&](int v) { first += v; });
    {
        ScopedSubscription outer;
        {
            ScopedSubscription inner = ScopedSubscription::To(event, &a, &Adder::On);
            ScopedSubscription gone = ScopedSubscription::ToFn(event, [&](int v) { second += v; });
            Fire(event, 1);
            outer = std::move(inner);
        }
        Fire(event, 2);
        EXPECT_EQ(a.calls, 3) << "moving the handle keeps the subscription";
    }
    Fire(event, 4);
    EXPECT_EQ(a.calls, 3);
    EXPECT_EQ(second, 1) << "a callable removes only itself";
    EXPECT_EQ(first, 7);
    keep.Reset();
    EXPECT_FALSE(keep.Active());
    EXPECT_TRUE(event->Empty());
}

// The handle keeps what it must remove its handler from: an event whose
// owner went first, or the counted object that holds the event by value (as
// requests and records do).
TEST(ScopedSubscription, TheEventAndItsOwnerStayUntilTheHandleGoes) {
    struct CountedEvent : Delegation_1<int> {
        explicit CountedEvent(bool* gone) : gone(gone) {}
        ~CountedEvent() override { *gone = true; }
        bool* gone;
    };
    struct Owner : shared_object {
        explicit Owner(bool* gone) : gone(gone) {}
        ~Owner() override { *gone = true; }
        Delegation_1<int> changed;
        bool* gone;
    };
    bool eventGone = false, ownerGone = false;
    Adder a;
    ScopedSubscription byPointer, byValue;
    {
        shared_ptr<Delegation_1<int>> event(new CountedEvent(&eventGone));
        byPointer = ScopedSubscription::To(event, &a, &Adder::On);
        shared_ptr<Owner> owner(new Owner(&ownerGone));
        byValue = ScopedSubscription::To(owner.get(), owner->changed, &a, &Adder::On);
        owner->changed.Invoke(2);
    }
    EXPECT_FALSE(eventGone || ownerGone);
    byPointer.Reset();
    byValue.Reset();
    EXPECT_TRUE(eventGone && ownerGone);
    EXPECT_EQ(a.calls, 2);
}

}  // namespace
