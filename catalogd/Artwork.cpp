#include "Artwork.h"

#include <cmath>

namespace catalogd {
namespace {

constexpr Rgba kWhite{255, 255, 255, 255};

// A few bars of "text" at (x, y); their lengths come from `variant` so that
// no two screenshots look alike.
void TextLines(Canvas& c, int x, int y, int lines, int maxWidth, uint64_t variant, Rgba colour) {
    for (int i = 0; i < lines; ++i) {
        int w = maxWidth / 2 + static_cast<int>((variant >> (i * 5 % 60)) % static_cast<uint64_t>(maxWidth / 2));
        c.FillRect(x, y + i * 10, w, 5, colour);
    }
}

void ListLayout(Canvas& c, double hue, uint64_t variant) {
    for (int row = 0; row < 6; ++row) {
        int y = 34 + row * 44;
        c.FillRect(0, y + 43, kShotWidth, 1, {210, 210, 215, 255});
        c.FillRoundRect(8, y + 6, 32, 32, 6, FromHsv(hue + row * 25, 0.6, 0.85));
        TextLines(c, 50, y + 10, 2, 170, variant >> row, {90, 90, 100, 255});
    }
}

void GridLayout(Canvas& c, double hue, uint64_t variant) {
    for (int i = 0; i < 12; ++i) {
        int x = 12 + (i % 3) * 74;
        int y = 40 + (i / 3) * 64;
        double v = 0.55 + 0.4 * ((variant >> i) & 1);
        c.FillRoundRect(x, y, 66, 56, 8, FromHsv(hue + i * 12, 0.5, v));
    }
}

void ChartLayout(Canvas& c, double hue, uint64_t variant) {
    c.FillRect(16, 48, 208, 150, {245, 245, 250, 255});
    for (int i = 0; i < 8; ++i) {
        int h = 20 + static_cast<int>((variant >> (i * 7)) % 120);
        c.FillRect(24 + i * 25, 190 - h, 18, h, FromHsv(hue, 0.7, 0.8));
    }
    TextLines(c, 16, 214, 5, 200, variant, {90, 90, 100, 255});
}

void GameLayout(Canvas& c, double hue, uint64_t variant) {
    c.VerticalGradient(0, 28, kShotWidth, 264, FromHsv(hue + 180, 0.6, 0.25), FromHsv(hue + 200, 0.7, 0.55));
    for (int i = 0; i < 14; ++i) {
        double x = 10 + static_cast<double>((variant >> (i * 4)) % 220);
        double y = 40 + static_cast<double>(((variant >> (i * 3)) * 7 + i * 37) % 230);
        c.FillCircle(x, y, 3 + i % 5, FromHsv(hue + i * 30, 0.5, 1.0, 220));
    }
    c.FillRoundRect(100, 250, 40, 24, 6, FromHsv(hue, 0.8, 0.95));
}

}  // namespace

Canvas DrawIcon(double hue, int motif) {
    Canvas c(kIconSize, kIconSize);
    c.FillRoundRect(3, 5, 58, 58, 12, {0, 0, 0, 70});  // shadow
    c.FillRoundRect(2, 2, 58, 58, 12, FromHsv(hue, 0.75, 0.9));
    Canvas tile(kIconSize, kIconSize);
    tile.VerticalGradient(2, 2, 58, 29, {255, 255, 255, 90}, {255, 255, 255, 10});
    tile.ClipRoundRect(2, 2, 58, 58, 12);
    for (int y = 0; y < kIconSize; ++y)
        for (int x = 0; x < kIconSize; ++x) {
            Rgba p = tile.At(x, y);
            if (p.a) c.FillRect(x, y, 1, 1, p);
        }
    switch (motif % 5) {
        case 0: c.FillCircle(31, 31, 15, kWhite); c.FillCircle(31, 31, 8, FromHsv(hue, 0.75, 0.9)); break;
        case 1:
            for (int i = 0; i < 3; ++i) c.FillRoundRect(16, 17 + i * 10, 30, 6, 3, kWhite);
            break;
        case 2:
            for (int i = 0; i < 4; ++i) c.FillRoundRect(15 + (i % 2) * 17, 15 + (i / 2) * 17, 14, 14, 3, kWhite);
            break;
        case 3:
            for (int i = 0; i < 4; ++i) c.FillRect(16 + i * 8, 44 - (i + 1) * 6, 6, (i + 1) * 6, kWhite);
            break;
        default: c.FillCircle(31, 31, 16, kWhite); c.FillRect(29, 19, 4, 14, FromHsv(hue, 0.75, 0.9)); break;
    }
    return c;
}

Canvas DrawScreenshot(double hue, int layout, uint64_t variant) {
    Canvas c(kShotWidth, kShotHeight, {250, 250, 252, 255});
    c.VerticalGradient(0, 0, kShotWidth, 28, FromHsv(hue, 0.7, 0.75), FromHsv(hue, 0.8, 0.55));
    TextLines(c, 8, 11, 1, 120, variant, kWhite);
    switch (layout % 4) {
        case 0: ListLayout(c, hue, variant); break;
        case 1: GridLayout(c, hue, variant); break;
        case 2: ChartLayout(c, hue, variant); break;
        default: GameLayout(c, hue, variant); break;
    }
    c.VerticalGradient(0, kShotHeight - 28, kShotWidth, 28, {60, 60, 66, 255}, {30, 30, 34, 255});
    c.FillRect(20, kShotHeight - 16, 50, 5, {220, 220, 220, 255});
    c.FillRect(170, kShotHeight - 16, 50, 5, {220, 220, 220, 255});
    return c;
}

}  // namespace catalogd
