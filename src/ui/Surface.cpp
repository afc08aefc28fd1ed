#include "ui/Surface.h"

#include <limits>
#include <stdexcept>

#include "platform/imaging/Bitmap.h"
#include "ui/Blend.h"

namespace {
// Far beyond any screen or image we accept, and small enough that
// width * height * 2 never overflows.
constexpr int64_t kMaxSurfacePixels = int64_t{1} << 28;
}  // namespace

bool Surface::Allocate(int32_t w, int32_t h, bool withAlpha) {
    Clear();
    if (w <= 0 || h <= 0 || int64_t{w} * h > kMaxSurfacePixels) return false;
    width = w;
    height = h;
    pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    if (withAlpha) alpha.assign(pixels.size(), 0);
    clip = Bounds();
    deviceContext.Attach(pixels.data(), width, height);
    return true;
}

size_t Surface::MemoryBytes() const {
    return pixels.capacity() * sizeof(uint16_t) + alpha.capacity();
}

void Surface::Clear() {
    width = height = 0;
    pixels.clear();
    pixels.shrink_to_fit();
    alpha.clear();
    alpha.shrink_to_fit();
    clipStack.clear();
    clip = Rect();
    origin = Point{};
    deviceContext.Attach(nullptr, 0, 0);
}

uint16_t Surface::PixelAt(int32_t x, int32_t y) const {
    if (!Bounds().Contains(x, y)) return 0;
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
}

void Surface::SetPixel(int32_t x, int32_t y, uint16_t value) {
    if (!Bounds().Contains(x, y)) return;
    pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = value;
}

uint8_t Surface::AlphaAt(int32_t x, int32_t y) const {
    if (alpha.empty()) return Bounds().Contains(x, y) ? 255 : 0;
    if (!Bounds().Contains(x, y)) return 0;
    return alpha[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
}

// --- Clip -----------------------------------------------------------------------

void Surface::PushClip(const Rect& rect) {
    Rect next = clipStack.empty() ? rect : clipStack.back().Intersect(rect);
    clipStack.push_back(next);
    clip = next;
}

void Surface::PopClip() {
    if (!clipStack.empty()) clipStack.pop_back();
    clip = clipStack.empty() ? Bounds() : clipStack.back();
}

const Rect& Surface::GetClip() const {
    if (clipStack.empty()) throw std::out_of_range("invalid vector<T> subscript");
    return clipStack.back();
}

bool Surface::ClipDestination(Rect& dst, int32_t& shiftX, int32_t& shiftY) const {
    Rect moved = dst.Offset(origin.x, origin.y);
    // The clip may have been pushed larger than the surface; the buffer is not.
    Rect visible = moved.Intersect(clip).Intersect(Bounds());
    if (visible.IsEmpty() || moved.IsEmpty()) return false;
    shiftX = visible.x - moved.x;
    shiftY = visible.y - moved.y;
    dst = visible;
    return true;
}

// --- Pixel routines ---------------------------------------------------------------

void Surface::FillRect(const Rect& rect, uint16_t color) {
    Rect r = rect.Intersect(Bounds());
    if (r.IsEmpty()) return;
    if (r.x == 0 && r.width == width) {
        r.width *= r.height;
        r.height = 1;
    }
    for (int32_t y = r.y; y < r.Bottom(); ++y)
        blend::FillRow(&pixels[static_cast<size_t>(y) * width + r.x], color, static_cast<size_t>(r.width));
}

bool Surface::FillColor(const Rect& rect, uint8_t red, uint8_t green, uint8_t blue, int transparency) {
    if (transparency <= 0) return true;
    Rect r = rect;
    int32_t sx = 0, sy = 0;
    if (!ClipDestination(r, sx, sy)) return false;
    uint16_t color = blend::FromRgb(red, green, blue);
    // Whole rows are one run in memory: one call instead of one per row.
    if (r.x == 0 && r.width == width) {
        r.width *= r.height;
        r.height = 1;
    }
    for (int32_t y = r.y; y < r.Bottom(); ++y) {
        uint16_t* row = &pixels[static_cast<size_t>(y) * width + r.x];
        if (transparency >= 255)
            blend::FillRow(row, color, static_cast<size_t>(r.width));
        else
            blend::BlendRowColor(row, color, static_cast<size_t>(r.width), transparency);
    }
    return true;
}

bool Surface::DrawImage(int32_t x, int32_t y, int32_t w, int32_t h, const Surface& source, int transparency,
                        int32_t sourceX, int32_t sourceY) {
    if (source.IsEmpty()) return false;
    // Never read outside the source, whatever the caller asked for.
    if (sourceX < 0) {
        x -= sourceX;
        w += sourceX;
        sourceX = 0;
    }
    if (sourceY < 0) {
        y -= sourceY;
        h += sourceY;
        sourceY = 0;
    }
    w = std::min(w, source.width - sourceX);
    h = std::min(h, source.height - sourceY);
    Rect dst(x, y, w, h);
    int32_t shiftX = 0, shiftY = 0;
    if (!ClipDestination(dst, shiftX, shiftY)) return false;
    if (transparency <= 0) return true;
    sourceX += shiftX;
    sourceY += shiftY;
    const bool withAlpha = source.HasAlpha();
    // Full rows of equal width on both sides are one run in memory.
    if (dst.x == 0 && dst.width == width && sourceX == 0 && source.width == width) {
        dst.width *= dst.height;
        dst.height = 1;
    }
    const size_t n = static_cast<size_t>(dst.width);
    for (int32_t row = 0; row < dst.height; ++row) {
        uint16_t* d = &pixels[static_cast<size_t>(dst.y + row) * width + dst.x];
        size_t srcIndex = static_cast<size_t>(sourceY + row) * source.width + sourceX;
        const uint16_t* s = &source.pixels[srcIndex];
        if (!withAlpha) {
            if (transparency >= 255)
                blend::CopyRow(d, s, n);
            else
                blend::BlendRow(d, s, n, transparency);
        } else if (transparency >= 255) {
            blend::BlendRowAlpha(d, s, &source.alpha[srcIndex], n);
        } else {
            blend::BlendRowAlphaT(d, s, &source.alpha[srcIndex], n, transparency);
        }
    }
    return true;
}

// --- Text -------------------------------------------------------------------------

platform::text::DeviceContext& Surface::BeginGdi() {
    deviceContext.SetClip(clip.x, clip.y, clip.Right(), clip.Bottom());
    deviceContext.SetViewportOrigin(origin.x, origin.y);
    return deviceContext;
}

void Surface::EndGdi() {
    deviceContext.ClearClip();
    deviceContext.SetViewportOrigin(0, 0);
    deviceContext.SelectFont(nullptr);
}

bool Surface::SavePng(const std::u16string& path, std::string* error) const {
    std::vector<uint8_t> bytes;
    auto bitmap = platform::imaging::FromRgb565(Pixels(), Alpha(), width, height);
    return platform::imaging::EncodePng(bitmap, bytes, error) && platform::imaging::WriteFile(path, bytes, error);
}
