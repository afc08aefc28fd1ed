// What checking a downloaded package costs the device: one SHA-256 pass over
// the file and one signature check, as the download's worker makes them,
// next to the time the same package takes to arrive over the emulated GPRS
// line (48 kbit/s towards the device, 600 ms per request). The check runs on
// the worker; the UI thread's frame timer (40 ms) is simulated beside it and
// its longest late tick reported.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "apps/PackageTrust.h"
#include "base/Text.h"
#include "formats/PackageStatement.h"
#include "net/App.h"
#include "net/PartialDownload.h"

namespace {

constexpr double kGprsBitsPerSecond = 48000.0;
constexpr double kGprsRequestSeconds = 0.6;

struct Package {
    std::filesystem::path file;
    App app;
    apps::TrustedKeys keys;
};

Package MakePackage(std::size_t size) {
    Package p;
    p.file = std::filesystem::temp_directory_path() /
             ("tobrix-check-bench-" + std::to_string(::getpid()) + "-" + std::to_string(size) + ".cab");
    std::string bytes(size, '\0');
    std::mt19937 random(7);
    std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<char>(random()); });
    std::ofstream(p.file, std::ios::binary) << bytes;
    const formats::SigningKey key = formats::GenerateSigningKey();
    formats::PackageStatement s{42, "Vendor Notes", 3, "1.2", static_cast<int64_t>(size), formats::Sha256Hex(bytes),
                                formats::KeyIdOf(key.publicKey)};
    p.app.id = 42;
    p.app.sysid = u"Vendor Notes";
    p.app.revision = 3;
    p.app.version = u"1.2";
    p.app.packageSize = s.size;
    p.app.sha256 = s.sha256;
    p.app.packageKey = s.keyId;
    p.app.packageSignature = formats::SignStatement(s, key);
    p.keys.emplace(s.keyId, key.publicKey);
    return p;
}

void BM_CheckDownloadedPackage(benchmark::State& state) {
    const std::size_t size = static_cast<std::size_t>(state.range(0));
    Package p = MakePackage(size);
    const auto check = apps::DownloadCheck(p.app, p.keys);
    // The UI thread's frame timer, ticking while the worker checks.
    std::atomic<bool> running{true};
    std::atomic<int64_t> longestLateUs{0};
    std::thread frames([&] {
        using namespace std::chrono;
        auto next = steady_clock::now() + milliseconds(40);
        while (running) {
            std::this_thread::sleep_until(next);
            const int64_t late = duration_cast<microseconds>(steady_clock::now() - next).count();
            longestLateUs = std::max<int64_t>(longestLateUs, late);
            next += milliseconds(40);
        }
    });
    const auto began = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const auto digest = net::FileSha256(p.file);
        const bool ok = digest && check(static_cast<int64_t>(std::filesystem::file_size(p.file)), *digest);
        if (!ok) state.SkipWithError("the package did not verify");
        benchmark::DoNotOptimize(ok);
    }
    const double perCheck =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count() / static_cast<double>(state.iterations());
    running = false;
    frames.join();
    const double download = kGprsRequestSeconds + static_cast<double>(size) * 8.0 / kGprsBitsPerSecond;
    state.counters["gprs_download_s"] = download;
    state.counters["check_share_of_download_pct"] = 100.0 * perCheck / download;
    state.counters["longest_frame_late_ms"] = static_cast<double>(longestLateUs.load()) / 1000.0;
    std::filesystem::remove(p.file);
}

}  // namespace

BENCHMARK(BM_CheckDownloadedPackage)->Arg(300 * 1024)->Arg(5 * 1024 * 1024)->Unit(benchmark::kMillisecond);
