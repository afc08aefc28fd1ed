#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <stdexcept>

#include "ui/Blend.h"
#include "ui/WMSurface.h"

namespace {

shared_ptr<WMSurface> Solid(int w, int h, uint16_t color, bool alpha = false, uint8_t a = 255) {
    shared_ptr<WMSurface> s(new WMSurface(w, h, alpha));
    s->FillRect(Rect(0, 0, w, h), color);
    if (alpha) std::fill(s->Alpha(), s->Alpha() + w * h, a);
    return s;
}

TEST(Blending, ReferenceVectors) {
    EXPECT_EQ(blend::Blend565(0x0000, 0xFFFF, 128), 0x7BEF) << "white over black at 128";
    EXPECT_EQ(blend::Blend565(0xFFFF, 0x0000, 128), 0x7BEF)
        << "the shift floors the negative difference (truncation would give 0x83F0)";
    EXPECT_EQ(blend::Blend565(0x0000, 0xFFFF, 255), 0xF7DE) << "255 does not reproduce the source";
    EXPECT_EQ(blend::Blend565(0x1234, 0xFFFF, 0), 0x1234);
    EXPECT_EQ(blend::FromRgb(255, 0, 255), 0xF81F);
}

// The vector kernels must give exactly what the scalar formula gives, for
// every length (tails included) and every weight.
TEST(Blending, RowKernelsMatchThePixelFormula) {
    std::mt19937 rng(7);
    for (size_t n : {1u, 7u, 8u, 9u, 31u, 64u}) {
        std::vector<uint16_t> d(n), s(n);
        std::vector<uint8_t> a(n);
        for (size_t i = 0; i < n; ++i) {
            d[i] = static_cast<uint16_t>(rng());
            s[i] = static_cast<uint16_t>(rng());
            a[i] = static_cast<uint8_t>(i % 3 == 0 ? 0 : i % 5 == 0 ? 255 : rng());
        }
        // The faintest alpha over a lighter destination, last (in the scalar tail when n is no multiple of 8).
        std::tie(d[n - 1], s[n - 1], a[n - 1]) = std::tuple(0xFFFF, 0, 1);
        for (int w : {1, 64, 128, 200, 254}) {
            auto got = d;
            blend::BlendRow(got.data(), s.data(), n, w);
            for (size_t i = 0; i < n; ++i) ASSERT_EQ(got[i], blend::Blend565(d[i], s[i], w)) << n << " " << w << " " << i;
            got = d;
            blend::BlendRowColor(got.data(), s[0], n, w);
            for (size_t i = 0; i < n; ++i) ASSERT_EQ(got[i], blend::Blend565(d[i], s[0], w));
            got = d;
            blend::BlendRowAlphaT(got.data(), s.data(), a.data(), n, w);
            for (size_t i = 0; i < n; ++i)
                ASSERT_EQ(got[i], a[i] ? blend::Blend565(d[i], s[i], (w * a[i]) >> 8) : d[i]);
        }
        auto got = d;
        blend::BlendRowAlpha(got.data(), s.data(), a.data(), n);
        for (size_t i = 0; i < n; ++i)
            ASSERT_EQ(got[i], a[i] == 0 ? d[i] : a[i] == 255 ? s[i] : blend::Blend565(d[i], s[i], a[i]));
    }
}

TEST(Blending, FillRowWritesExactlyItsRunAtAnyAlignment) {
    std::vector<uint16_t> buffer(128);
    for (size_t offset = 0; offset < 9; ++offset)
        for (size_t n = 0; n < 80; n += 7) {
            std::fill(buffer.begin(), buffer.end(), 0xAAAA);
            blend::FillRow(buffer.data() + offset, 0x1234, n);
            for (size_t i = 0; i < buffer.size(); ++i)
                ASSERT_EQ(buffer[i], i >= offset && i < offset + n ? 0x1234 : 0xAAAA) << offset << " " << n << " " << i;
        }
}

TEST(DrawImage, FullWidthImagesDrawLikeNarrowOnes) {
    shared_ptr<WMSurface> src(new WMSurface(6, 5, true)), dst(new WMSurface(6, 5)), ref(new WMSurface(7, 5));
    for (int i = 0; i < 30; ++i) {
        src->Pixels()[i] = static_cast<uint16_t>(i * 2017);
        src->Alpha()[i] = static_cast<uint8_t>(i * 37);
    }
    for (int t : {255, 100}) {
        dst->FillRect(Rect(0, 0, 6, 5), 0x0841);
        ref->FillRect(Rect(0, 0, 7, 5), 0x0841);
        dst->DrawImage(0, 0, *src, t);
        ref->DrawImage(0, 0, *src, t);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) ASSERT_EQ(dst->PixelAt(x, y), ref->PixelAt(x, y)) << t << " " << x << "," << y;
    }
}

