#include "ui/app/AnimatorKinds.h"

bool IsEndless(const Animator& animator) {
    if (auto* looping = dynamic_cast<const ILoopingAnimator*>(&animator)) return looping->IsEndless();
    return false;
}
