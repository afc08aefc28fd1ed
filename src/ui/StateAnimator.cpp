#include "ui/StateAnimator.h"

#include <algorithm>

#include "ui/GObject.h"

StateAnimator::StateAnimator(const shared_ptr<StatesChain>& chain, int requested, bool loop, int loopMode, int repeat)
    : target(0), start(0), repeat(repeat), loop(loop), loopMode(loopMode), chain(chain) {
    const int last = chain->GetStateCount() - 1;
    target = requested == FirstState ? 0 : requested == LastState ? last : requested;
    target = std::clamp(target, 0, std::max(last, 0));
    chain->AddDriver();
    start = chain->GetCurrentState();
}

bool StateAnimator::Advance() {
    const int cur = chain->GetCurrentState();
    if (target > cur) return chain->GoToState(cur + 1);
    if (target < cur) return chain->GoToState(cur - 1);
    if (!loop) return false;
    if (repeat != -1 && repeat < 2) return false;
    if (repeat != -1) --repeat;
    if (loopMode == Restart) return chain->GoToState(start);
    std::swap(start, target);
    if (target > cur) return chain->GoToState(cur + 1);
    if (target < cur) return chain->GoToState(cur - 1);
    return false;  // start and target coincide: nothing left to run
}

bool StateAnimator::Step() {
    if (finished) return false;
    bool more = Advance();
    if (!more) Stop();
    return more && !finished;
}

void StateAnimator::Stop() {
    // Counted off the chain exactly once, however often it is asked.
    if (finished) return;
    finished = true;
    chain->RemoveDriver();
}

shared_ptr<StateAnimator> AnimateToEnd(GObject& object, const shared_ptr<StatesChain>& chain) {
    shared_ptr<StateAnimator> animator(new StateAnimator(chain, StateAnimator::LastState, false,
                                                         StateAnimator::PingPong, -1));
    object.StartAnimator(animator);
    return animator;
}