// Opaque at a transparency, per-pixel alpha at full and partial
// transparency, and transparency 0 (draws nothing and succeeds), over black.
TEST(DrawImage, EveryBlendingPath) {
    auto white = Solid(4, 1, 0xFFFF);
    auto withAlpha = Solid(4, 1, 0xFFFF, true);
    std::copy_n(std::initializer_list<uint8_t>{0, 128, 255, 64}.begin(), 4, withAlpha->Alpha());
    const auto mix = [](int a) { return blend::Blend565(0, 0xFFFF, a); };
    const std::tuple<WMSurface*, int, std::vector<uint16_t>> cases[] = {
        {white.get(), 128, {0x7BEF, 0x7BEF, 0x7BEF, 0x7BEF}},
        {withAlpha.get(), 255, {0x0000, 0x7BEF, 0xFFFF, mix(64)}},
        {withAlpha.get(), 128, {0x0000, mix(64), mix((128 * 255) >> 8), mix((128 * 64) >> 8)}},
        {white.get(), 0, {0, 0, 0, 0}},
    };
    for (const auto& [source, transparency, expected] : cases) {
        auto dst = Solid(4, 1, 0x0000);
        EXPECT_TRUE(dst->DrawImage(0, 0, *source, transparency)) << transparency;
        EXPECT_EQ(std::vector<uint16_t>(dst->Pixels(), dst->Pixels() + 4), expected) << transparency;
    }
}

TEST(DrawImage, ClipOriginAndSourceOffsets) {
    auto src = Solid(10, 10, 0x0000);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) src->SetPixel(x, y, static_cast<uint16_t>(y * 10 + x));
    auto dst = Solid(20, 20, 0xFFFF);
    dst->PushClip(Rect(5, 5, 4, 4));
    dst->SetOrigin(2, 2);
    EXPECT_TRUE(dst->DrawImage(0, 0, 10, 10, *src, 255, 1, 1));
    // Destination (2,2)-(12,12) clipped to (5,5)-(9,9): source starts 3 pixels in, plus the offset 1.
    EXPECT_EQ(dst->PixelAt(5, 5), 44);
    EXPECT_EQ(dst->PixelAt(8, 8), 77);
    EXPECT_EQ(dst->PixelAt(4, 5), 0xFFFF);
    EXPECT_EQ(dst->PixelAt(9, 9), 0xFFFF);
    EXPECT_FALSE(dst->DrawImage(50, 50, *src, 255)) << "entirely outside the clip";
    dst->PopClip();
    dst->SetOrigin(0, 0);
    // Asking for more than the source has never reads past it.
    EXPECT_TRUE(dst->DrawImage(15, 15, 100, 100, *src, 255, 8, 8));
    EXPECT_EQ(dst->PixelAt(16, 16), 99);
    EXPECT_EQ(dst->PixelAt(17, 17), 0xFFFF);
    WMSurface empty;
    EXPECT_FALSE(dst->DrawImage(0, 0, empty, 255));
}

TEST(Clip, PushIntersectsPopRestoresAndDisjointSuppresses) {
    WMSurface s(20, 20);
    EXPECT_THROW(s.GetClip(), std::out_of_range);
    EXPECT_EQ(s.GetClipRect(), Rect(0, 0, 20, 20));
    s.PushClip(Rect(0, 0, 10, 10));
    s.PushClip(Rect(5, 5, 10, 10));
    EXPECT_EQ(s.GetClip(), Rect(5, 5, 5, 5));
    s.PushClip(Rect(15, 15, 2, 2));
    EXPECT_TRUE(s.GetClip().IsEmpty());
    EXPECT_FALSE(s.FillColor(Rect(0, 0, 20, 20), 255, 0, 0, 255));
    auto red = Solid(20, 20, 0xF800);
    EXPECT_FALSE(s.DrawImage(0, 0, *red, 255));
    s.PopClip();
    EXPECT_EQ(s.GetClip(), Rect(5, 5, 5, 5));
    s.PopClip();
    s.PopClip();
    s.PopClip();  // one too many is harmless
    EXPECT_EQ(s.GetClipRect(), Rect(0, 0, 20, 20));
    for (int i = 0; i < 400; ++i) ASSERT_EQ(s.Pixels()[i], 0);
}

TEST(Fill, FillRectIgnoresOriginAndClipButNotTheEdges) {
    WMSurface s(8, 8);
    s.PushClip(Rect(0, 0, 1, 1));
    s.SetOrigin(3, 3);
    s.FillRect(Rect(6, 6, 10, 10), 0x1234);
    EXPECT_EQ(s.PixelAt(7, 7), 0x1234);
    EXPECT_EQ(s.PixelAt(5, 5), 0);
    s.PopClip();
    EXPECT_TRUE(s.FillColor(Rect(0, 0, 2, 2), 255, 255, 255, 128));
    EXPECT_EQ(s.PixelAt(3, 3), 0x7BEF) << "FillColor is placed by the origin";
    EXPECT_EQ(s.PixelAt(2, 2), 0);
    EXPECT_TRUE(s.FillColor(Rect(0, 0, 1, 1), 255, 0, 0, 255));
    EXPECT_EQ(s.PixelAt(3, 3), 0xF800);
}

TEST(Create, ImpossibleSizesLeaveAnEmptySurface) {
    WMSurface s;
    EXPECT_FALSE(s.Create(-1, 10, false));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_FALSE(s.Create(1 << 20, 1 << 20, true));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(s.Create(3, 2, true));
}

}  // namespace
