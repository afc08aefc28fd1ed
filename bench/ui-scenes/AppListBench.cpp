// A catalog list of 200 application rows (icon, name, vendor, price, stars,
// votes) on a 480x640 screen: building and laying out the scene, and drawing
// one whole frame of it scrolled to the middle. The frame timer ticks every
// 40 ms; both figures are reported next to that budget. TOBRIX_BENCH_FRAME=FILE
// writes the frame as a PNG, to see what was measured.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "GalleryScenes.h"
#include "base/Text.h"
#include "ui/ImagePool.h"
#include "ui/WMSurface.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

constexpr int kW = 480, kH = 640, kRows = 200;
constexpr double kFrameBudgetMs = 40.0;

// The measures of the 480x640 handheld, so the rows are as tall as there.
void UseVgaMetrics() {
    LayoutMetrics m;
    m.fontUnit = 26;
    m.horizontalDpi = 192;
    m.iconSize = 64;
    LayoutMetrics::Set(m);
    ImagePool::Instance().SetBaseFolder(text::Utf8ToUtf16(std::string(TOBRIX_SKIN_DIR) + "/"));
}

shared_ptr<GObject> BuildScreen(const std::vector<gallery::AppRowData>& apps, shared_ptr<GObject>& list) {
    shared_ptr<GObject> root(new GObject());
    root->SetSize(kW, kH);
    list = gallery::AddAppList(*root, apps);
    list->SetRect(Rect(0, 0, kW, kH));
    return root;
}

void Budget(benchmark::State& state) {
    state.counters["frame_budget_ms"] = kFrameBudgetMs;
}

void BM_AppListBuildAndLayout(benchmark::State& state) {
    UseVgaMetrics();
    const auto apps = gallery::SampleApps(kRows);
    for (auto _ : state) {
        shared_ptr<GObject> list;
        shared_ptr<GObject> root = BuildScreen(apps, list);
        benchmark::DoNotOptimize(root.get());
    }
    Budget(state);
}

void BM_AppListFrameScrolledToMiddle(benchmark::State& state) {
    UseVgaMetrics();
    shared_ptr<GObject> list;
    shared_ptr<GObject> root = BuildScreen(gallery::SampleApps(kRows), list);
    auto* view = static_cast<widgets::ScrollView*>(list.get());
    const auto& content = view->GetContent();
    if (content->Height() < 100 * gallery::AppRowHeight()) {
        state.SkipWithError("the list did not lay out its rows");
        return;
    }
    content->SetPosition(0, -(content->Height() / 2 - kH / 2));
    WMSurface screen(kW, kH);
    for (auto _ : state) {
        screen.PushClip(Rect(0, 0, kW, kH));
        screen.FillRect(Rect(0, 0, kW, kH), 0xFFFF);
        root->DrawTree(screen);
        screen.PopClip();
        benchmark::ClobberMemory();
    }
    // A frame that shows no rows would make any time meaningless.
    int drawn = 0;
    for (int y = 0; y < kH; y += 8)
        for (int x = 0; x < kW; x += 8) drawn += screen.PixelAt(x, y) != 0xFFFF;
    if (drawn < kW * kH / 64 / 2) state.SkipWithError("the frame came out blank");
    if (const char* shot = std::getenv("TOBRIX_BENCH_FRAME")) screen.SavePng(text::Utf8ToUtf16(shot));
    Budget(state);
}

}  // namespace

BENCHMARK(BM_AppListBuildAndLayout)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppListFrameScrolledToMiddle)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
