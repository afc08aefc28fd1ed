#pragma once
#include "ui/StateAnimator.h"
#include "ui/widgets/traits/ChainDriver.h"

// Plays the image states 0..n-1 of the image below as frames: state n of its
// chain (linear) shows image state n. The loading animation.
template <class Base>
class TAnimatedImage : public Base {
public:
    TAnimatedImage() : frameDriver(this, &TAnimatedImage::GetImageState, &TAnimatedImage::ShowFrame, true) {}

    // Frames are image states 0, 1, 2...
    void AddFrame(const shared_ptr<Surface>& image) { this->AddImageState(frameCount++, image); }
    int FrameCount() const { return frameCount; }

    // Runs the frames from the first to the last, over and over when `loop`.
    void Play(bool loop = true) {
        frameDriver.Clear();
        if (frameCount < 1) return;
        ShowFrame(0);
        if (frameCount < 2) return;
        frameDriver.Chain()->SetKey(frameCount - 1, frameCount - 1);
        frameDriver.Run(*this, shared_ptr<StateAnimator>(new StateAnimator(
                                   frameDriver.Chain(), StateAnimator::LastState, loop, StateAnimator::Restart, -1)));
    }
    void StopPlaying() { frameDriver.Stop(); }
    bool IsPlaying() const { return frameDriver.IsRunning(); }
    const shared_ptr<ComplexStatesChain<int>>& GetFrameChain() const { return frameDriver.Chain(); }

private:
    void ShowFrame(int frame) { this->SetImageState(frame, false); }

    ChainDriver<TAnimatedImage> frameDriver;
    int frameCount = 0;
};
