#include "platform/htmlview/PageCanvas.h"

#include <algorithm>
#include <cmath>

#include "platform/imaging/Pixel565.h"

namespace platform::htmlview {

Box Intersect(const Box& a, const Box& b) {
    const int x = std::max(a.x, b.x), y = std::max(a.y, b.y);
    const int right = std::min(a.Right(), b.Right()), bottom = std::min(a.Bottom(), b.Bottom());
    return {x, y, std::max(0, right - x), std::max(0, bottom - y)};
}

PageCanvas::PageCanvas(std::uint16_t* pixels, int width, int height)
    : pixels(pixels), width(width), height(height), clip{0, 0, width, height} {
    dc.Attach(pixels, width, height);
}

void PageCanvas::PushClip(const Box& box) {
    clips.push_back(clip);
    clip = Intersect(clip, box);
}

void PageCanvas::PopClip() {
    if (clips.empty()) return;
    clip = clips.back();
    clips.pop_back();
}

text::DeviceContext& PageCanvas::Text() {
    dc.SetClip(clip.x, clip.y, clip.Right(), clip.Bottom());
    return dc;
}

namespace {

// How much of the pixel (x, y) lies inside a corner arc of radius r whose
// centre is (cx, cy): 0 outside, 255 inside, a quarter-pixel sampled edge.
int CornerCoverage(int x, int y, double cx, double cy, int r) {
    int inside = 0;
    for (double sy : {0.25, 0.75})
        for (double sx : {0.25, 0.75}) {
            const double dx = x + sx - cx, dy = y + sy - cy;
            if (dx * dx + dy * dy <= double(r) * r) ++inside;
        }
    return inside * 255 / 4;
}

int RoundedCoverage(const Box& box, const int radii[4], int x, int y) {
    const int tl = radii[0], tr = radii[1], br = radii[2], bl = radii[3];
    if (tl > 0 && x < box.x + tl && y < box.y + tl) return CornerCoverage(x, y, box.x + tl, box.y + tl, tl);
    if (tr > 0 && x >= box.Right() - tr && y < box.y + tr)
        return CornerCoverage(x, y, box.Right() - tr, box.y + tr, tr);
    if (br > 0 && x >= box.Right() - br && y >= box.Bottom() - br)
        return CornerCoverage(x, y, box.Right() - br, box.Bottom() - br, br);
    if (bl > 0 && x < box.x + bl && y >= box.Bottom() - bl)
        return CornerCoverage(x, y, box.x + bl, box.Bottom() - bl, bl);
    return 255;
}

void Put(std::uint16_t& d, std::uint16_t s, int weight) {
    if (weight >= 255)
        d = s;
    else if (weight > 0)
        d = pixel565::Blend(d, s, weight);
}

}  // namespace

void PageCanvas::Fill(const Box& box, Colour colour, const int radii[4]) {
    const Box area = Intersect(box, clip);
    if (area.Empty() || colour.a == 0) return;
    const std::uint16_t c = pixel565::FromRgb(colour.r, colour.g, colour.b);
    const bool round = radii && (radii[0] > 0 || radii[1] > 0 || radii[2] > 0 || radii[3] > 0);
    for (int y = area.y; y < area.Bottom(); ++y) {
        std::uint16_t* row = pixels + static_cast<std::size_t>(y) * width;
        for (int x = area.x; x < area.Right(); ++x) {
            const int cover = round ? RoundedCoverage(box, radii, x, y) : 255;
            Put(row[x], c, cover * colour.a / 255);
        }
    }
}

void PageCanvas::Draw(const imaging::Bitmap& bitmap, int x, int y, const Box& area) {
    const Box target = Intersect(Intersect({x, y, bitmap.width, bitmap.height}, area), clip);
    if (target.Empty()) return;
    for (int ty = target.y; ty < target.Bottom(); ++ty) {
        const std::uint8_t* src = bitmap.rgba.data() + (static_cast<std::size_t>(ty - y) * bitmap.width + (target.x - x)) * 4;
        std::uint16_t* row = pixels + static_cast<std::size_t>(ty) * width;
        for (int tx = target.x; tx < target.Right(); ++tx, src += 4)
            Put(row[tx], pixel565::FromRgb(src[0], src[1], src[2]), bitmap.hasAlpha ? src[3] : 255);
    }
}

}  // namespace platform::htmlview
