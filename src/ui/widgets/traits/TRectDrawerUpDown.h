#pragma once
#include <cstdint>

#include "ui/Surface.h"

// A list row: its image, then a separator line along its bottom edge. The
// first row of a list also gets one along its top edge, so that every row
// sits between two lines.
template <class Base>
class TRectDrawerUpDown : public Base {
public:
    void SetLineColor(uint8_t r, uint8_t g, uint8_t b) {
        red = r;
        green = g;
        blue = b;
        this->Invalidate();
    }

    void Draw(Surface& surface) override {
        Base::Draw(surface);
        const int w = this->Width(), h = this->Height();
        if (w < 1 || h < 1) return;
        const int t = this->GetTransparency();
        surface.FillColor(Rect(0, h - 1, w, 1), red, green, blue, t);
        if (IsFirstChild()) surface.FillColor(Rect(0, 0, w, 1), red, green, blue, t);
    }

private:
    bool IsFirstChild() const {
        GObject* parent = this->Parent();
        return parent && parent->ChildCount() > 0 && parent->Children().front().get() == this;
    }

    uint8_t red = 0, green = 0, blue = 0;
};
