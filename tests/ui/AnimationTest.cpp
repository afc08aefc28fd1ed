#include <gtest/gtest.h>

#include <tuple>

#include "UiTestSupport.h"
#include "ui/Interpolator.h"
#include "ui/PerformanceFrequency.h"
#include "ui/Property.h"
#include "ui/StateAnimator.h"
#include "ui/StatesChain.h"

namespace {

template <class I>
shared_ptr<I> Keys(std::initializer_list<std::pair<int, int>> keys) {
    shared_ptr<I> i(new I());
    for (auto [s, v] : keys) i->AddKey(s, v);
    return i;
}

// Values truncate toward zero; keys must strictly increase (the refused ones
// are dropped); a single key holds its value everywhere.
TEST(Interpolation, ValuesTruncateTowardZeroAndKeysMustIncrease) {
    auto linear = Keys<LinearInterpolator<int>>({{0, 0}, {4, 40}, {6, 8}, {6, 3}, {5, 9}, {-1, 9}});
    auto cubic = Keys<CubicInterpolator<int>>({{0, 0}, {10, 100}});
    auto down = Keys<LinearInterpolator<int>>({{0, 0}, {3, -10}});
    auto single = Keys<CubicInterpolator<int>>({{3, 42}});
    EXPECT_EQ(linear->KeyCount(), 3u);
    EXPECT_EQ(linear->StateCount(), 7);
    const std::pair<Interpolator<int>*, std::vector<std::pair<int, int>>> cases[] = {
        {linear.get(), {{3, 30}, {4, 40}, {5, 24}, {25, 8}}},
        {cubic.get(), {{5, 50}, {2, 10}}},  // 10.4 truncated
        {down.get(), {{1, -3}}},            // -3.33 truncates toward zero, not down
        {single.get(), {{0, 42}, {9, 42}}},
    };
    for (const auto& [interpolator, values] : cases)
        for (auto [state, value] : values) EXPECT_EQ(interpolator->ValueAt(state), value) << state;
}

struct Chain : ::testing::Test {
    RecordingServer server;
    shared_ptr<GObject> object = NewObject(0, 0, 10, 10);
    Chain() { server.GetRoot()->AddChild(object); }

