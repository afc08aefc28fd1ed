#pragma once
#include "ui/widgets/traits/ChainDriver.h"

// Adds an x and a y chain (cubic) moved in lockstep by one parallel chain:
// scene roots slide and the popup box rises this way.
template <class Base>
class TMovableI : public Base {
public:
    TMovableI()
        : xDriver(this, &TMovableI::X, &TMovableI::SetX),
          yDriver(this, &TMovableI::Y, &TMovableI::SetY),
          moveChain(new ParallelStatesChain()) {}
    ~TMovableI() override { StopMove(); }

    // Moves to (x, y) over `frames` frames; fewer than one moves at once.
    void MoveTo(int x, int y, int frames) {
        StopMove();
        xDriver.Clear();
        yDriver.Clear();
        if (frames < 1) {
            this->SetPosition(x, y);
            return;
        }
        xDriver.Chain()->SetKey(frames, x);
        yDriver.Chain()->SetKey(frames, y);
        moveChain->ClearChains();
        moveChain->AddChain(xDriver.Chain());
        moveChain->AddChain(yDriver.Chain());
        moveChain->SetStateCount(frames + 1);
        moveAnimator = new StateAnimator(moveChain, StateAnimator::LastState, false, StateAnimator::PingPong, -1);
        this->StartAnimator(moveAnimator);
    }
    void StopMove() {
        if (moveAnimator) moveAnimator->Stop();
        moveAnimator = nullptr;
    }
    bool IsMoving() const { return moveAnimator && !moveAnimator->IsFinished(); }

    const shared_ptr<ComplexStatesChain<int>>& GetXChain() const { return xDriver.Chain(); }
    const shared_ptr<ComplexStatesChain<int>>& GetYChain() const { return yDriver.Chain(); }
    // Its stateChanged tells when a move reached its last state.
    const shared_ptr<ParallelStatesChain>& GetMoveChain() const { return moveChain; }

private:
    void SetX(int x) { this->SetPosition(x, this->Y()); }
    void SetY(int y) { this->SetPosition(this->X(), y); }

    ChainDriver<TMovableI> xDriver;
    ChainDriver<TMovableI> yDriver;
    shared_ptr<ParallelStatesChain> moveChain;
    shared_ptr<StateAnimator> moveAnimator;
};
