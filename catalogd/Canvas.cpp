#include "Canvas.h"

#include <algorithm>
#include <cmath>

namespace catalogd {
namespace {

bool InRoundRect(double px, double py, double x, double y, double w, double h, double r) {
    if (px < x || py < y || px > x + w || py > y + h) return false;
    double cx = std::clamp(px, x + r, x + w - r);
    double cy = std::clamp(py, y + r, y + h - r);
    double dx = px - cx, dy = py - cy;
    return dx * dx + dy * dy <= r * r;
}

}  // namespace

Rgba FromHsv(double hue, double s, double v, uint8_t alpha) {
    hue = std::fmod(hue, 360.0);
    if (hue < 0) hue += 360.0;
    double c = v * s;
    double x = c * (1 - std::fabs(std::fmod(hue / 60.0, 2.0) - 1));
    double m = v - c;
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue / 60.0)) {
        case 0: r = c; g = x; break;
        case 1: r = x; g = c; break;
        case 2: g = c; b = x; break;
        case 3: g = x; b = c; break;
        case 4: r = x; b = c; break;
        default: r = c; b = x; break;
    }
    auto to8 = [m](double u) { return static_cast<uint8_t>(std::lround((u + m) * 255.0)); };
    return {to8(r), to8(g), to8(b), alpha};
}

Canvas::Canvas(int width, int height, Rgba fill)
    : width(width), height(height), pixels(static_cast<size_t>(width) * height * 4) {
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = fill.r;
        pixels[i + 1] = fill.g;
        pixels[i + 2] = fill.b;
        pixels[i + 3] = fill.a;
    }
}

Rgba Canvas::At(int x, int y) const {
    const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

void Canvas::Blend(int x, int y, Rgba c, double coverage) {
    if (x < 0 || y < 0 || x >= width || y >= height || coverage <= 0) return;
    uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
    double sa = c.a / 255.0 * coverage;
    double da = p[3] / 255.0;
    double oa = sa + da * (1 - sa);
    if (oa <= 0) return;
    auto mix = [&](uint8_t s, uint8_t d) {
        return static_cast<uint8_t>(std::lround((s * sa + d * da * (1 - sa)) / oa));
    };
    p[0] = mix(c.r, p[0]);
    p[1] = mix(c.g, p[1]);
    p[2] = mix(c.b, p[2]);
    p[3] = static_cast<uint8_t>(std::lround(oa * 255.0));
}

template <typename Inside>
void Canvas::FillShape(double x0, double y0, double x1, double y1, Rgba colour, Inside inside) {
    int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
    int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
    int ix1 = std::min(width, static_cast<int>(std::ceil(x1)));
    int iy1 = std::min(height, static_cast<int>(std::ceil(y1)));
    for (int y = iy0; y < iy1; ++y)
        for (int x = ix0; x < ix1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    if (inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4)) ++hits;
            Blend(x, y, colour, hits / 16.0);
        }
}

void Canvas::FillRect(int x, int y, int w, int h, Rgba colour) {
    for (int j = std::max(0, y); j < std::min(height, y + h); ++j)
        for (int i = std::max(0, x); i < std::min(width, x + w); ++i) Blend(i, j, colour, 1.0);
}

void Canvas::FillRoundRect(double x, double y, double w, double h, double r, Rgba colour) {
    FillShape(x, y, x + w, y + h, colour,
              [=](double px, double py) { return InRoundRect(px, py, x, y, w, h, r); });
}

void Canvas::FillCircle(double cx, double cy, double r, Rgba colour) {
    FillShape(cx - r, cy - r, cx + r, cy + r, colour, [=](double px, double py) {
        return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= r * r;
    });
}

void Canvas::VerticalGradient(int x, int y, int w, int h, Rgba top, Rgba bottom) {
    for (int j = 0; j < h; ++j) {
        double t = h > 1 ? double(j) / (h - 1) : 0;
        auto lerp = [t](uint8_t a, uint8_t b) { return static_cast<uint8_t>(std::lround(a + (b - a) * t)); };
        FillRect(x, y + j, w, 1, {lerp(top.r, bottom.r), lerp(top.g, bottom.g), lerp(top.b, bottom.b),
                                  lerp(top.a, bottom.a)});
    }
}

void Canvas::ClipRoundRect(double x, double y, double w, double h, double r) {
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    if (InRoundRect(i + (sx + 0.5) / 4, j + (sy + 0.5) / 4, x, y, w, h, r)) ++hits;
            uint8_t& a = pixels[(static_cast<size_t>(j) * width + i) * 4 + 3];
            a = static_cast<uint8_t>(a * hits / 16);
        }
}

}  // namespace catalogd
