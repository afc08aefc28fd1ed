#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Delegate.h"

namespace {

struct Listener {
    std::vector<std::string> log;
    Delegation_1<int>* event = nullptr;
    void OnA(int v) { log.push_back("a" + std::to_string(v)); }
    void OnB(int v) { log.push_back("b" + std::to_string(v)); }
    void SubscribeMore(int v) {
        log.push_back("more" + std::to_string(v));
        if (log.size() < 2) Subscribe(*event, this, &Listener::OnB);
    }
    void Zero() { log.push_back("zero"); }
    void Five(int a, int b, int c, int d, int e) { log.push_back(std::to_string(a + b + c + d + e)); }
    void Ref(int& v) { v += 1; }
};

TEST(Delegation, CallsInSubscriptionOrderAndTwiceWhenSubscribedTwice) {
    Listener l;
    Delegation_1<int> ev;
    Subscribe(ev, &l, &Listener::OnA);
    Subscribe(ev, &l, &Listener::OnB);
    Subscribe(ev, &l, &Listener::OnA);
    ev.Invoke(3);
    EXPECT_EQ(l.log, (std::vector<std::string>{"a3", "b3", "a3"}));
}

TEST(Delegation, HandlerAppendedDuringInvocationRunsInTheSameWalk) {
    Listener l;
    Delegation_1<int> ev;
    l.event = &ev;
    Subscribe(ev, &l, &Listener::SubscribeMore);
    Subscribe(ev, &l, &Listener::OnA);
    ev.Invoke(1);
    EXPECT_EQ(l.log, (std::vector<std::string>{"more1", "a1", "b1"}));
}

TEST(Delegation, RemoveErasesEveryEqualEntry) {
    Listener l, other;
    Delegation_1<int> ev;
    Subscribe(ev, &l, &Listener::OnA);
    Subscribe(ev, &other, &Listener::OnA);
    Subscribe(ev, &l, &Listener::OnA);
    Subscribe(ev, &l, &Listener::OnB);
    Unsubscribe(ev, &l, &Listener::OnA);
    ASSERT_EQ(ev.Count(), 2u);
    ev.Invoke(2);
    EXPECT_EQ(l.log, (std::vector<std::string>{"b2"}));
    EXPECT_EQ(other.log, (std::vector<std::string>{"a2"}));
    Unsubscribe(ev, &l, &Listener::OnA);  // not subscribed any more: nothing changes
    EXPECT_EQ(ev.Count(), 2u);
}

TEST(Delegation, EqualityRules) {
    Listener a, b;
    MemFnDelegat_1<int, Listener> d1(&a, &Listener::OnA), d2(&a, &Listener::OnA), d3(&b, &Listener::OnA),
        d4(&a, &Listener::OnB);
    EXPECT_TRUE(d1.Equals(d2));
    EXPECT_FALSE(d1.Equals(d3));
    EXPECT_FALSE(d1.Equals(d4));
    EXPECT_TRUE(d1.NotEquals(d3));

    Delegation_1<int> e1, e2;
    EXPECT_FALSE(d1.Equals(e1));
    EXPECT_FALSE(e1.Equals(d1));
    EXPECT_TRUE(e1.Equals(e2));  // both empty
    Subscribe(e1, &a, &Listener::OnA);
    EXPECT_FALSE(e1.Equals(e2));
    Subscribe(e2, &a, &Listener::OnA);
    EXPECT_TRUE(e1.Equals(e2));
}

TEST(Delegation, NullEventFiresNothingAndIsCreatedOnSubscribe) {
    Listener l;
    shared_ptr<Delegation_0> ev;
    Fire(ev);
    EXPECT_TRUE(l.log.empty());
    Subscribe(ev, &l, &Listener::Zero);
    ASSERT_TRUE(ev);
    Fire(ev);
    EXPECT_EQ(l.log, (std::vector<std::string>{"zero"}));
}

TEST(Delegation, EventSubscribedToAnotherEventAndReferenceArguments) {
    Listener l;
    Delegation_1<int> inner, outer;
    Subscribe(inner, &l, &Listener::OnA);
    outer.Add(shared_ptr<Delegate_1<int>>(new Delegation_1<int>(inner)));
    outer.Invoke(9);
    EXPECT_EQ(l.log, (std::vector<std::string>{"a9"}));

    Delegation_1<int&> byRef;
    Subscribe(byRef, &l, &Listener::Ref);
    Subscribe(byRef, &l, &Listener::Ref);
    int v = 1;
    byRef.Invoke(v);
    EXPECT_EQ(v, 3);

    Delegation_5<int, int, int, int, int> five;
    Subscribe(five, &l, &Listener::Five);
    five.Invoke(1, 2, 3, 4, 5);
    EXPECT_EQ(l.log.back(), "15");
}

TEST(Delegation, HandlerThatRemovesItselfDuringInvocationIsSafe) {
    struct SelfRemover {
        Delegation_0* ev;
        int calls = 0;
        void Run() {
            ++calls;
            Unsubscribe(*ev, this, &SelfRemover::Run);
        }
    };
    Delegation_0 ev;
    SelfRemover s{&ev};
    Subscribe(ev, &s, &SelfRemover::Run);
    ev.Invoke();
    ev.Invoke();
    EXPECT_EQ(s.calls, 1);
    EXPECT_TRUE(ev.Empty());
}

}  // namespace
