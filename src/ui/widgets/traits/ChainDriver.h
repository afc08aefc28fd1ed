#pragma once
#include "base/shared_ptr.h"
#include "ui/GObject.h"
#include "ui/Interpolator.h"
#include "ui/Property.h"
#include "ui/StateAnimator.h"
#include "ui/StatesChain.h"

// A property of the widget that owns the chain driving it. It points back at
// its owner without counting it: a counted pointer would keep the widget
// alive forever through its own chain. The owner cuts the link when it goes,
// so an animator still queued in the UI server then writes into nothing.
template <class Owner>
class OwnerProperty : public Property<int> {
public:
    using Getter = int (Owner::*)() const;
    using Setter = void (Owner::*)(int);
    OwnerProperty(Owner* owner, Getter getter, Setter setter) : owner(owner), getter(getter), setter(setter) {}
    void SetValue(int v) override {
        if (owner) (owner->*setter)(v);
    }
    int GetValue() override { return owner ? (owner->*getter)() : 0; }
    void Detach() { owner = nullptr; }

private:
    Owner* owner;
    Getter getter;
    Setter setter;
};

// One animated value of a widget: its chain over an owner property, and the
// animator currently driving it. Starting a run stops the previous one first:
// two animators on one chain would both refuse to move it and the widget
// would freeze halfway (a button pressed again while it still fades back).
template <class Owner>
class ChainDriver {
public:
    ChainDriver(Owner* owner, typename OwnerProperty<Owner>::Getter getter,
                typename OwnerProperty<Owner>::Setter setter, bool linear = false)
        : property(new OwnerProperty<Owner>(owner, getter, setter)),
          chain(new ComplexStatesChain<int>(linear ? shared_ptr<Interpolator<int>>(new LinearInterpolator<int>())
                                                   : shared_ptr<Interpolator<int>>(new CubicInterpolator<int>()),
                                            property)) {}
    ~ChainDriver() {
        Stop();
        property->Detach();
    }
    ChainDriver(const ChainDriver&) = delete;
    ChainDriver& operator=(const ChainDriver&) = delete;

    const shared_ptr<ComplexStatesChain<int>>& Chain() const { return chain; }
    bool IsRunning() const { return animator && !animator->IsFinished(); }

    void Stop() {
        if (animator) animator->Stop();
        animator = nullptr;
    }

    // Stops whatever runs and leaves the chain with no keys and one state.
    void Clear() {
        Stop();
        chain->ClearKeys();
    }

    // Animates from the current value to `value` over `frames` frames on
    // `object`'s UI server; fewer than one frame sets the value at once.
    void AnimateTo(GObject& object, int value, int frames) {
        Clear();
        if (frames < 1) {
            property->SetValue(value);
            return;
        }
        chain->SetKey(frames, value);
        Run(object, shared_ptr<StateAnimator>(new StateAnimator(chain, StateAnimator::LastState)));
    }

    // Runs the chain through explicit (state, value) keys from state 0 to
    // the last key. Nothing runs without keys.
    template <class Keys>
    void RunKeys(GObject& object, const Keys& keys) {
        Clear();
        if (keys.empty()) return;
        const shared_ptr<Interpolator<int>>& curve = chain->GetInterpolator();
        for (const auto& [state, value] : keys) curve->AddKey(state, value);
        chain->SetStateCount(curve->StateCount());
        Run(object, shared_ptr<StateAnimator>(new StateAnimator(chain, StateAnimator::LastState)));
    }

    // Runs an animator built by the caller on this chain (after Stop).
    void Run(GObject& object, const shared_ptr<StateAnimator>& next) {
        if (animator != next) Stop();
        animator = next;
        object.StartAnimator(next);
    }

private:
    shared_ptr<OwnerProperty<Owner>> property;
    shared_ptr<ComplexStatesChain<int>> chain;
    shared_ptr<StateAnimator> animator;
};
