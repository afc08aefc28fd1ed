#pragma once
#include <cstdint>

#include "ui/Surface.h"

// Fills the whole object with one colour at the object's transparency
// (coloured bars, the dimming layer under a popup box).
template <class Base>
class TRectDrawer : public Base {
public:
    void SetFillColor(uint8_t r, uint8_t g, uint8_t b) {
        red = r;
        green = g;
        blue = b;
        this->Invalidate();
    }
    uint8_t Red() const { return red; }
    uint8_t Green() const { return green; }
    uint8_t Blue() const { return blue; }

    void Draw(Surface& surface) override {
        Base::Draw(surface);
        surface.FillColor(Rect(0, 0, this->Width(), this->Height()), red, green, blue, this->GetTransparency());
    }

private:
    uint8_t red = 0, green = 0, blue = 0;
};
