#pragma once
#include <cstdint>

#include "ui/Surface.h"

// A scroll bar thumb: one vertical line per pixel column in the bar colour,
// the edge columns shorter so that the ends look rounded.
template <class Base>
class TScrollDrawer : public Base {
public:
    void SetBarColor(uint8_t r, uint8_t g, uint8_t b) {
        red = r;
        green = g;
        blue = b;
        this->Invalidate();
    }

    void Draw(Surface& surface) override {
        Base::Draw(surface);
        const int w = this->Width(), h = this->Height();
        for (int column = 0; column < w; ++column) {
            int cut = ColumnCut(column, w);
            if (h - 2 * cut < 1) continue;
            surface.FillColor(Rect(column, cut, 1, h - 2 * cut), red, green, blue, this->GetTransparency());
        }
    }

    // How many pixels a column loses at each end.
    static int ColumnCut(int column, int width) {
        if (width >= 10) {
            if (column == 0 || column == width - 1) return 2;
            if (column == 1) return 1;
            return 0;
        }
        return column == 0 ? 1 : 0;
    }

private:
    uint8_t red = 0, green = 0, blue = 0;
};
