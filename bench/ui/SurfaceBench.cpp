// Pixel throughput of the surface routines at the screen size, next to the
// bandwidth limit (memcpy of the same bytes) and next to pixman's equivalent
// operations, plus a full repaint of the demo tree and a line of text.
#include <benchmark/benchmark.h>
#if defined(TOBRIX_HAVE_PIXMAN)
#include <pixman.h>
#endif

#include <cstring>
#include <filesystem>
#include <vector>

#include "DemoTree.h"
#include "ui/Blend.h"
#include "ui/FontManager.h"
#include "ui/WMSurface.h"

namespace {

constexpr int kW = 480, kH = 640;
constexpr int64_t kPixels = int64_t{kW} * kH;

// A source whose alpha covers every level, as anti-aliased skin images do:
// transparent and opaque runs with soft edges between them.
uint8_t AlphaAt(int x, int y) {
    int v = (x * 3 + y) % 384;
    return static_cast<uint8_t>(v < 128 ? 0 : v < 256 ? v - 128 : 255);
}

shared_ptr<WMSurface> Source(bool withAlpha) {
    shared_ptr<WMSurface> s(new WMSurface(kW, kH, withAlpha));
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            s->SetPixel(x, y, static_cast<uint16_t>(x * 37 + y * 11));
            if (withAlpha) s->Alpha()[y * kW + x] = AlphaAt(x, y);
        }
    return s;
}

void Report(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kPixels);
    state.SetBytesProcessed(state.iterations() * kPixels * 2);
}

void DrawImagePath(benchmark::State& state, bool withAlpha, int transparency) {
    auto src = Source(withAlpha);
    WMSurface dst(kW, kH);
    for (auto _ : state) {
        dst.DrawImage(0, 0, *src, transparency);
        benchmark::ClobberMemory();
    }
    Report(state);
}

void BM_DrawImage_OpaqueCopy(benchmark::State& s) { DrawImagePath(s, false, 255); }
void BM_DrawImage_AlphaPlane(benchmark::State& s) { DrawImagePath(s, true, 255); }
void BM_DrawImage_Transparency(benchmark::State& s) { DrawImagePath(s, false, 128); }
void BM_DrawImage_AlphaAndTransparency(benchmark::State& s) { DrawImagePath(s, true, 128); }

void BM_FillColor(benchmark::State& state) {
    WMSurface dst(kW, kH);
    const int t = static_cast<int>(state.range(0));
    for (auto _ : state) {
        dst.FillColor(Rect(0, 0, kW, kH), 30, 60, 120, t);
        benchmark::ClobberMemory();
    }
    Report(state);
}

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint16_t> a(kPixels, 1), b(kPixels);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 2);
        benchmark::ClobberMemory();
    }
    Report(state);
}

#if defined(TOBRIX_HAVE_PIXMAN)
// --- pixman -------------------------------------------------------------------

struct PixmanImages {
    std::vector<uint32_t> argb = std::vector<uint32_t>(kPixels);
    std::vector<uint16_t> rgb565 = std::vector<uint16_t>(kPixels);
    std::vector<uint16_t> dst = std::vector<uint16_t>(kPixels);
    pixman_image_t* src8888;
    pixman_image_t* src565;
    pixman_image_t* dst565;
    PixmanImages() {
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                uint32_t a = AlphaAt(x, y);
                uint16_t p = static_cast<uint16_t>(x * 37 + y * 11);
                uint8_t r, g, b;
                pixel565::ToRgb(p, r, g, b);
                // pixman wants premultiplied colour.
                argb[y * kW + x] = a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255);
                rgb565[y * kW + x] = p;
            }
        src8888 = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, argb.data(), kW * 4);
        src565 = pixman_image_create_bits(PIXMAN_r5g6b5, kW, kH, reinterpret_cast<uint32_t*>(rgb565.data()), kW * 2);
        dst565 = pixman_image_create_bits(PIXMAN_r5g6b5, kW, kH, reinterpret_cast<uint32_t*>(dst.data()), kW * 2);
    }
    ~PixmanImages() {
        pixman_image_unref(src8888);
        pixman_image_unref(src565);
        pixman_image_unref(dst565);
    }
};

