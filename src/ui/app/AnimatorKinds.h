#pragma once
#include "ui/Animator.h"

// An animator that may say it never ends by itself (a blinking cursor, a
// busy spinner).
class ILoopingAnimator {
public:
    virtual ~ILoopingAnimator() = default;
    virtual bool IsEndless() const = 0;
};

// Waiting for the screen to settle ignores endless animators: they would
// keep it busy forever.
bool IsEndless(const Animator& animator);
