#include "ui/app/AnimatorKinds.h"

bool IsEndless(const Animator& /*animator*/) { return false; }