    shared_ptr<ComplexStatesChain<int>> XChain(int target, int frames) {
        shared_ptr<ComplexStatesChain<int>> c(new ComplexStatesChain<int>(
            shared_ptr<Interpolator<int>>(new LinearInterpolator<int>()),
            shared_ptr<Property<int>>(new XPositionProperty(object))));
        c->SetKey(frames, target);
        return c;
    }
    // Ticks until the server has no animator left; returns the frame count.
    int Run(int limit = 1000) {
        int frames = 0;
        while (server.AnimatorCount() > 0 && frames < limit) {
            server.Tick(true, false);
            ++frames;
        }
        return frames;
    }
};

// A chain starts from the property's value and takes one frame per step; a
// one-state or locked chain ends at its first step.
TEST_F(Chain, SetKeyStartsFromThePropertyAndStateCountNeverDropsBelowOne) {
    object->SetPosition(20, 0);
    auto c = XChain(120, 10);
    EXPECT_EQ(c->GetStateCount(), 11);
    std::vector<int> xs;
    SubscribeFn(c->StateChanged(), [&](StatesChain*, int, int, int) { xs.push_back(object->X()); });
    AnimateToEnd(*object, c);
    EXPECT_EQ(Run(), 11) << "the 11th tick finds it at the target and drops it";
    EXPECT_EQ(xs, (std::vector<int>{30, 40, 50, 60, 70, 80, 90, 100, 110, 120}));
    EXPECT_EQ(c->DriverCount(), 0);
    c->SetStateCount(0);
    EXPECT_EQ(c->GetStateCount(), 1);
    EXPECT_FALSE(c->GoToState(1));
    EXPECT_FALSE(c->GoToState(-1));

    shared_ptr<ComplexStatesChain<int>> empty(new ComplexStatesChain<int>());
    shared_ptr<StateAnimator> a(new StateAnimator(empty, StateAnimator::LastState));
    EXPECT_FALSE(a->Step());
    EXPECT_FALSE(a->Step());
    EXPECT_EQ(empty->DriverCount(), 0) << "counted off only once";
    auto locked = XChain(0, 10);
    locked->Lock();
    AnimateToEnd(*object, locked);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(object->X(), 120);
}

// While two animators drive a chain it refuses to move: the older one gives
// up at once, and from then on the newer one runs alone. A restarted fade or
// slide therefore continues instead of freezing half-way.
TEST_F(Chain, TwoAnimatorsOnOneChainLeaveItToTheNewerOne) {
    auto c = XChain(100, 10);
    auto older = AnimateToEnd(*object, c);
    server.Tick(true, false);
    EXPECT_EQ(c->GetCurrentState(), 1);
    auto newer = AnimateToEnd(*object, c);
    EXPECT_EQ(c->DriverCount(), 2);
    EXPECT_FALSE(older->Step()) << "refused while two drive the chain";
    EXPECT_EQ(c->GetCurrentState(), 1);
    EXPECT_EQ(c->DriverCount(), 1);
    Run();
    EXPECT_EQ(object->X(), 100);
    EXPECT_EQ(c->DriverCount(), 0);
}

TEST_F(Chain, RepeatsPingPongOrRestart) {
    const std::tuple<int, int, std::vector<int>> cases[] = {
        {StateAnimator::PingPong, 3, {1, 2, 1, 0, 1, 2}},
        {StateAnimator::Restart, 2, {1, 2, 0, 1, 2}},
    };
    for (const auto& [mode, repeat, expected] : cases) {
        auto c = XChain(20, 2);  // states 0, 1, 2 -> x 0, 10, 20
        std::vector<int> states;
        SubscribeFn(c->StateChanged(), [&](StatesChain*, int, int n, int) { states.push_back(n); });
        object->StartAnimator(shared_ptr<Animator>(new StateAnimator(c, StateAnimator::LastState, true, mode, repeat)));
        Run();
        EXPECT_EQ(states, expected) << mode;
    }
}

TEST_F(Chain, ARestartedAnimatorRunsOncePerFrame) {
    auto c = XChain(100, 10);
    shared_ptr<StateAnimator> a(new StateAnimator(c, StateAnimator::LastState, false));
    object->StartAnimator(a);
    server.Tick(true, false);
    object->StartAnimator(a);  // added again while running
    server.Tick(true, false);
    EXPECT_EQ(c->GetCurrentState(), 2) << "one state per frame, not two";
    EXPECT_EQ(server.AnimatorCount(), 1u);
    Run();
    EXPECT_EQ(object->X(), 100);
}

TEST(Clock, CountsForwardAcrossWrapsAndHoldsWhenTheCounterStepsBack) {
    uint64_t counter = 0;
    PerformanceFrequency clock(1000, [&] { return counter; });
    clock.Now();
    counter = 1500;
    EXPECT_DOUBLE_EQ(clock.Now(), 1.5);
    counter = 1400;  // stepped back
    EXPECT_DOUBLE_EQ(clock.Now(), 1.5);
    counter = 2400;
    EXPECT_DOUBLE_EQ(clock.Now(), 2.5);
    counter = 0xFFFFFFFFull;
    clock.Now();
    counter = 0x1'0000'0063ull;  // wrapped: 100 ticks later in 32 bits
    double before = clock.Now();
    counter += 100;
    EXPECT_NEAR(clock.Now() - before, 0.1, 1e-9);

    PerformanceFrequency fast(3'000'000'000ull, [] { return 0; });
    EXPECT_EQ(fast.Shift(), 11) << "shifted down to at most 2 MHz";
}

TEST(Clock, AClockWhoseSecondsStopGrowingIsPushedOn) {
    // Beyond 2^33 seconds one tick of half a microsecond no longer changes
    // the double; get there in the largest jumps the clock counts forward.
    uint64_t counter = 0;
    PerformanceFrequency clock(2'000'000, [&] { return counter; });
    clock.Now();
    while (clock.Now() < 1.0e10) counter += 0xEFFFFFFFull;
    double stuck = clock.Now();
    double last = stuck;
    int calls = 0;
    while (last == stuck && calls < 200000) {
        counter += 1;
        last = clock.Now();
        ++calls;
    }
    EXPECT_EQ(calls, static_cast<int>(PerformanceFrequency::kStallLimit) + 1);
    EXPECT_DOUBLE_EQ(last, stuck + 1.0);
}

}  // namespace
