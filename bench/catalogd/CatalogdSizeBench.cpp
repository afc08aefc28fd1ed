// What one answer costs as the catalog grows: 1,000, 10,000 and 100,000
// applications, one instance on its store file and one on PostgreSQL, no
// answer cache, one kept-alive connection, a configured handheld's session.
// Each benchmark times its requests one after the other and reports the
// median and the 95th percentile; the end of the run prints them as a table
// with each figure's growth from 1,000 applications. A machine without the
// PostgreSQL server programs benches the store file only.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

#include "Db.h"
#include "ServedCatalog.h"

namespace {

namespace fs = std::filesystem;
using catalogd::bench::Encoded;
using catalogd::bench::RunProgram;
using catalogd::bench::ServedCatalog;

constexpr int kSizes[] = {1000, 10000, 100000};
constexpr int kTimed = 200;
constexpr int kWarmUp = 20;

struct Request {
    const char* name;
    const char* query;  // after "sessionid=...&"
    const char* method;
    const char* text = nullptr;  // appended to the query, Base64 encoded
};

// The first top-level category has subcategories: its page merges their lists.
const Request kAsked[] = {
    {"sorted_page", "count=25&sort=rates", "getapps"},
    {"category_page2", "cat=1&count=25&page=2&sort=downloads", "getapps"},
    {"search_common", "count=25&sort=rates&query=", "getapps", "game"},  // a word thousands of applications have
    {"search_none", "count=25&sort=rates&query=", "getapps", "zqxj"},    // a word no application has
    {"search_short_none", "count=25&sort=rates&query=", "getapps", "zq"},  // too short for the search index
    {"tag_none", "count=25&sort=rates&tags=", "getapps", "zqxj"},         // a tag no application carries
    {"details", "details=1&appid=", "appdetails"},
    {"categories", "x=1", "cats"},  // with each category's count for this device
    {"tags", "x=1", "tags"},
};

// The newest application the device sees: details of one it is offered.
std::string Offered(const ServedCatalog& served) {
    auto res = served.Client().Get("/getapps.xml?sessionid=" + served.session + "&count=1&sort=createtime");
    const size_t at = res ? res->body.find("<app id=\"") : std::string::npos;
    if (at == std::string::npos) throw std::runtime_error("no application offered");
    return res->body.substr(at + 9, res->body.find('"', at + 9) - at - 9);
}

std::string QueryOf(const Request& r, const ServedCatalog& served) {
    std::string q = r.query;
    if (r.text) q += Encoded(r.text);
    if (std::string_view(r.name) == "details") q += Offered(served);
    return q;
}

class Work {
public:
    Work() : dir(fs::temp_directory_path() / ("catalogd-size-bench-" + std::to_string(getpid()))) {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Work() {
        served.reset();
        if (pgStarted) Script("stop");
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // The instance serving a catalog of that size on that engine; the one
    // running before is stopped first, so that only one takes the machine.
    ServedCatalog& Serving(const std::string& engine, int apps) {
        const std::string key = engine + std::to_string(apps);
        if (key == current) return *served;
        served.reset();
        current.clear();
        const std::string store = engine == "file" ? File(apps) : Database(apps);
        served = std::make_unique<ServedCatalog>(store, dir / (key + ".log"), std::vector<std::string>{"--cache-ttl", "0"});
        // A mid-size handheld of the catalog's era: the device filter is
        // applied on every list.
        auto res = served->Client().Get("/config.xml?sessionid=" + served->session +
                                        "&locale=en&osver=wm6ppc&w=240&h=320&irda=0&bt=1&wifi=1&phone=1&gl=0&cam=1"
                                        "&cam3g=0&accel=0&gps=0&keypad=0");
        if (!res || res->body.find("code=\"0\"") == std::string::npos) throw std::runtime_error("config failed");
        current = key;
        return *served;
    }

    bool PostgresMissing() const { return pgMissing; }

private:
    std::string File(int apps) {
        const fs::path db = dir / ("apps" + std::to_string(apps) + ".db");
        Seed(db.string(), apps, {});
        return db.string();
    }

    std::string Database(int apps) {
        if (!pgStarted) {
            pgStarted = true;
            int status = Script("db");
            if (status == 3) pgMissing = true;
            if (status != 0) throw std::runtime_error("no PostgreSQL server here (see " + (dir / "pg.log").string() + ")");
            std::ifstream(dir / "pg" / "db-url") >> pgUrl;
        }
        if (pgMissing) throw std::runtime_error("no PostgreSQL server here");
        const std::string name = "apps" + std::to_string(apps);
        // "postgresql://user@/catalog?host=..." with the database's name instead.
        const size_t query = pgUrl.find('?');
        const size_t slash = pgUrl.rfind('/', query);
        const std::string url = pgUrl.substr(0, slash + 1) + name + pgUrl.substr(query);
        catalogd::Db(pgUrl).Exec("CREATE DATABASE " + name);
        Seed(url, apps, (dir / (name + "-files")).string());
        return url;
    }

    void Seed(const std::string& store, int apps, const std::string& assets) {
        std::vector<std::string> args = {CATALOGD_PATH, "seed", "--db", store, "--apps", std::to_string(apps)};
        if (!assets.empty()) args.insert(args.end(), {"--assets", assets});
        if (RunProgram(args, dir / "seed.log") != 0) throw std::runtime_error("seeding failed (see seed.log)");
    }

    int Script(const std::string& command) {
        return RunProgram({"/usr/bin/env", "CLUSTER_OWNER=" + std::to_string(getpid()), "bash", CLUSTER_SCRIPT, command,
                           (dir / "pg").string()},
                          dir / "pg.log");
    }

    fs::path dir;
    std::unique_ptr<ServedCatalog> served;
    std::string current;
    bool pgStarted = false, pgMissing = false;
    std::string pgUrl;
};

Work& Shared() {
    static Work work;
    return work;
}

struct Figures {
    double median = 0, p95 = 0;
};
std::map<std::string, std::map<int, Figures>>& Table() {
    static std::map<std::string, std::map<int, Figures>> table;
    return table;
}

double At(std::vector<double>& sorted, double share) {
    return sorted[std::min(sorted.size() - 1, static_cast<size_t>(share * static_cast<double>(sorted.size())))];
}

void Measure(benchmark::State& state, const std::string& engine, int apps, const Request& r) {
    ServedCatalog& served = Shared().Serving(engine, apps);
    httplib::Client client = served.Client();
    const std::string path =
        std::string("/") + r.method + ".xml?sessionid=" + served.session + "&" + QueryOf(r, served);
    std::vector<double> ms;
    for (auto _ : state) {
        for (int i = 0; i < kWarmUp + kTimed; ++i) {
            const auto start = std::chrono::steady_clock::now();
            auto res = client.Get(path);
            const double took =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            if (!res || res->status != 200 || res->body.find("code=\"0\"") == std::string::npos)
                throw std::runtime_error("failed answer for " + path);
            if (i >= kWarmUp) ms.push_back(took);
        }
        state.SetIterationTime(std::accumulate(ms.begin(), ms.end(), 0.0) / 1000.0);
    }
    std::sort(ms.begin(), ms.end());
    Figures f{At(ms, 0.5), At(ms, 0.95)};
    state.counters["median_ms"] = f.median;
    state.counters["p95_ms"] = f.p95;
    Table()[engine + " " + r.name][apps] = f;
}

void MeasureOrReport(benchmark::State& state, const std::string& engine, int apps, const Request& r) {
    try {
        Measure(state, engine, apps, r);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void PrintTable() {
    std::printf("\n%-30s", "median / p95 ms");
    for (int n : kSizes) std::printf(" %17d", n);
    std::printf("   x (100000 / 1000)\n");
    for (const auto& [name, bySize] : Table()) {
        std::printf("%-30s", name.c_str());
        for (int n : kSizes) {
            auto it = bySize.find(n);
            if (it == bySize.end()) std::printf(" %17s", "-");
            else std::printf(" %8.2f / %6.2f", it->second.median, it->second.p95);
        }
        auto small = bySize.find(kSizes[0]), large = bySize.find(kSizes[2]);
        if (small != bySize.end() && large != bySize.end())
            std::printf("   %.1f / %.1f", large->second.median / small->second.median, large->second.p95 / small->second.p95);
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Size by size, each engine in turn: every catalog is seeded once.
    for (int apps : kSizes)
        for (const char* engine : {"file", "postgresql"})
            for (const Request& r : kAsked) {
                const std::string e = engine;
                benchmark::RegisterBenchmark((std::string(r.name) + "/" + e + "/" + std::to_string(apps)).c_str(),
                                             [e, apps, &r](benchmark::State& s) { MeasureOrReport(s, e, apps, r); })
                    ->Iterations(1)
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond);
            }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintTable();
    return 0;
}
