#include "ui/app/AnimatorKinds.h"

#include "ui/StateAnimator.h"

bool IsEndless(const Animator& animator) {
    if (auto* looping = dynamic_cast<const ILoopingAnimator*>(&animator)) return looping->IsEndless();
    if (auto* state = dynamic_cast<const StateAnimator*>(&animator)) {
        // Looping with the endless repeat count: it never ends by itself.
        return state->IsLooping() && state->GetRepeat() == -1;
    }
    return false;
}
