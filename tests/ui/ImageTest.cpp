#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>

#include "../support/TempDir.h"
#include "TestImages.h"
#include "base/Text.h"
#include "platform/device/DeviceRoot.h"
#include "ui/Blend.h"
#include "ui/WMSurface.h"

namespace {

namespace ti = testimages;
using platform::imaging::Bitmap;

uint32_t Rgba(int r, int g, int b, int a) { return uint32_t(r) << 24 | uint32_t(g) << 16 | uint32_t(b) << 8 | uint32_t(a); }

shared_ptr<WMSurface> Load(const ti::Bytes& bytes) {
    shared_ptr<WMSurface> s(new WMSurface());
    s->LoadBuffer(bytes);
    return s;
}

TEST(Decoding, PalettedGreyAndSixteenBitPngs) {
    // 2-bit palette with tRNS: index 1 half transparent.
    ti::RawPng pal{4, 1, PNG_COLOR_TYPE_PALETTE, 2, false, {0b00011011}, {0, 0, 0, 255, 255, 255, 0, 255, 0, 0, 0, 255}, {255, 128}};
    auto p = Load(ti::Png(pal));
    ASSERT_EQ(p->Width(), 4);
    ASSERT_TRUE(p->HasAlpha());
    EXPECT_EQ(p->PixelAt(1, 0), 0xFFFF);
    EXPECT_EQ(p->AlphaAt(1, 0), 128);
    EXPECT_EQ(p->PixelAt(2, 0), 0x07E0);
    EXPECT_EQ(p->AlphaAt(3, 0), 255) << "entries beyond tRNS are opaque";

    ti::RawPng grey{2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {0, 255}, {}, {}};
    auto g = Load(ti::Png(grey));
    ASSERT_FALSE(g->HasAlpha()) << "no transparency, no plane";
    EXPECT_EQ(g->PixelAt(0, 0), 0x0000);
    EXPECT_EQ(g->PixelAt(1, 0), 0xFFFF);

    // 16-bit grey, interlaced, with a tRNS key on the middle value.
    ti::RawPng deep{3, 3, PNG_COLOR_TYPE_GRAY, 16, true, {}, {}, {0x80, 0x00}};
    for (int i = 0; i < 9; ++i) {
        uint16_t v = i == 4 ? 0x8000 : 0xFFFF;
        deep.samples.push_back(v >> 8);
        deep.samples.push_back(v & 0xFF);
    }
    auto d = Load(ti::Png(deep));
    ASSERT_EQ(d->Width(), 3);
    EXPECT_EQ(d->AlphaAt(1, 1), 0);
    EXPECT_EQ(d->AlphaAt(0, 0), 255);
    EXPECT_EQ(d->PixelAt(2, 2), 0xFFFF);
}

// Pictures written in their compact form come back pixel for pixel, in the
// smallest form their colours allow: rows of an odd width end mid-byte, and
// only the translucent palette entries carry an alpha.
TEST(Decoding, CompactPngsKeepEveryPixel) {
    struct Case {
        int colours;
        bool alpha;
        int colorType, bitDepth;
    };
    const Case cases[] = {{2, false, PNG_COLOR_TYPE_PALETTE, 1},  {3, true, PNG_COLOR_TYPE_PALETTE, 2},
                          {5, false, PNG_COLOR_TYPE_PALETTE, 4},  {16, false, PNG_COLOR_TYPE_PALETTE, 4},
                          {200, true, PNG_COLOR_TYPE_PALETTE, 8}, {300, false, PNG_COLOR_TYPE_RGB, 8},
                          {300, true, PNG_COLOR_TYPE_RGB_ALPHA, 8}};
    for (const Case& c : cases) {
        const Bitmap b = ti::Make(23, 17, c.alpha, [&](int x, int y) {
            const int i = (x * 7 + y * 23) % c.colours;
            return Rgba(i % 256, i / 256 * 90 + 40, i * 7 % 256, i % 3 ? 255 : i % 256);
        });
        const formats::PngImage compact = formats::CompactImage(b.width, b.height, b.rgba.data());
        EXPECT_EQ(compact.colorType, c.colorType) << c.colours;
        EXPECT_EQ(compact.bitDepth, c.bitDepth) << c.colours;
        if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
            EXPECT_EQ(compact.trns.size(), c.alpha ? size_t((c.colours + 2) / 3) : 0u) << c.colours;
        }
        Bitmap back;
        const ti::Bytes png = ti::Png(compact);
        ASSERT_TRUE(platform::imaging::Decode(png.data(), png.size(), back)) << c.colours;
        EXPECT_EQ(back.rgba, b.rgba) << c.colours << " colours";
    }
}

