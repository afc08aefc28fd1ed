#pragma once
#include "ui/Animator.h"

// An animator that never ends by itself (an endless loop: a blinking cursor,
// a busy spinner). Waiting for the screen to settle ignores those.
bool IsEndless(const Animator& animator);
