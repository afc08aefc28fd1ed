// What a browse costs a handheld on its data line. The optimised store runs
// headless against catalogd over the device's emulated link (GPRS, 3G) and
// takes a fixed browse: the sign-in screen, signing in to the main menu, the
// New list, the Top list scrolled to its end, a category's list, an
// application's details with its screenshots and its reviews, and back to
// the main menu. Twice on the same device: first on a fresh one, then once
// the store has been started again, when whatever it kept from the first run
// could spare the line.
//
// For each run: the wall time from the start of the process until each
// screen is complete (the store idle: its answers read, its pictures drawn),
// the requests catalogd answered (one line each in its log), and the TCP
// connections the device opened with the bytes each way, counted by a relay
// between the device and catalogd. A table per run, screen by screen, goes
// to standard error. A run on an unshaped line is the reference: what the
// browse costs with the line taken away (the store's own work and the
// finger's movements on the lists).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/CatalogServer.h"
#include "support/StoreRun.h"
#include "BrowseSteps.h"
#include "CountingRelay.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A whole run is bounded: a browse over GPRS takes minutes, not tens of them.
constexpr int kRunLimitSeconds = 900;

// A screen of the browse: the steps that lead to it from the one before,
// each ending when the store is idle.
struct Screen {
    std::string name;
    std::string steps;
};

// The details page is Chess Pocket's, in Games / Cards & Board: four
// screenshots and five reviews in the sample catalog.
std::vector<Screen> Browse(const BrowseSteps& s, bool firstRun) {
    // On a later start the login is remembered and the first-run settings
    // were accepted: signing in is a single soft key.
    const std::string signIn = firstRun ? s.SignIn() : "key soft1\n" + s.Idle();
    const std::string mainMenu = "expect-text My applications\n";
    return {
        {"sign_in", s.Idle() + "expect-text Login:\n"},
        {"main_menu", signIn + mainMenu},
        {"new", s.Tap("New") + "expect-text New\n"},
        {"top", s.Back(1) + s.Tap("Top")},
        {"top_end", s.ScrollToEnd(25)},
        {"category", s.Back(1) + s.Tap("Categories") + s.TapStart("Games(") + s.TapStart("Cards & Board(")},
        {"details", s.Tap("Chess Pocket") + "expect-text Screenshots(4)\n"},
        {"screenshots", s.Tap("Screenshots(4)") + s.ScrollToEnd(8)},
        {"reviews", s.Back(1) + s.Tap("Reviews(5)")},
        {"main_menu_again", s.Back(5) + mainMenu},
    };
}

// What had passed when a screen was complete, counted from the start.
struct Mark {
    double seconds = 0;
    int requests = 0;
    CountingRelay::Counts line;
};

// The transfers of one kind (an API method, icons, screenshots) as the
// device's link log tells them: the answers' headers and bodies as they
// travelled, and how many answered "not modified".
struct Kind {
    int transfers = 0;
    int notModified = 0;
    uint64_t headerBytes = 0;
    uint64_t bodyBytes = 0;
};

struct RunResult {
    std::vector<Mark> marks;  // one per screen reached
    std::map<std::string, Kind> kinds;
    std::string error;
};

// "http://host/files/icons/7.png" -> "icons", "http://host/getapps.php?..."
// -> "getapps".
std::string KindOf(const std::string& url) {
    const size_t files = url.find("/files/");
    if (files != std::string::npos) {
        const size_t from = files + 7, slash = url.find('/', from);
        return slash == std::string::npos ? "files" : url.substr(from, slash - from);
    }
    const size_t end = url.find_first_of("?#"), start = url.rfind('/', end) + 1;
    const std::string name = url.substr(start, end == std::string::npos ? end : end - start);
    return name.substr(0, name.find('.'));
}

// The lines the device's link log gained from `skip` bytes on.
std::map<std::string, Kind> KindsSince(const fs::path& log, std::streamoff skip) {
    std::map<std::string, Kind> kinds;
    std::ifstream in(log);
    in.seekg(skip);
    for (std::string line; std::getline(in, line);) {
        const nlohmann::json t = nlohmann::json::parse(line, nullptr, false);
        if (!t.is_object()) continue;
        Kind& k = kinds[KindOf(t.value("url", ""))];
        ++k.transfers;
        if (t.value("status", 0) == 304) ++k.notModified;
        k.headerBytes += t.value("headerBytes", uint64_t{0});
        k.bodyBytes += t.value("bodyBytes", uint64_t{0});
    }
    return kinds;
}

std::streamoff SizeOf(const fs::path& file) {
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    return ec ? 0 : static_cast<std::streamoff>(size);
}

// The catalog, the relay in front of it and one device per link profile,
// kept from the first run to the second.
struct Bench {
    CatalogServer catalog;
    std::unique_ptr<CountingRelay> relay;
    std::map<std::string, std::unique_ptr<StoreDevice>> devices;

    Bench() {
        if (catalog.Running()) relay = std::make_unique<CountingRelay>(catalog.Port());
    }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(relay->Port()) + "/"; }
};

Bench& Shared() {
    static Bench bench;
    return bench;
}

