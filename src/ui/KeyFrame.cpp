#include "ui/KeyFrame.h"

#include <algorithm>

#include "ui/ImagePool.h"
#include "ui/Surface.h"
#include "ui/layouts/LayoutMetrics.h"

namespace {

shared_ptr<Surface> FrameImage() {
    shared_ptr<Surface> image = ImagePool::Instance().GetImage(u"key_frame.png", ImagePool::Cache);
    if (!image || image->IsEmpty() || LayoutMetrics::Get().DoublesImages()) return image;
    // Kept beside the pool's copy: the halving is done once, not per frame.
    static shared_ptr<Surface> source, halved;
    if (source != image) {
        source = image;
        halved = image->GetScaled(image->Width() / 2, image->Height() / 2);
    }
    return halved;
}

// Repeats the `from` part of the image over `to`.
void Tile(Surface& surface, const Surface& image, Rect from, Rect to, int transparency) {
    if (from.IsEmpty() || to.IsEmpty()) return;
    for (int y = to.y; y < to.Bottom(); y += from.height)
        for (int x = to.x; x < to.Right(); x += from.width)
            surface.DrawImage(x, y, std::min(from.width, to.Right() - x), std::min(from.height, to.Bottom() - y), image,
                              transparency, from.x, from.y);
}

}  // namespace

void DrawKeyFrame(Surface& surface, int width, int height, int transparency) {
    const shared_ptr<Surface> image = FrameImage();
    if (!image || image->IsEmpty() || width <= 0 || height <= 0) return;
    const int W = image->Width(), H = image->Height();
    const int cx = W / 3, cy = H / 3;
    // A small object gets as much of each corner as fits in its half.
    const int w = std::min(cx, width / 2), h = std::min(cy, height / 2);
    const int midW = W - 2 * cx, midH = H - 2 * cy;
    const Surface& s = *image;
    Tile(surface, s, Rect(0, 0, w, h), Rect(0, 0, w, h), transparency);
    Tile(surface, s, Rect(W - w, 0, w, h), Rect(width - w, 0, w, h), transparency);
    Tile(surface, s, Rect(0, H - h, w, h), Rect(0, height - h, w, h), transparency);
    Tile(surface, s, Rect(W - w, H - h, w, h), Rect(width - w, height - h, w, h), transparency);
    Tile(surface, s, Rect(cx, 0, midW, h), Rect(w, 0, width - 2 * w, h), transparency);
    Tile(surface, s, Rect(cx, H - h, midW, h), Rect(w, height - h, width - 2 * w, h), transparency);
    Tile(surface, s, Rect(0, cy, w, midH), Rect(0, h, w, height - 2 * h), transparency);
    Tile(surface, s, Rect(W - w, cy, w, midH), Rect(width - w, h, w, height - 2 * h), transparency);
}

int KeyFrameWidth() {
    const shared_ptr<Surface> image = FrameImage();
    return image && !image->IsEmpty() ? image->Width() / 3 : 0;
}
