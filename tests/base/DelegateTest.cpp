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
};

// In subscription order, twice when subscribed twice; a handler appended
// while the event runs is called in the same walk; removing erases every
// equal entry and nothing else.
TEST(Delegation, CallsInSubscriptionOrderAndRemoveErasesEveryEqualEntry) {
    Listener l, other;
    Delegation_1<int> ev;
    l.event = &ev;
    Subscribe(ev, &l, &Listener::SubscribeMore);
    Subscribe(ev, &l, &Listener::OnA);
    Subscribe(ev, &other, &Listener::OnA);
    Subscribe(ev, &l, &Listener::OnA);
    ev.Invoke(1);
    EXPECT_EQ(l.log, (std::vector<std::string>{"more1", "a1", "a1", "b1"}));
    Unsubscribe(ev, &l, &Listener::OnA);
    Unsubscribe(ev, &l, &Listener::SubscribeMore);
    ASSERT_EQ(ev.Count(), 2u);
    ev.Invoke(2);
    EXPECT_EQ(l.log.back(), "b2");
    EXPECT_EQ(other.log, (std::vector<std::string>{"a1", "a2"}));
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
