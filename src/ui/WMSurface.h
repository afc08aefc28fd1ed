#pragma once
#include <map>
#include <memory>
#include <utility>

#include "platform/imaging/Bitmap.h"
#include "ui/Surface.h"

// The surface the UI draws on and loads images into. A loaded image keeps
// its full-resolution decoded bitmap, so that scaled copies are made from the
// original pixels rather than from the 16-bit ones, and caches each scaled
// copy by size.
class WMSurface : public Surface {
public:
    WMSurface() = default;
    WMSurface(int32_t w, int32_t h, bool withAlpha = false) { Create(w, h, withAlpha); }

    bool Create(int32_t width, int32_t height, bool withAlpha) override;
    bool LoadFile(const std::u16string& path) override;
    bool LoadBuffer(const uint8_t* data, size_t size) override;
    bool LoadBuffer(const std::vector<uint8_t>& bytes) { return LoadBuffer(bytes.data(), bytes.size()); }
    // A large image that exceeds the decode limits comes back reduced.
    bool LoadFileWithFallback(const std::u16string& path) override;
    shared_ptr<Surface> GetScaled(int32_t width, int32_t height) override;
    // The 16-bit pixels plus the kept full-resolution bitmap and every cached
    // scaled copy: all of it lives as long as the image does.
    size_t MemoryBytes() const override;

    // Makes every pixel of one colour transparent (icons drawn on magenta).
    void SetColorKey(uint8_t red, uint8_t green, uint8_t blue);

    bool HasDecodedBitmap() const { return decoded != nullptr; }
    size_t ScaledCacheSize() const { return scaled.size(); }
    const std::string& LastError() const { return lastError; }

    // The limits every load obeys; process-wide like the decoder itself.
    static platform::imaging::DecodeLimits& Limits();

private:
    bool Adopt(platform::imaging::Bitmap&& bitmap);
    bool Fail();
    bool Decode(const uint8_t* data, size_t size, bool allowReduced);
    bool Load(const std::u16string& path, bool allowReduced);

    std::shared_ptr<const platform::imaging::Bitmap> decoded;
    std::map<std::pair<int32_t, int32_t>, shared_ptr<Surface>> scaled;
    std::string lastError;
};
