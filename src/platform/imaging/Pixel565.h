#pragma once
#include <cstdint>

// The 16-bit pixel of every surface: red in bits 11-15, green 5-10, blue 0-4.
// Shared by the decoders (conversion), the text renderer (glyph blending) and
// the UI's row kernels, so that all of them agree bit for bit.
namespace pixel565 {

inline uint16_t Pack(int r, int g, int b) { return static_cast<uint16_t>((r << 11) | (g << 5) | b); }

// 8-bit channels to 5-6-5, rounding to the nearest level.
inline uint16_t FromRgb(int r, int g, int b) {
    return Pack((r * 31 + 127) / 255, (g * 63 + 127) / 255, (b * 31 + 127) / 255);
}

// Source s over destination d with weight w (0..255), per channel
// d + ((s - d) * w >> 8), the shift arithmetic on the signed difference.
// Dividing by 256 keeps it to shifts; that is why opaque pixels are copied
// rather than blended with w = 255, which would not reproduce s exactly.
inline uint16_t Blend(uint16_t d, uint16_t s, int w) {
    int dr = d >> 11, dg = (d >> 5) & 0x3F, db = d & 0x1F;
    int sr = s >> 11, sg = (s >> 5) & 0x3F, sb = s & 0x1F;
    dr += ((sr - dr) * w) >> 8;
    dg += ((sg - dg) * w) >> 8;
    db += ((sb - db) * w) >> 8;
    return Pack(dr, dg, db);
}

// Back to 8-bit channels, replicating the high bits into the low ones so that
// full intensity stays 255.
inline void ToRgb(uint16_t p, uint8_t& r, uint8_t& g, uint8_t& b) {
    int r5 = p >> 11, g6 = (p >> 5) & 0x3F, b5 = p & 0x1F;
    r = static_cast<uint8_t>((r5 << 3) | (r5 >> 2));
    g = static_cast<uint8_t>((g6 << 2) | (g6 >> 4));
    b = static_cast<uint8_t>((b5 << 3) | (b5 >> 2));
}

// A colour value in the platform's 0x00BBGGRR layout.
inline uint16_t FromColorRef(uint32_t c) { return FromRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace pixel565
