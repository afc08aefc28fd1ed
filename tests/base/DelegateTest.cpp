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

// Handlers that take themselves or others off the event while it runs: the
// ones still subscribed are called once each, in order, and nobody is
// skipped; a handler removed before its turn is not called.
TEST(Delegation, RemovingDuringInvocationSkipsNobody) {
    struct Handler {
        std::vector<std::string>* log;
        std::string name;
        Delegation_0* removeFrom = nullptr;  // set on the one handler that removes
        Handler* victim = nullptr;
        void Run() {
            log->push_back(name);
            if (removeFrom) Unsubscribe(*removeFrom, victim, &Handler::Run);
        }
    };
    struct Case {
        const char* what;
        int remover, victim;
        std::vector<std::string> first, second;
    };
    const Case cases[] = {
        {"itself, first", 0, 0, {"a", "b", "c"}, {"b", "c"}},
        {"itself, in the middle", 1, 1, {"a", "b", "c"}, {"a", "c"}},
        {"one already called", 1, 0, {"a", "b", "c"}, {"b", "c"}},
        {"one not called yet", 0, 2, {"a", "b"}, {"a", "b"}},
    };
    for (const Case& c : cases) {
        Delegation_0 ev;
        std::vector<std::string> log;
        Handler h[3] = {{&log, "a"}, {&log, "b"}, {&log, "c"}};
        for (Handler& each : h) Subscribe(ev, &each, &Handler::Run);
        h[c.remover].removeFrom = &ev;
        h[c.remover].victim = &h[c.victim];
        ev.Invoke();
        EXPECT_EQ(log, c.first) << c.what;
        log.clear();
        h[c.remover].removeFrom = nullptr;
        ev.Invoke();
        EXPECT_EQ(log, c.second) << c.what;
    }
}

}  // namespace
