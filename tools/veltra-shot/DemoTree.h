#pragma once
#include <string>

#include "base/shared_ptr.h"
#include "platform/text/DeviceContext.h"
#include "ui/GObject.h"
#include "ui/Surface.h"

// A small tree that shows what the drawing core does: decoded images with
// alpha (plain and scaled), text in several alignments, weights and scripts,
// a clipped child and a half-transparent group. veltra-shot renders it to a
// PNG; the benchmarks repaint it.
namespace demo {

// An object showing one image at its origin.
class ImageNode : public GObject {
public:
    explicit ImageNode(shared_ptr<Surface> image) : image(std::move(image)) {}
    void Draw(Surface& surface) override;
    shared_ptr<Surface> image;
};

// An object filled with one colour at its own transparency.
class BoxNode : public GObject {
public:
    BoxNode(uint8_t r, uint8_t g, uint8_t b) : r(r), g(g), b(b) {}
    void Draw(Surface& surface) override;
    uint8_t r, g, b;
};

// An object showing a text with a font, colour and format flags.
class TextNode : public GObject {
public:
    TextNode(std::u16string text, platform::text::Font* font, uint32_t colorRef, uint32_t format)
        : text(std::move(text)), font(font), colorRef(colorRef), format(format) {}
    void Draw(Surface& surface) override;
    std::u16string text;
    platform::text::Font* font;
    uint32_t colorRef;
    uint32_t format;
};

// Writes the demo's PNG files into `assetDir` (drawn by code), loads them
// through the image pool and builds the tree for a width x height screen.
// Returns null when the assets cannot be written.
shared_ptr<GObject> Build(const std::string& assetDir, int width, int height, std::string* error = nullptr);

}  // namespace demo
