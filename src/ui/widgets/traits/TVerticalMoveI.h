#pragma once
#include "ui/widgets/traits/ChainDriver.h"

// Adds a y-position chain (cubic): what a scroller moves its content with.
template <class Base>
class TVerticalMoveI : public Base {
public:
    TVerticalMoveI() : yDriver(this, &TVerticalMoveI::Y, &TVerticalMoveI::SetY) {}

    const shared_ptr<ComplexStatesChain<int>>& GetYChain() const { return yDriver.Chain(); }
    ChainDriver<TVerticalMoveI>& GetYDriver() { return yDriver; }
    void MoveYTo(int y, int frames) { yDriver.AnimateTo(*this, y, frames); }
    bool IsMovingY() const { return yDriver.IsRunning(); }

private:
    void SetY(int y) { this->SetPosition(this->X(), y); }

    ChainDriver<TVerticalMoveI> yDriver;
};
