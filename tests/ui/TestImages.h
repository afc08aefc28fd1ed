#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "formats/PngWriter.h"
#include "platform/imaging/Bitmap.h"

// Real image files made in memory for the tests, the fuzz corpus and the
// demo renderer: every format and variant the decoders must read, and the
// damaged ones they must refuse.
namespace testimages {

using Bytes = std::vector<uint8_t>;
using platform::imaging::Bitmap;

// A bitmap filled by f(x, y) -> 0xRRGGBBAA.
template <class F>
Bitmap Make(int w, int h, bool alpha, F f) {
    Bitmap b;
    b.width = w;
    b.height = h;
    b.hasAlpha = alpha;
    b.rgba.resize(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t c = f(x, y);
            uint8_t* p = &b.rgba[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = c >> 24;
            p[1] = (c >> 16) & 0xFF;
            p[2] = (c >> 8) & 0xFF;
            p[3] = alpha ? (c & 0xFF) : 0xFF;
        }
    return b;
}

Bytes Png(const Bitmap& b);
// Any PNG colour type and depth: `samples` holds packed rows as the file
// stores them (before filtering).
using RawPng = formats::PngImage;
Bytes Png(const RawPng& raw);
Bytes Jpeg(const Bitmap& b, int quality = 90, bool progressive = false);
// indices: one palette index per pixel; palette: r, g, b triples.
Bytes Gif(int w, int h, const std::vector<uint8_t>& indices, const std::vector<uint8_t>& palette,
          int transparentIndex = -1, bool interlaced = false);

// Hostile variants.
Bytes Truncated(const Bytes& b, size_t keep);
// The PNG with its header declaring another size (checksum fixed, so the
// decoder has to catch it by the size alone).
Bytes PngWithDeclaredSize(const Bytes& png, uint32_t w, uint32_t h);
Bytes JpegWithDeclaredSize(const Bytes& jpeg, uint16_t w, uint16_t h);
Bytes GifWithDeclaredSize(const Bytes& gif, uint16_t w, uint16_t h);
Bytes Flipped(const Bytes& b, size_t offset, uint8_t mask);

// Writes every seed of the decoder fuzz corpus (valid files and hostile
// variants) into `dir`; returns how many.
int WriteCorpus(const std::string& dir);

}  // namespace testimages
