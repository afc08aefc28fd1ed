#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/imaging/Pixel565.h"

// Row kernels of the 16-bit surface; each produces exactly what
// pixel565::Blend gives pixel by pixel, only faster.
namespace blend {

using pixel565::Pack;
inline uint16_t FromRgb(int r, int g, int b) { return pixel565::FromRgb(r, g, b); }
inline uint16_t Blend565(uint16_t d, uint16_t s, int w) { return pixel565::Blend(d, s, w); }

// t = 255 without alpha: a plain copy (overlapping rows allowed).
void CopyRow(uint16_t* dst, const uint16_t* src, size_t n);
// Every pixel with the same weight w (0 < w < 255).
void BlendRow(uint16_t* dst, const uint16_t* src, size_t n, int w);
// Per-pixel alpha: 0 keeps the destination, 255 copies the source.
void BlendRowAlpha(uint16_t* dst, const uint16_t* src, const uint8_t* alpha, size_t n);
// Per-pixel alpha under an object transparency t: weight (t * a) >> 8, a = 0 skipped.
void BlendRowAlphaT(uint16_t* dst, const uint16_t* src, const uint8_t* alpha, size_t n, int t);
// One colour over a row, with weight w (0 < w < 255).
void BlendRowColor(uint16_t* dst, uint16_t color, size_t n, int w);
void FillRow(uint16_t* dst, uint16_t color, size_t n);

}  // namespace blend