TEST(Decoding, JpegAndGif) {
    Bitmap b = ti::Make(16, 16, false, [](int x, int) { return x < 8 ? Rgba(255, 0, 0, 255) : Rgba(0, 0, 255, 255); });
    for (bool progressive : {false, true}) {
        auto j = Load(ti::Jpeg(b, 95, progressive));
        ASSERT_EQ(j->Width(), 16) << progressive;
        EXPECT_FALSE(j->HasAlpha());
        uint8_t r, g, bl;
        pixel565::ToRgb(j->PixelAt(2, 8), r, g, bl);
        EXPECT_GT(r, 200);
        EXPECT_LT(bl, 60);
        pixel565::ToRgb(j->PixelAt(13, 8), r, g, bl);
        EXPECT_GT(bl, 200);
    }
    for (bool interlaced : {false, true}) {
        std::vector<uint8_t> idx(5 * 11);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 5; ++x) idx[y * 5 + x] = (y + x) % 3;
        auto gif = Load(ti::Gif(5, 11, idx, {255, 0, 0, 0, 255, 0, 0, 0, 255}, 2, interlaced));
        ASSERT_EQ(gif->Height(), 11) << interlaced;
        ASSERT_TRUE(gif->HasAlpha());
        EXPECT_EQ(gif->PixelAt(0, 0), 0xF800);
        EXPECT_EQ(gif->PixelAt(0, 1), 0x07E0) << "rows land in their place when interlaced";
        EXPECT_EQ(gif->AlphaAt(0, 2), 0);
        EXPECT_EQ(gif->AlphaAt(0, 10), 255);
    }
}

TEST(Decoding, DamagedAndHostileFilesFailAndLeaveAnEmptySurface) {
    Bitmap b = ti::Make(40, 30, true, [](int x, int y) { return Rgba(x * 6, y * 8, 100, 200); });
    ti::Bytes png = ti::Png(b), jpeg = ti::Jpeg(b);
    std::vector<uint8_t> idx(40 * 30, 1);
    ti::Bytes gif = ti::Gif(40, 30, idx, {0, 0, 0, 9, 9, 9});
    const std::vector<std::pair<std::string, ti::Bytes>> cases = {
        {"empty", {}},
        {"text", {'h', 'e', 'l', 'l', 'o'}},
        {"png signature only", ti::Truncated(png, 8)},
        {"png truncated in the data", ti::Truncated(png, png.size() - 30)},
        {"png huge declared size", ti::PngWithDeclaredSize(png, 100000, 100000)},
        {"png wide and flat bomb", ti::PngWithDeclaredSize(png, 1u << 30, 1)},
        {"png damaged data", ti::Flipped(png, png.size() - 25, 0xFF)},
        {"jpeg truncated", ti::Truncated(jpeg, jpeg.size() / 2)},
        {"jpeg huge declared size", ti::JpegWithDeclaredSize(jpeg, 60000, 60000)},
        {"gif truncated", ti::Truncated(gif, gif.size() / 2)},
        {"gif huge declared size", ti::GifWithDeclaredSize(gif, 60000, 60000)},
    };
    for (const auto& [name, bytes] : cases) {
        WMSurface s(5, 5, true);  // a previous image must not survive a failed load
        EXPECT_FALSE(s.LoadBuffer(bytes)) << name;
        EXPECT_TRUE(s.IsEmpty()) << name;
        EXPECT_FALSE(s.HasAlpha()) << name;
        EXPECT_FALSE(s.LastError().empty()) << name;
        WMSurface target(4, 4);
        EXPECT_FALSE(target.DrawImage(0, 0, s, 255)) << "an empty image draws nothing";
    }
}

TEST(Decoding, LargeImagesFallBackToAReducedDecode) {
    auto& limits = WMSurface::Limits();
    const auto saved = limits;
    limits.maxSide = 64;
    limits.maxPixels = 64 * 64;
    // The smallest factor, also where the reduced size meets the limits exactly.
    EXPECT_EQ(platform::imaging::ReductionFactor(128, 128, limits), 2);
    EXPECT_EQ(platform::imaging::ReductionFactor(64, 129, limits), 3);
    TempDir dir;
    Bitmap big = ti::Make(200, 100, false, [](int x, int) { return x < 100 ? Rgba(255, 255, 255, 255) : Rgba(0, 0, 0, 255); });
    const auto pngPath = dir.Write("big.png", ti::Png(big)).u16string();
    const auto jpgPath = dir.Write("big.jpg", ti::Jpeg(big)).u16string();
    WMSurface s;
    EXPECT_FALSE(s.LoadFile(pngPath)) << "over the limits";
    ASSERT_TRUE(s.LoadFileWithFallback(pngPath));
    EXPECT_EQ(s.Width(), 50);
    EXPECT_EQ(s.Height(), 25);
    EXPECT_EQ(s.PixelAt(10, 10), 0xFFFF);
    EXPECT_EQ(s.PixelAt(40, 10), 0x0000);
    ASSERT_TRUE(s.LoadFileWithFallback(jpgPath));
    EXPECT_EQ(s.Width(), 50) << "the JPEG decoder's own quarter scale";
    EXPECT_FALSE(s.LoadFileWithFallback((dir / "missing.png").u16string()));
    limits = saved;
}

