#pragma once
#include <cstdint>

#include "ui/IKeyLit.h"
#include "ui/Touch.h"

// A label that changes colour while pressed (links), and while the key
// highlight is on it.
template <class Base>
class THotLabel : public Base, public IKeyLit {
public:
    void SetHotColors(uint32_t normal, uint32_t pressed) {
        normalColour = normal;
        pressedColour = pressed;
        this->SetColor(this->IsPressed() || keyLit ? pressedColour : normalColour);
    }
    void ShowKeyLit(bool lit) override {
        keyLit = lit;
        this->SetColor(this->IsPressed() || keyLit ? pressedColour : normalColour);
    }
    uint32_t GetNormalColor() const { return normalColour; }
    uint32_t GetPressedColor() const { return pressedColour; }

    void OnPressed(const Touch& touch) override {
        Base::OnPressed(touch);
        this->SetColor(pressedColour);
    }
    void OnReleased(const Touch& touch) override {
        Base::OnReleased(touch);
        this->SetColor(keyLit ? pressedColour : normalColour);
    }

private:
    bool keyLit = false;
    uint32_t pressedColour = 0;
    uint32_t normalColour = 0;
};
