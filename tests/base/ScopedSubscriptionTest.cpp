#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "base/ScopedSubscription.h"

namespace {

struct Listener {
    int calls = 0;
    void On(int v) { calls += v; }
};

// A counted object holding an event by value, as requests and records do.
struct Owner : shared_object {
    explicit Owner(bool* gone) : gone(gone) {}
    ~Owner() override { *gone = true; }
    Delegation_1<int> changed;
    bool* gone;
};

TEST(ScopedSubscription, HandlerGoesWithTheHandleAndMovesWithIt) {
    shared_ptr<Delegation_1<int>> event;
    Listener a;
    {
        ScopedSubscription outer;
        {
            ScopedSubscription inner = ScopedSubscription::To(event, &a, &Listener::On);
            ASSERT_TRUE(event) << "a null event is created on subscription";
            Fire(event, 1);
            outer = std::move(inner);
        }
        Fire(event, 2);
        EXPECT_EQ(a.calls, 3) << "moving the handle keeps the subscription";
    }
    Fire(event, 4);
    EXPECT_EQ(a.calls, 3);
    EXPECT_TRUE(event->Empty());
}

TEST(ScopedSubscription, CallableHandlersRemoveOnlyThemselves) {
    shared_ptr<Delegation_1<int>> event;
    int first = 0, second = 0;
    ScopedSubscription keep = ScopedSubscription::ToFn(event, [&](int v) { first += v; });
    {
        ScopedSubscription gone = ScopedSubscription::ToFn(event, [&](int v) { second += v; });
    }
    Fire(event, 5);
    EXPECT_EQ(first, 5);
    EXPECT_EQ(second, 0);
    keep.Reset();
    EXPECT_FALSE(keep.Active());
    EXPECT_TRUE(event->Empty());
}

struct CountedEvent : Delegation_1<int> {
    explicit CountedEvent(bool* gone) : gone(gone) {}
    ~CountedEvent() override { *gone = true; }
    bool* gone;
};

TEST(ScopedSubscription, TheEventsOwnerMayGoFirst) {
    bool gone = false;
    Listener a;
    ScopedSubscription s;
    {
        shared_ptr<Delegation_1<int>> event(new CountedEvent(&gone));
        s = ScopedSubscription::To(event, &a, &Listener::On);
    }
    EXPECT_FALSE(gone) << "the handle holds the event it must remove its handler from";
    s.Reset();
    EXPECT_TRUE(gone);
}

TEST(ScopedSubscription, AnEventHeldByValueKeepsItsOwnerUntilTheHandleGoes) {
    bool gone = false;
    Listener a;
    ScopedSubscription s;
    {
        shared_ptr<Owner> owner(new Owner(&gone));
        s = ScopedSubscription::To(owner.get(), owner->changed, &a, &Listener::On);
        owner->changed.Invoke(2);
    }
    EXPECT_FALSE(gone);
    s.Reset();
    EXPECT_TRUE(gone);
    EXPECT_EQ(a.calls, 2);
}

TEST(ScopedSubscription, AnEventOfAProcessWideObjectNeedsNoOwner) {
    static Delegation_1<int> processWide;
    Listener a;
    {
        ScopedSubscription s = ScopedSubscription::To(nullptr, processWide, &a, &Listener::On);
        processWide.Invoke(1);
    }
    processWide.Invoke(1);
    EXPECT_EQ(a.calls, 1);
    EXPECT_TRUE(processWide.Empty());
}

}  // namespace
