#pragma once
#include <cstdint>

#include "ui/Touch.h"

// A label that changes colour while pressed (links).
template <class Base>
class THotLabel : public Base {
public:
    void SetHotColors(uint32_t normal, uint32_t pressed) {
        normalColour = normal;
        pressedColour = pressed;
        this->SetColor(this->IsPressed() ? pressedColour : normalColour);
    }
    uint32_t GetNormalColor() const { return normalColour; }
    uint32_t GetPressedColor() const { return pressedColour; }

    void OnPressed(const Touch& touch) override {
        Base::OnPressed(touch);
        this->SetColor(pressedColour);
    }
    void OnReleased(const Touch& touch) override {
        Base::OnReleased(touch);
        this->SetColor(normalColour);
    }

private:
    uint32_t pressedColour = 0;
    uint32_t normalColour = 0;
};