// One run of the browse on `device`. The script is handed to the store a
// screen at a time: once a screen's steps are done the store writes a mark
// file and waits for more, so the counts read at the mark are that screen's
// alone. Each wait is bounded by the run's limit.
RunResult RunBrowse(Bench& bench, const StoreDevice& device, const std::vector<Screen>& screens) {
    RunResult result;
    const int requestsBefore = bench.catalog.Requests();
    const CountingRelay::Counts before = bench.relay->Read();
    const fs::path linkLog = device.Root() / "link.log";
    const std::streamoff logBefore = SizeOf(linkLog);
    const Clock::time_point start = Clock::now();
    const Clock::time_point limit = start + std::chrono::seconds(kRunLimitSeconds);
    LiveStore store(device, bench.BaseUrl());
    for (size_t i = 0; i < screens.size(); ++i) {
        const fs::path mark = device.Scratch("mark-" + std::to_string(i));
        fs::remove(mark);
        store.Say(screens[i].steps + "dump-tree " + mark.string() + "\n");
        while (!fs::exists(mark) && !store.Ended() && Clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (!fs::exists(mark)) break;
        result.marks.push_back({std::chrono::duration<double>(Clock::now() - start).count(),
                                bench.catalog.Requests() - requestsBefore, bench.relay->Since(before)});
    }
    const StoreRun run = store.Finish();
    result.kinds = KindsSince(linkLog, logBefore);
    if (result.marks.size() != screens.size())
        result.error = "the browse stopped before " + screens[result.marks.size()].name + ": " + run.errors;
    else if (run.exitCode != 0)
        result.error = "the store failed (" + std::to_string(run.exitCode) + "): " + run.errors;
    return result;
}

void PrintTable(const std::string& title, const std::vector<Screen>& screens, const RunResult& r) {
    std::fprintf(stderr, "%s\n  %-16s %9s %9s %6s %10s %10s\n", title.c_str(), "screen complete", "at s",
                 "requests", "conns", "KB in", "KB out");
    for (size_t i = 0; i < r.marks.size(); ++i) {
        const Mark& m = r.marks[i];
        std::fprintf(stderr, "  %-16s %9.2f %9d %6llu %10.1f %10.1f\n", screens[i].name.c_str(), m.seconds,
                     m.requests, static_cast<unsigned long long>(m.line.connections), m.line.bytesReceived / 1024.0,
                     m.line.bytesSent / 1024.0);
    }
    // Where the bytes went, as the device's end of the line saw them.
    if (r.kinds.empty()) return;
    std::fprintf(stderr, "  %-16s %9s %9s %10s %10s\n", "answers of", "transfers", "304", "KB headers", "KB bodies");
    for (const auto& [name, k] : r.kinds)
        std::fprintf(stderr, "  %-16s %9d %9d %10.1f %10.1f\n", name.c_str(), k.transfers, k.notModified,
                     k.headerBytes / 1024.0, k.bodyBytes / 1024.0);
}

// Arguments: the link profile ("none": unshaped), and whether this is the
// first run on a fresh device (else the second, after a restart of the store
// on the same device; a second run asked for alone first makes its device
// with an unmeasured first run).
void MeasureBrowse(benchmark::State& state, const std::string& profile, bool firstRun) {
    Bench& bench = Shared();
    if (!bench.relay) return state.SkipWithError(bench.catalog.Error().c_str());
    // Seconds per step: a screenful of icons over GPRS takes tens of them.
    BrowseSteps steps;
    steps.idleSeconds = 300;
    auto& device = bench.devices[profile];
    RunResult result;
    for (auto _ : state) {
        if (firstRun || !device) {
            device = std::make_unique<StoreDevice>("wm65-vga");
            int code = -1;
            RunCapture(DEVICECTL_PATH, {"link", device->Root().string(), "--profile", profile}, &code);
            if (code != 0) return state.SkipWithError("devicectl link failed");
            if (!firstRun) result = RunBrowse(bench, *device, Browse(steps, true));
            if (!result.error.empty()) return state.SkipWithError(result.error.c_str());
        }
        const auto screens = Browse(steps, firstRun);
        result = RunBrowse(bench, *device, screens);
        if (!result.error.empty()) return state.SkipWithError(result.error.c_str());
        state.SetIterationTime(result.marks.back().seconds);
        PrintTable(profile + (firstRun ? ", first run on a fresh device" : ", second run after a restart"), screens,
                   result);
        for (size_t i = 0; i < screens.size(); ++i) state.counters["s_" + screens[i].name] = result.marks[i].seconds;
    }
    const Mark& total = result.marks.back();
    state.counters["requests"] = total.requests;
    state.counters["connections"] = static_cast<double>(total.line.connections);
    state.counters["bytes_received"] = static_cast<double>(total.line.bytesReceived);
    state.counters["bytes_sent"] = static_cast<double>(total.line.bytesSent);
}

}  // namespace

// Each second run follows its profile's first run, on that device.
BENCHMARK_CAPTURE(MeasureBrowse, unshaped_first, std::string("none"), true)
    ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(MeasureBrowse, gprs_first, std::string("gprs"), true)
    ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(MeasureBrowse, gprs_after_restart, std::string("gprs"), false)
    ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(MeasureBrowse, 3g_first, std::string("3g"), true)
    ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(MeasureBrowse, 3g_after_restart, std::string("3g"), false)
    ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
