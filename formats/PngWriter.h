#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The one PNG writer of the tree. Pixels arrive as the file stores them, so
// that every colour type and depth can be written (the decoder tests need
// palettes, grey, 16-bit samples and transparency keys); RgbaImage covers the
// common case of 8-bit RGBA pixels.
namespace formats {

using Bytes = std::vector<uint8_t>;

struct PngImage {
    // PNG's own colour type numbers.
    enum ColorType { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };

    int width = 0;
    int height = 0;
    int colorType = Rgba;
    int bitDepth = 8;
    bool interlaced = false;
    Bytes samples;  // rows of packed samples, top row first, no filter bytes
    Bytes palette;  // r, g, b triples (palette images)
    Bytes trns;     // palette alpha, or the grey/RGB key as 16-bit big-endian values
};

// 8-bit RGBA pixels (4 bytes each, top row first) as an RGBA image, or as an
// RGB one with the alpha bytes dropped when `keepAlpha` is false.
PngImage RgbaImage(int width, int height, const uint8_t* rgba, bool keepAlpha = true);

// The same 8-bit RGBA pixels in the smallest form that keeps every one of
// them exactly: a palette of 1, 2, 4 or 8 bits a pixel (with the alpha of its
// entries) when there are at most 256 distinct colours, else RGB when every
// pixel is opaque, else RGBA. For pictures that travel over a handheld's line,
// where drawn artwork of a few dozen colours costs a third less this way.
PngImage CompactImage(int width, int height, const uint8_t* rgba);

// Encodes `image` into `out`. False with `error` when the image is empty, its
// samples are too short for its size, or the encoder refuses it.
bool EncodePng(const PngImage& image, Bytes& out, std::string* error = nullptr);

}  // namespace formats
