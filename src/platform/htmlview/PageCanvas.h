#pragma once
#include <cstdint>
#include <vector>

#include "platform/imaging/Bitmap.h"
#include "platform/text/DeviceContext.h"

// The surface a page is drawn on: 16-bit RGB 5-6-5 pixels like every frame
// of the device, filled and blended with straight 8-bit colours, with a clip
// that shrinks as boxes nest and text drawn by the device's text renderer.
namespace platform::htmlview {

struct Colour {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
};

struct Box {
    int x = 0, y = 0, width = 0, height = 0;
    int Right() const { return x + width; }
    int Bottom() const { return y + height; }
    bool Empty() const { return width <= 0 || height <= 0; }
};

Box Intersect(const Box& a, const Box& b);

class PageCanvas {
public:
    PageCanvas(std::uint16_t* pixels, int width, int height);

    int Width() const { return width; }
    int Height() const { return height; }
    const Box& Clip() const { return clip; }
    // True while a box of the page narrows the clip.
    bool Clipped() const { return !clips.empty(); }

    // Narrows the clip to `box` until the matching PopClip.
    void PushClip(const Box& box);
    void PopClip();

    // Blends `colour` over the box; with corner radii (per corner, in
    // pixels: top-left, top-right, bottom-right, bottom-left) the corners
    // are cut round.
    void Fill(const Box& box, Colour colour, const int radii[4] = nullptr);
    // Draws the bitmap with its top-left corner at (x, y), blended by its
    // alpha, clipped to `area` as well as to the clip.
    void Draw(const imaging::Bitmap& bitmap, int x, int y, const Box& area);

    // Text drawing on the same pixels, clipped like the rest.
    text::DeviceContext& Text();

private:
    std::uint16_t* pixels;
    int width, height;
    Box clip;
    std::vector<Box> clips;
    text::DeviceContext dc;
};

}  // namespace platform::htmlview
