#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/shared_ptr.h"
#include "platform/text/DeviceContext.h"
#include "ui/Rect.h"

// A 16-bit RGB 5-6-5 pixel buffer (red in bits 11-15, green 5-10, blue 0-4)
// with an optional alpha plane, a clip stack and an origin. The tree draws
// into one such surface; images are surfaces too. Every routine works in
// integers on the 16-bit pixels, so a frame needs no format conversion.
//
// Surfaces are shared objects: hold them in a shared_ptr (GetScaled may hand
// back the surface itself).
class Surface : public shared_object {
public:
    enum PixelFormat : int32_t { Rgb565 = 0, Rgb888 = 1 };

    Surface() = default;
    // The device context points into this surface's own pixels.
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    ~Surface() override = default;
    virtual bool Create(int32_t width, int32_t height, bool withAlpha) = 0;
    virtual bool LoadFile(const std::u16string& path) = 0;
    virtual bool LoadBuffer(const uint8_t* data, size_t size) = 0;
    virtual bool LoadFileWithFallback(const std::u16string& path) = 0;
    virtual shared_ptr<Surface> GetScaled(int32_t width, int32_t height) = 0;
    // Bytes of pixel memory this surface holds (colour and alpha buffers, and
    // whatever else a kind of surface keeps beside them), for caches that
    // must stay within a memory budget.
    virtual size_t MemoryBytes() const;

    int32_t Width() const { return width; }
    int32_t Height() const { return height; }
    bool IsEmpty() const { return width <= 0 || height <= 0; }
    int32_t GetPixelFormat() const { return pixelFormat; }
    bool HasAlpha() const { return !alpha.empty(); }
    uint16_t* Pixels() { return pixels.data(); }
    const uint16_t* Pixels() const { return pixels.data(); }
    uint8_t* Alpha() { return alpha.empty() ? nullptr : alpha.data(); }
    const uint8_t* Alpha() const { return alpha.empty() ? nullptr : alpha.data(); }
    // Out-of-surface coordinates read 0 and ignore writes.
    uint16_t PixelAt(int32_t x, int32_t y) const;
    void SetPixel(int32_t x, int32_t y, uint16_t value);
    uint8_t AlphaAt(int32_t x, int32_t y) const;

    // Clip stack. The current clip is the top of the stack, or the whole
    // surface while it is empty.
    void PushClip(const Rect& rect);
    void PopClip();
    const Rect& GetClip() const;  // the top; std::out_of_range when the stack is empty
    const Rect& GetClipRect() const { return clip; }
    size_t ClipDepth() const { return clipStack.size(); }
    void SetOrigin(int32_t x, int32_t y) { origin = Point{x, y}; }
    Point GetOrigin() const { return origin; }

    // Sets every pixel of rect, in surface coordinates: origin and clip do not
    // apply (the frame uses it to clear the dirty area).
    void FillRect(const Rect& rect, uint16_t color);
    // Blends an 8-bit colour over rect (object coordinates: origin and clip
    // apply) with transparency 0..255.
    bool FillColor(const Rect& rect, uint8_t red, uint8_t green, uint8_t blue, int transparency);
    // Draws `width` x `height` pixels of `source` starting at (sourceX,
    // sourceY) at (x, y) + origin, with the object's transparency and the
    // source's alpha plane. False when nothing of it lies in the clip.
    bool DrawImage(int32_t x, int32_t y, int32_t w, int32_t h, const Surface& source, int transparency,
                   int32_t sourceX = 0, int32_t sourceY = 0);
    // The whole source at (x, y).
    bool DrawImage(int32_t x, int32_t y, const Surface& source, int transparency = 255) {
        return DrawImage(x, y, source.width, source.height, source, transparency, 0, 0);
    }

    // Writes the pixels (and the alpha plane, if any) as a PNG file; a path
    // starting with a backslash is a device path.
    bool SavePng(const std::u16string& path, std::string* error = nullptr) const;

    // Text drawing shares the pixels: the device context is clipped and
    // offset like the pixel routines until EndGdi.
    platform::text::DeviceContext& BeginGdi();
    void EndGdi();
    platform::text::DeviceContext& GetDeviceContext() { return deviceContext; }

protected:
    // Allocates the buffers and resets clip and origin; false on an
    // impossible size (the surface is left empty).
    bool Allocate(int32_t w, int32_t h, bool withAlpha);
    void Clear();
    Rect Bounds() const { return Rect(0, 0, width, height); }
    // Clipping shared by the image routines: the destination in surface
    // coordinates after origin and clip, and how far its left/top edges moved.
    bool ClipDestination(Rect& dst, int32_t& shiftX, int32_t& shiftY) const;

    int32_t width = 0;
    int32_t height = 0;
    Point origin;
    int32_t pixelFormat = Rgb565;
    std::vector<uint16_t> pixels;
    std::vector<uint8_t> alpha;
    std::vector<Rect> clipStack;
    Rect clip;
    platform::text::DeviceContext deviceContext;
};
