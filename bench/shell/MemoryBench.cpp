// How much memory the optimised store needs over a browse a person makes:
// sign in, the main menu, the New and Top lists and a search that lists the
// whole catalog (each scrolled to its end, so that every row fetches its
// icon), one application's details with its screenshots, and My
// applications. The handheld gives a process 32 MB; the figure is the peak
// resident memory of the headless `tobrix` process (VmHWM), against catalogd
// on loopback, for catalogs of several sizes, with the picture cache at its
// default budget and without a bound.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/CatalogServer.h"
#include "support/StoreRun.h"
#include "BrowseSteps.h"
#include "base/Text.h"

namespace {

// Loopback answers at once: the default wait for each step will do.
const BrowseSteps steps;

// Every description says "... smaller memory use", so that search lists the
// whole catalog the device is offered.
std::string ListEverything() { return steps.Search("memory", ""); }

// The details page is "Chat Link"'s (three screenshots): its description is
// the only one that starts with its name and "by", which the numbered copies
// of larger catalogs do not.
std::string BrowseScript(int catalogApps) {
    return steps.Idle() + steps.SignIn() + steps.Tap("New") + steps.ScrollToEnd(25) + steps.Back(1) + steps.Tap("Top") +
           steps.ScrollToEnd(25) + steps.Back(1) + ListEverything() + steps.ScrollToEnd(catalogApps) +
           steps.Back(2) + steps.Search("Chat Link by", "Description") + steps.Tap("Chat Link") +
           steps.Tap("Screenshots(3)") + steps.ScrollToEnd(6) + steps.Back(4) +
           "expect-text Main menu\n" + steps.Tap("My applications") +
           // The last samples of the process's memory are taken now.
           "sleep 300\nquit\n";
}

// The peak so far (VmHWM) and the largest anonymous part seen (RssAnon:
// what the program allocated, apart from the mapped program and libraries).
struct Memory {
    long peakKb = 0;
    long anonymousKb = 0;

    void Sample(const std::string& pid) {
        std::ifstream status("/proc/" + pid + "/status");
        std::string key;
        long kb = 0;
        while (status >> key) {
            if (key == "VmHWM:" && status >> kb) peakKb = std::max(peakKb, kb);
            else if (key == "RssAnon:" && status >> kb) anonymousKb = std::max(anonymousKb, kb);
        }
    }
};

// Samples, every few milliseconds on a thread of its own, the memory of
// every `tobrix` this process started (found among the children of its
// threads) until it goes away.
class StoreWatch {
public:
    StoreWatch() : thread([this] { Run(); }) {}
    ~StoreWatch() {
        stop = true;
        thread.join();
    }
    StoreWatch(const StoreWatch&) = delete;
    StoreWatch& operator=(const StoreWatch&) = delete;

    Memory Result() {
        std::lock_guard lock(mutex);
        return memory;
    }

private:
    void Run() {
        while (!stop) {
            for (const std::string& pid : StoreChildren()) {
                std::lock_guard lock(mutex);
                memory.Sample(pid);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    static std::vector<std::string> StoreChildren() {
        std::vector<std::string> pids;
        std::error_code ec;
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", ec)) {
            std::ifstream children(task.path() / "children");
            std::string pid;
            while (children >> pid) {
                std::ifstream comm("/proc/" + pid + "/comm");
                std::string name;
                if (comm >> name && name == "tobrix") pids.push_back(pid);
            }
        }
        return pids;
    }

    std::atomic<bool> stop{false};
    std::mutex mutex;
    Memory memory;
    std::thread thread;
};

// How many rows the long list has, in a run of its own: dumping the tree
// of a long list takes more memory than anything the browse does, so the
// measured run never dumps it.
int CountRows(CatalogServer& catalog) {
    StoreDevice device("wm65-vga");
    const auto tree = device.Scratch("list.json");
    const std::string script = steps.Idle() + steps.SignIn() + ListEverything() + "dump-tree " + tree.string() + "\nquit\n";
    const StoreRun run = RunStore(device, script, U8(catalog.BaseUrl()));
    if (run.exitCode != 0) return -1;
    std::ifstream in(tree);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    const std::string icon = "TRemoteImage<";  // one a row
    int rows = 0;
    for (size_t at = text.find(icon); at != std::string::npos; at = text.find(icon, at + 1)) ++rows;
    return rows;
}

// A catalog of about `rows` applications for the device: a few of the
// sample's applications need features or an edition the wm65-vga device
// lacks, and the catalog leaves them out.
int CatalogFor(int rows) { return rows + rows / 10 + 1; }

CatalogServer& Catalog(int apps) {
    static std::map<int, std::unique_ptr<CatalogServer>> served;
    auto& server = served[apps];
    if (!server) server = std::make_unique<CatalogServer>(apps, std::vector<std::string>{});
    return *server;
}

// Arguments: the length of the long list, and whether the picture cache
// keeps its default budget (1) or is unbounded (0).
void PeakMemoryOfABrowse(benchmark::State& state) {
    const int apps = CatalogFor(static_cast<int>(state.range(0)));
    const bool bounded = state.range(1) != 0;
    CatalogServer& catalog = Catalog(apps);
    if (!catalog.Running()) return state.SkipWithError(catalog.Error().c_str());
    Memory memory;
    for (auto _ : state) {
        StoreDevice device("wm65-vga");  // a fresh one: the run signs in from scratch
        std::vector<std::string> args;
        if (!bounded) args = {"--picture-cache", "1000000000000"};
        StoreRun run;
        {
            StoreWatch watch;
            run = RunStore(device, BrowseScript(apps), U8(catalog.BaseUrl()), args, 900);
            memory = watch.Result();
        }
        if (run.exitCode != 0) return state.SkipWithError(("the browse failed: " + run.errors).c_str());
    }
    state.counters["peak_rss_MB"] = memory.peakKb / 1024.0;
    state.counters["peak_anon_MB"] = memory.anonymousKb / 1024.0;
    state.counters["rows"] = CountRows(catalog);
}
BENCHMARK(PeakMemoryOfABrowse)
    ->ArgNames({"list", "cache_bound"})
    ->ArgsProduct({{25, 100, 400}, {1, 0}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
