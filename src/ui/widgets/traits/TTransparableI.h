#pragma once
#include "ui/widgets/traits/ChainDriver.h"

// Adds a transparency chain (cubic) over the object and its whole subtree:
// how groups, images and captions fade.
template <class Base>
class TTransparableI : public Base {
public:
    TTransparableI()
        : transparencyDriver(this, &TTransparableI::GetTransparency, &TTransparableI::SetGroupTransparency) {}

    const shared_ptr<ComplexStatesChain<int>>& GetTransparencyChain() const { return transparencyDriver.Chain(); }
    // Fades from the current transparency to `value` over `frames` frames.
    void FadeTo(int value, int frames) { transparencyDriver.AnimateTo(*this, value, frames); }
    void StopFade() { transparencyDriver.Stop(); }
    bool IsFading() const { return transparencyDriver.IsRunning(); }

private:
    void SetGroupTransparency(int value) { this->SetTransparency(value, true); }

    ChainDriver<TTransparableI> transparencyDriver;
};
