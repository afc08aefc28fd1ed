#pragma once
#include <cstdint>
#include <vector>

#include "base/Delegate.h"
#include "base/shared_ptr.h"
#include "ui/Interpolator.h"
#include "ui/Property.h"

// A sequence of numbered states with a current one; animators move it one
// state per frame and the subclass makes the world reflect each state.
class StatesChain : public shared_object {
public:
    using StateChangedEvent = Delegation_4<StatesChain*, int, int, int>;

    ~StatesChain() override = default;
    // Make the world reflect `newState`; false refuses the change.
    virtual bool ApplyState(int oldState, int newState, int stateCount) = 0;

    bool GoToState(int n);
    void SetStateCount(int n) {
        stateCount = n >= 1 ? n : 1;
        current = 0;
    }
    int GetCurrentState() const { return current; }
    int GetStateCount() const { return stateCount; }
    void Lock() { locked = true; }
    void Unlock() { locked = false; }
    bool IsLocked() const { return locked; }
    StateChangedEvent& StateChanged() { return stateChanged; }

    // How many animators drive the chain; a chain driven by two refuses to move.
    int DriverCount() const { return driverCount; }
    void AddDriver() { ++driverCount; }
    void RemoveDriver() { --driverCount; }

protected:
    int current = 0;
    int stateCount = 1;
    int driverCount = 0;
    StateChangedEvent stateChanged;
    bool locked = false;
};

// One property driven through key frames.
template <class T>
class ComplexStatesChain;

template <>
class ComplexStatesChain<int> : public StatesChain {
public:
    ComplexStatesChain() = default;
    ComplexStatesChain(const shared_ptr<Interpolator<int>>& interpolator, const shared_ptr<Property<int>>& property)
        : interpolator(interpolator), property(property) {}

    bool ApplyState(int, int newState, int) override {
        property->SetValue(interpolator->ValueAt(newState));
        return true;
    }

    // The first key is the property's value as it is now, so an animation
    // always starts where the object stands.
    void SetKey(int state, int value) {
        if (!interpolator || !property) return;
        if (interpolator->KeyCount() == 0) interpolator->AddKey(0, property->GetValue());
        interpolator->AddKey(state, value);
        SetStateCount(interpolator->StateCount());
    }
    void ClearKeys() {
        if (interpolator) interpolator->ClearKeys();
        SetStateCount(1);
    }

    const shared_ptr<Interpolator<int>>& GetInterpolator() const { return interpolator; }
    void SetInterpolator(const shared_ptr<Interpolator<int>>& value) { interpolator = value; }
    const shared_ptr<Property<int>>& GetProperty() const { return property; }
    void SetProperty(const shared_ptr<Property<int>>& value) { property = value; }

private:
    shared_ptr<Interpolator<int>> interpolator;
    shared_ptr<Property<int>> property;
};

// Several chains moved to the same state in lockstep (a scene sliding out
// while the next slides in).
class ParallelStatesChain : public StatesChain {
public:
    bool ApplyState(int, int newState, int) override {
        for (size_t i = 0; i < chains.size(); ++i) {
            shared_ptr<StatesChain> c = chains[i];
            c->GoToState(newState);
        }
        return true;
    }
    void AddChain(const shared_ptr<StatesChain>& chain) { chains.push_back(chain); }
    void ClearChains() { chains.clear(); }
    const std::vector<shared_ptr<StatesChain>>& Chains() const { return chains; }

private:
    std::vector<shared_ptr<StatesChain>> chains;
};
