#include "ui/WMSurface.h"

#include <algorithm>

#include "platform/imaging/Pixel565.h"

namespace imaging = platform::imaging;

imaging::DecodeLimits& WMSurface::Limits() {
    static imaging::DecodeLimits limits;
    return limits;
}

bool WMSurface::Create(int32_t w, int32_t h, bool withAlpha) {
    decoded.reset();
    scaled.clear();
    return Allocate(w, h, withAlpha);
}

bool WMSurface::Fail() {
    decoded.reset();
    scaled.clear();
    Clear();
    return false;
}

bool WMSurface::Adopt(imaging::Bitmap&& bitmap) {
    scaled.clear();
    if (!Allocate(bitmap.width, bitmap.height, bitmap.hasAlpha)) return Fail();
    imaging::ToRgb565(bitmap, Pixels(), Alpha());
    decoded = std::make_shared<const imaging::Bitmap>(std::move(bitmap));
    return true;
}

bool WMSurface::Decode(const uint8_t* data, size_t size, bool allowReduced) {
    imaging::DecodeOptions options;
    options.limits = Limits();
    options.allowReduced = allowReduced;
    imaging::Bitmap bitmap;
    lastError.clear();
    if (!imaging::Decode(data, size, bitmap, options, &lastError)) return Fail();
    return Adopt(std::move(bitmap));
}

bool WMSurface::Load(const std::u16string& path, bool allowReduced) {
    std::vector<uint8_t> bytes;
    lastError.clear();
    if (!imaging::ReadFile(path, bytes, &lastError)) return Fail();
    return Decode(bytes.data(), bytes.size(), allowReduced);
}

bool WMSurface::LoadFile(const std::u16string& path) { return Load(path, false); }
bool WMSurface::LoadFileWithFallback(const std::u16string& path) { return Load(path, true); }
bool WMSurface::LoadBuffer(const uint8_t* data, size_t size) { return Decode(data, size, false); }

shared_ptr<Surface> WMSurface::GetScaled(int32_t w, int32_t h) {
    if (w == width && h == height) return shared_ptr<Surface>(this);
    w = std::max(w, 2);
    h = std::max(h, 2);
    if (w == width && h == height) return shared_ptr<Surface>(this);
    if (IsEmpty()) return shared_ptr<Surface>(this);
    if (!decoded) {
        // Not an image: a plain stretched copy, made anew each time.
        shared_ptr<WMSurface> copy(new WMSurface());
        if (!copy->Create(w, h, HasAlpha())) return shared_ptr<Surface>(this);
        for (int32_t y = 0; y < h; ++y) {
            int32_t sy = static_cast<int32_t>(int64_t{y} * height / h);
            for (int32_t x = 0; x < w; ++x) {
                int32_t sx = static_cast<int32_t>(int64_t{x} * width / w);
                copy->SetPixel(x, y, PixelAt(sx, sy));
                if (HasAlpha()) copy->Alpha()[static_cast<size_t>(y) * w + x] = AlphaAt(sx, sy);
            }
        }
        return copy;
    }
    auto key = std::make_pair(w, h);
    if (auto it = scaled.find(key); it != scaled.end()) return it->second;
    imaging::Bitmap resized = imaging::Resample(*decoded, w, h);
    if (resized.IsEmpty()) return shared_ptr<Surface>(this);
    shared_ptr<WMSurface> copy(new WMSurface());
    if (!copy->Allocate(resized.width, resized.height, resized.hasAlpha)) return shared_ptr<Surface>(this);
    imaging::ToRgb565(resized, copy->Pixels(), copy->Alpha());
    scaled[key] = copy;
    return copy;
}

size_t WMSurface::MemoryBytes() const {
    size_t bytes = Surface::MemoryBytes();
    if (decoded) bytes += decoded->rgba.capacity();
    for (const auto& [size, copy] : scaled) bytes += copy->MemoryBytes();
    return bytes;
}

void WMSurface::SetColorKey(uint8_t red, uint8_t green, uint8_t blue) {
    if (IsEmpty()) return;
    uint16_t key = pixel565::FromRgb(red, green, blue);
    // Magenta drawn by the platform's icon routine comes out as 0xF83F.
    if (pixels[0] == 0xF83F) key = 0xF83F;
    imaging::Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.hasAlpha = true;
    bitmap.rgba.resize(pixels.size() * 4);
    if (alpha.size() != pixels.size()) alpha.assign(pixels.size(), 0);
    for (size_t i = 0; i < pixels.size(); ++i) {
        uint8_t* p = &bitmap.rgba[i * 4];
        pixel565::ToRgb(pixels[i], p[0], p[1], p[2]);
        alpha[i] = p[3] = pixels[i] == key ? 0 : 255;
    }
    decoded = std::make_shared<const imaging::Bitmap>(std::move(bitmap));
    scaled.clear();
}
