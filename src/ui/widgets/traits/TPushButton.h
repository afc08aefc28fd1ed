#pragma once
#include "ui/Touch.h"

// A button with a pressed image (state 0) and a normal one (state 1); the
// base must be an image (TImage somewhere below).
template <class Base>
class TPushButton : public Base {
public:
    enum ImageState : int { PressedImage = 0, NormalImage = 1 };

    void OnPressed(const Touch& touch) override {
        Base::OnPressed(touch);
        this->SetImageState(PressedImage, false);
    }
    void OnReleased(const Touch& touch) override {
        Base::OnReleased(touch);
        this->SetImageState(NormalImage, false);
    }
};
