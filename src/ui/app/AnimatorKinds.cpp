#include "ui/app/AnimatorKinds.h"

#include "ui/StateAnimator.h"

namespace {

// A state animator loops for ever when it loops with the endless repeat
// count; the loop flag is read through IsLooping() where the animator offers it.
template <class A>
bool StateAnimatorIsEndless(const A& a) {
    if constexpr (requires { a.IsLooping(); })
        return a.IsLooping() && a.GetRepeat() == -1;
    else
        return false;
}

}  // namespace

bool IsEndless(const Animator& animator) {
    if (auto* looping = dynamic_cast<const ILoopingAnimator*>(&animator)) return looping->IsEndless();
    if (auto* state = dynamic_cast<const StateAnimator*>(&animator)) return StateAnimatorIsEndless(*state);
    return false;
}
