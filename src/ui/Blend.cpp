#include "ui/Blend.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace blend {

#if defined(__SSE2__)
namespace {

// Eight pixels at once in 16-bit lanes. The product of a channel difference
// (at most +-63) and a weight (at most 255) fits a signed 16-bit lane, so the
// low half of the multiply is exact and the arithmetic shift matches the
// scalar formula bit for bit.
inline __m128i Blend8(__m128i d, __m128i s, __m128i w) {
    const __m128i m5 = _mm_set1_epi16(0x1F);
    const __m128i m6 = _mm_set1_epi16(0x3F);
    __m128i dr = _mm_srli_epi16(d, 11), sr = _mm_srli_epi16(s, 11);
    __m128i dg = _mm_and_si128(_mm_srli_epi16(d, 5), m6), sg = _mm_and_si128(_mm_srli_epi16(s, 5), m6);
    __m128i db = _mm_and_si128(d, m5), sb = _mm_and_si128(s, m5);
    dr = _mm_add_epi16(dr, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(sr, dr), w), 8));
    dg = _mm_add_epi16(dg, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(sg, dg), w), 8));
    db = _mm_add_epi16(db, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(sb, db), w), 8));
    return _mm_or_si128(_mm_or_si128(_mm_slli_epi16(dr, 11), _mm_slli_epi16(dg, 5)), db);
}

inline __m128i Load(const uint16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store(uint16_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline uint64_t Load8(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
inline __m128i Widen(uint64_t a) {
    return _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(a)), _mm_setzero_si128());
}

}  // namespace
#endif

void CopyRow(uint16_t* dst, const uint16_t* src, size_t n) { std::memmove(dst, src, n * sizeof(uint16_t)); }

void FillRow(uint16_t* dst, uint16_t color, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    // Aligned 64-byte blocks: a fill only writes, so it can run at twice the
    // speed of a copy if the stores are wide and aligned.
    for (; i < n && (reinterpret_cast<uintptr_t>(dst + i) & 15) != 0; ++i) dst[i] = color;
    __m128i c = _mm_set1_epi16(static_cast<short>(color));
    for (; i + 32 <= n; i += 32) {
        auto* p = reinterpret_cast<__m128i*>(dst + i);
        _mm_store_si128(p, c);
        _mm_store_si128(p + 1, c);
        _mm_store_si128(p + 2, c);
        _mm_store_si128(p + 3, c);
    }
    for (; i + 8 <= n; i += 8) _mm_store_si128(reinterpret_cast<__m128i*>(dst + i), c);
#endif
    for (; i < n; ++i) dst[i] = color;
}

void BlendRow(uint16_t* dst, const uint16_t* src, size_t n, int w) {
    size_t i = 0;
#if defined(__SSE2__)
    __m128i wv = _mm_set1_epi16(static_cast<short>(w));
    for (; i + 8 <= n; i += 8) Store(dst + i, Blend8(Load(dst + i), Load(src + i), wv));
#endif
    for (; i < n; ++i) dst[i] = Blend565(dst[i], src[i], w);
}

void BlendRowColor(uint16_t* dst, uint16_t color, size_t n, int w) {
    size_t i = 0;
#if defined(__SSE2__)
    __m128i wv = _mm_set1_epi16(static_cast<short>(w));
    __m128i c = _mm_set1_epi16(static_cast<short>(color));
    for (; i + 8 <= n; i += 8) Store(dst + i, Blend8(Load(dst + i), c, wv));
#endif
    for (; i < n; ++i) dst[i] = Blend565(dst[i], color, w);
}

void BlendRowAlpha(uint16_t* dst, const uint16_t* src, const uint8_t* alpha, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i opaque = _mm_set1_epi16(0xFF);
    for (; i + 8 <= n; i += 8) {
        uint64_t a = Load8(alpha + i);
        if (a == 0) continue;  // fully transparent run: nothing to touch
        __m128i s = Load(src + i);
        if (a == ~uint64_t{0}) {
            Store(dst + i, s);
            continue;
        }
        __m128i av = Widen(a);
        __m128i b = Blend8(Load(dst + i), s, av);
        __m128i full = _mm_cmpeq_epi16(av, opaque);
        Store(dst + i, _mm_or_si128(_mm_and_si128(full, s), _mm_andnot_si128(full, b)));
    }
#endif
    for (; i < n; ++i) {
        int a = alpha[i];
        if (a == 0) continue;
        dst[i] = a == 255 ? src[i] : Blend565(dst[i], src[i], a);
    }
}

void BlendRowAlphaT(uint16_t* dst, const uint16_t* src, const uint8_t* alpha, size_t n, int t) {
    size_t i = 0;
#if defined(__SSE2__)
    __m128i tv = _mm_set1_epi16(static_cast<short>(t));
    for (; i + 8 <= n; i += 8) {
        uint64_t a = Load8(alpha + i);
        if (a == 0) continue;
        // t * a <= 65025 fits the unsigned lane; a = 0 gives weight 0, which
        // leaves the destination exactly as the skip would.
        __m128i w = _mm_srli_epi16(_mm_mullo_epi16(Widen(a), tv), 8);
        Store(dst + i, Blend8(Load(dst + i), Load(src + i), w));
    }
#endif
    for (; i < n; ++i) {
        int a = alpha[i];
        if (a == 0) continue;
        dst[i] = Blend565(dst[i], src[i], (t * a) >> 8);
    }
}

}  // namespace blend