void BM_Pixman_Src_565(benchmark::State& state) {
    PixmanImages im;
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, im.src565, nullptr, im.dst565, 0, 0, 0, 0, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    }
    Report(state);
}

void BM_Pixman_Over_8888_565(benchmark::State& state) {
    PixmanImages im;
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, im.src8888, nullptr, im.dst565, 0, 0, 0, 0, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    }
    Report(state);
}

// A constant mask: the equivalent of drawing an opaque image at a transparency.
void BM_Pixman_Over_565_SolidMask(benchmark::State& state) {
    PixmanImages im;
    pixman_color_t half = {0, 0, 0, 0x8080};
    pixman_image_t* mask = pixman_image_create_solid_fill(&half);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, im.src565, mask, im.dst565, 0, 0, 0, 0, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(mask);
    Report(state);
}

void BM_Pixman_Over_8888_565_SolidMask(benchmark::State& state) {
    PixmanImages im;
    pixman_color_t half = {0, 0, 0, 0x8080};
    pixman_image_t* mask = pixman_image_create_solid_fill(&half);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, im.src8888, mask, im.dst565, 0, 0, 0, 0, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(mask);
    Report(state);
}

void BM_Pixman_Fill(benchmark::State& state) {
    PixmanImages im;
    for (auto _ : state) {
        pixman_fill(reinterpret_cast<uint32_t*>(im.dst.data()), kW / 2, 16, 0, 0, kW, kH, 0x1F3C);
        benchmark::ClobberMemory();
    }
    Report(state);
}

void BM_Pixman_SolidOver(benchmark::State& state) {
    PixmanImages im;
    pixman_color_t c = {0x0F0F, 0x1E1E, 0x3C3C, 0x8080};  // premultiplied, alpha 128
    pixman_image_t* solid = pixman_image_create_solid_fill(&c);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, solid, nullptr, im.dst565, 0, 0, 0, 0, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(solid);
    Report(state);
}

#endif

// --- Scenes and text ------------------------------------------------------------

void BM_DemoTreeFullRepaint(benchmark::State& state) {
    std::string error;
    auto dir = std::filesystem::temp_directory_path() / "veltra-bench-assets";
    shared_ptr<GObject> root = demo::Build(dir.string(), kW, kH, &error);
    if (!root) {
        state.SkipWithError(error.c_str());
        return;
    }
    WMSurface screen(kW, kH);
    for (auto _ : state) {
        screen.PushClip(Rect(0, 0, kW, kH));
        screen.FillRect(Rect(0, 0, kW, kH), 0xFFFF);
        root->DrawTree(screen);
        screen.PopClip();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    std::filesystem::remove_all(dir);
}

void BM_TextLine40(benchmark::State& state) {
    WMSurface screen(kW, 64);
    auto* font = FontManager::Instance().GetFont(static_cast<int>(state.range(0)), 20);
    const std::u16string line = u"Download and install it with live progr.";  // 40 characters
    for (auto _ : state) {
        auto& dc = screen.BeginGdi();
        dc.SelectFont(font);
        platform::text::TextRect box{4, 4, kW - 4, 60};
        dc.DrawText(line, box, platform::text::kLeft | platform::text::kVCenter | platform::text::kSingleLine);
        screen.EndGdi();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 40);
}

}  // namespace

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_DrawImage_OpaqueCopy);
#if defined(TOBRIX_HAVE_PIXMAN)
BENCHMARK(BM_Pixman_Src_565);
BENCHMARK(BM_Pixman_Over_8888_565);
BENCHMARK(BM_Pixman_Over_565_SolidMask);
BENCHMARK(BM_Pixman_Over_8888_565_SolidMask);
BENCHMARK(BM_Pixman_Fill);
BENCHMARK(BM_Pixman_SolidOver);
#endif
BENCHMARK(BM_DrawImage_AlphaPlane);
BENCHMARK(BM_DrawImage_Transparency);
BENCHMARK(BM_DrawImage_AlphaAndTransparency);
BENCHMARK(BM_FillColor)->Arg(255)->Arg(128);
BENCHMARK(BM_DemoTreeFullRepaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextLine40)->Arg(400)->Arg(700)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