TEST(Scaling, CacheIdentityAndProperFilters) {
    // Fine black-and-white stripes shrink to grey (averaged), not to one of
    // the two colours (sampled).
    Bitmap stripes = ti::Make(64, 8, false, [](int x, int) { return x % 2 ? Rgba(255, 255, 255, 255) : Rgba(0, 0, 0, 255); });
    auto s = Load(ti::Png(stripes));
    auto half = s->GetScaled(16, 4);
    ASSERT_EQ(half->Width(), 16);
    uint8_t r, g, b;
    pixel565::ToRgb(half->PixelAt(7, 2), r, g, b);
    EXPECT_NEAR(r, 128, 6);
    EXPECT_EQ(s->GetScaled(16, 4), half) << "one copy per size";
    EXPECT_EQ(s->GetScaled(64, 8).get(), s.get()) << "its own size is itself";
    EXPECT_EQ(s->GetScaled(1, 0)->Width(), 2) << "sizes below 2 become 2";

    // Growing interpolates between neighbours.
    Bitmap two = ti::Make(2, 1, false, [](int x, int) { return x ? Rgba(255, 255, 255, 255) : Rgba(0, 0, 0, 255); });
    auto wide = Load(ti::Png(two))->GetScaled(8, 2);
    pixel565::ToRgb(wide->PixelAt(4, 0), r, g, b);
    EXPECT_GT(r, 80);
    EXPECT_LT(r, 180);
    EXPECT_EQ(wide->PixelAt(0, 0), 0x0000);
    EXPECT_EQ(wide->PixelAt(7, 1), 0xFFFF);

    // Transparent pixels do not darken their neighbours when averaged.
    Bitmap edge = ti::Make(4, 4, true, [](int x, int) { return x < 2 ? Rgba(0, 0, 0, 0) : Rgba(255, 255, 255, 255); });
    auto shrunk = Load(ti::Png(edge))->GetScaled(2, 2);
    EXPECT_EQ(shrunk->AlphaAt(0, 0), 0);
    EXPECT_EQ(shrunk->PixelAt(1, 0), 0xFFFF);
    EXPECT_EQ(shrunk->AlphaAt(1, 0), 255);

    // A drawn surface (no decoded image) stretches and is not cached.
    shared_ptr<WMSurface> drawn(new WMSurface(2, 2));
    drawn->SetPixel(1, 1, 0x1234);
    auto stretched = drawn->GetScaled(4, 4);
    EXPECT_EQ(stretched->PixelAt(3, 3), 0x1234);
    EXPECT_NE(drawn->GetScaled(4, 4), stretched);
}

TEST(ColorKey, MagentaBecomesTransparentAndStaysSoWhenScaled) {
    shared_ptr<WMSurface> icon(new WMSurface(4, 4));
    icon->FillRect(Rect(0, 0, 4, 4), blend::FromRgb(255, 0, 255));
    icon->FillRect(Rect(1, 1, 2, 2), 0x07E0);
    icon->SetColorKey(255, 0, 255);
    ASSERT_TRUE(icon->HasAlpha());
    EXPECT_EQ(icon->AlphaAt(0, 0), 0);
    EXPECT_EQ(icon->AlphaAt(1, 1), 255);
    auto big = icon->GetScaled(8, 8);
    EXPECT_EQ(big->AlphaAt(0, 0), 0);
    EXPECT_EQ(big->AlphaAt(4, 4), 255);

    // The platform's rendering of magenta is honoured when it is the first pixel.
    shared_ptr<WMSurface> odd(new WMSurface(2, 1));
    odd->SetPixel(0, 0, 0xF83F);
    odd->SetPixel(1, 0, 0xF81F);
    odd->SetColorKey(255, 0, 255);
    EXPECT_EQ(odd->AlphaAt(0, 0), 0);
    EXPECT_EQ(odd->AlphaAt(1, 0), 255);
}

TEST(Pool, DevicePathsAreMappedBelowTheDeviceRoot) {
    TempDir dir;
    std::filesystem::create_directories(dir / "Program Files" / "Tobrix");
    dir.Write("Program Files/Tobrix/icon.png", ti::Png(ti::Make(2, 2, false, [](int, int) { return Rgba(255, 0, 0, 255); })));
    platform::SetCurrentDevice(platform::DeviceRoot(dir.Path()));
    WMSurface s;
    EXPECT_TRUE(s.LoadFile(u"\\Program Files\\Tobrix\\icon.png"));
    EXPECT_EQ(s.PixelAt(1, 1), 0xF800);
    EXPECT_FALSE(s.LoadFile(u"\\..\\..\\etc\\passwd")) << "nothing outside the device";
    platform::ClearCurrentDevice();
}

}  // namespace
