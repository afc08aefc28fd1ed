// A 300 KB package installed over an emulated GPRS line (48 kbit/s, 600 ms),
// once on a line that holds and once on one that drops after every 100 KB of
// a transfer (so at 100 KB and at 200 KB of the package): the time from the
// start of the download to the installed package, and the bytes the line
// carried for it. The broken line should cost little: the store resumes where
// the line broke instead of starting again.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>

#include <nlohmann/json.hpp>

#include "support/CatalogServer.h"
#include "support/StoreRun.h"
#include "Package.h"
#include "apps/AppManager.h"
#include "apps/HeadlessStore.h"
#include "core/Kestrum.h"
#include "core/PlainAppServices.h"
#include "i18n/Localization.h"
#include "net/ApiUrl.h"
#include "net/InetManager.h"
#include "platform/device/DeviceRoot.h"
#include "platform/process/Process.h"

namespace {

namespace fs = std::filesystem;

constexpr int kChatLink = 10;  // "Orbit Chat Link" in the sample catalog
constexpr size_t kPackageBytes = 300 * 1024;
constexpr uint64_t kDropAfter = 100 * 1024;

// The catalog, with Chat Link published as a package of 300 KB that does not
// compress (a payload of random bytes beside its program).
CatalogServer& Catalog() {
    // Destroyed at exit, which stops the service.
    static CatalogServer server;
    static const bool published = [] {
        catalogd::PackageLayout layout;
        layout.installName = "Orbit Chat Link";
        layout.installDir = "%CE1%\\Chat Link";
        std::mt19937 random(7);
        std::string payload(kPackageBytes - 2048, '\0');
        for (char& c : payload) c = static_cast<char>(random());
        layout.files = {{"chatlink.exe", "chatlink.exe", "program"}, {"maps.dat", "maps.dat", payload}};
        const fs::path cab = fs::temp_directory_path() / ("tobrix-bench-" + std::to_string(::getpid()) + ".cab");
        std::ofstream(cab, std::ios::binary) << catalogd::BuildCabinet(layout);
        const int code = RunHost(CATALOGD_PATH, {"publish", "--db", server.Database().string(), "--appid",
                                             std::to_string(kChatLink), "--revision", "77", "--cab", cab.string()});
        fs::remove(cab);
        return code == 0;
    }();
    return server;
}

struct Outcome {
    double seconds = 0;
    uint64_t bytes = 0;  // headers and bodies of the package's transfers
    int transfers = 0;
    bool installed = false;
};

// One install on a fresh device whose line is GPRS, dropping or not.
Outcome InstallOverGprs(bool drops) {
    // A root of its own each time: the registry of a root once opened stays
    // open for the process.
    static int runs = 0;
    const fs::path root = fs::temp_directory_path() /
                          ("tobrix-bench-device-" + std::to_string(::getpid()) + "-" + std::to_string(++runs));
    fs::remove_all(root);
    RunHost(DEVICECTL_PATH, {"create", root.string(), "--profile", "wm65-vga"});
    RunHost(DEVICECTL_PATH,
            {"trust", root.string(), (fs::path(TOBRIX_SOURCE_DIR) / "data" / "keys" / "demo-signing.key.pub").string()});
    std::vector<std::string> line = {"link", root.string(), "--profile", "gprs"};
    if (drops) line.insert(line.end(), {"--drop-after", std::to_string(kDropAfter)});
    RunHost(DEVICECTL_PATH, line);
    platform::SetCurrentDevice(*platform::DeviceRoot::Open(root));

    static PlainAppServices services;
    Localization::Instance().Load(fs::path(TOBRIX_SOURCE_DIR) / "data" / "localization.xml");
    Kestrum::Instance().Reset();
    Kestrum::Instance().SetApplication(&services);
    SetCatalogBaseUrl(Catalog().BaseUrl());
    AppManager& manager = AppManager::Instance();
    manager.Reset();

    Outcome out;
    shared_ptr<App> app;
    if (apps::SignIn(u"demo", u"demo") != 0 || apps::SendConfig() != 0 || apps::FetchApp(kChatLink, app) != 0)
        return out;
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    const auto start = std::chrono::steady_clock::now();
    {
        std::lock_guard ui(services.UILock());
        SubscribeFn(app->StatusChanged, [&](App*, App::AppStatusType kind, bool finished, double, bool ok) {
            if (!finished || (kind != App::StatusInstall && (kind != App::StatusDownload || ok))) return;
            std::lock_guard guard(lock);
            out.installed = kind == App::StatusInstall && ok;
            done = true;
            ended.notify_all();
        });
        manager.AddDownload(app);
    }
    {
        std::unique_lock guard(lock);
        ended.wait_for(guard, std::chrono::minutes(10), [&] { return done; });
    }
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    InetManager::Instance().WaitIdle(std::chrono::seconds(60));
    manager.WaitIdle(std::chrono::seconds(60));
    {
        std::lock_guard ui(services.UILock());
        app = nullptr;
    }

    std::ifstream log(root / "link.log");
    for (std::string text; std::getline(log, text);) {
        const auto j = nlohmann::json::parse(text);
        const std::string url = j["url"];
        if (url.find("download") == std::string::npos || url.find("getsize") != std::string::npos) continue;
        out.bytes += j["headerBytes"].get<uint64_t>() + j["bodyBytes"].get<uint64_t>();
        ++out.transfers;
    }
    manager.Reset();
    platform::ClearCurrentDevice();
    fs::remove_all(root);
    return out;
}

Outcome& Steady() {
    static Outcome steady;
    return steady;
}

void Report(benchmark::State& state, const Outcome& o) {
    if (!o.installed) state.SkipWithError("the package was not installed");
    if (o.bytes < kPackageBytes - 4096) state.SkipWithError("the line did not carry a package of 300 KB");
    state.counters["seconds_to_installed"] = o.seconds;
    state.counters["bytes_received"] = static_cast<double>(o.bytes);
    state.counters["transfers"] = o.transfers;
}

void BM_Gprs300KB_SteadyLine(benchmark::State& state) {
    for (auto _ : state) {
        Steady() = InstallOverGprs(false);
        state.SetIterationTime(Steady().seconds);
    }
    Report(state, Steady());
}

// Goal: at most 1.15 times the steady line's time and 1.02 times its bytes.
void BM_Gprs300KB_DropsAt100And200KB(benchmark::State& state) {
    Outcome broken;
    for (auto _ : state) {
        broken = InstallOverGprs(true);
        state.SetIterationTime(broken.seconds);
    }
    Report(state, broken);
    if (Steady().seconds > 0 && Steady().bytes > 0) {
        state.counters["time_vs_steady"] = broken.seconds / Steady().seconds;
        state.counters["bytes_vs_steady"] = double(broken.bytes) / double(Steady().bytes);
    }
}

}  // namespace

// The steady line first: the broken one is measured against it.
BENCHMARK(BM_Gprs300KB_SteadyLine)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Gprs300KB_DropsAt100And200KB)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
