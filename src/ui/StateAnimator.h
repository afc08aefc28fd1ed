#pragma once
#include "base/shared_ptr.h"
#include "ui/Animator.h"
#include "ui/StatesChain.h"

class GObject;

// Moves one chain a state per frame toward a target state, optionally
// looping (jumping back, or ping-pong) a number of times.
class StateAnimator : public Animator {
public:
    enum Target : int { FirstState = -2, LastState = -1 };
    enum LoopMode : int { Restart = 0, PingPong = 1 };

    // `target` -2 is the first state, -1 the last; anything else is clamped
    // into the chain. The chain counts this animator as one of its drivers.
    StateAnimator(const shared_ptr<StatesChain>& chain, int target, bool loop = false, int loopMode = PingPong,
                  int repeat = -1);

    bool Step() override;
    // Ends the run now: the chain stops counting this animator as a driver,
    // so another one can take over, and the server drops it at its next tick.
    void Stop();
    bool IsFinished() const { return finished; }

    int GetTarget() const { return target; }
    int GetStart() const { return start; }
    int GetRepeat() const { return repeat; }
    bool IsLooping() const { return loop; }
    const shared_ptr<StatesChain>& Chain() const { return chain; }

private:
    bool Advance();

    int target;
    int start;
    int repeat;
    bool loop;
    int loopMode;
    shared_ptr<StatesChain> chain;
    bool finished = false;
};

// Runs `chain` from where it stands to its last state on `object`'s UI server
// (no loop); a detached object ignores it. Returns the animator.
shared_ptr<StateAnimator> AnimateToEnd(GObject& object, const shared_ptr<StatesChain>& chain);
