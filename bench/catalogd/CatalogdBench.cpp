// How close the catalog's dynamic answers come to serving a plain file of
// the same size from the same server. wrk loads the server from its own
// process; each benchmark reports both rates and their ratio.
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "Base64.h"
#include "Db.h"
#include "Seed.h"
#include "Server.h"

namespace {

namespace fs = std::filesystem;
using namespace catalogd;

constexpr int kWrkSeconds = 3;
constexpr int kWrkConnections = 8;  // no more than the server's workers: each keeps its connection
constexpr int kRounds = 2;

// One seeded catalog served for the whole run.
class BenchCatalog {
public:
    BenchCatalog() {
        dir = fs::temp_directory_path() / ("catalogd-bench-" + std::to_string(getpid()));
        fs::create_directories(dir);
        {
            Db db((dir / "catalog.db").string());
            SeedCatalog(db, {(dir / "files").string(), 0});
        }
        ServerOptions options;
        options.port = 0;
        options.quiet = true;
        server = std::make_unique<Server>((dir / "catalog.db").string(), options);
        port = server->Bind();
        thread = std::thread([this] { server->Run(); });
        httplib::Client client("127.0.0.1", port);
        auto res = client.Get("/auth.xml?login=demo&pass=" + Base64Encode("demo") + "&ver=1.0b");
        if (!res) throw std::runtime_error("the server does not answer");
        size_t at = res->body.find("id=\"");
        if (at == std::string::npos) throw std::runtime_error("sign-in failed: " + res->body);
        session = res->body.substr(at + 4, 32);
    }
    ~BenchCatalog() {
        server->Stop();
        thread.join();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }

    // A file below /files/ with as many bytes as the answer at `path`.
    std::string StaticTwin(const std::string& path, const std::string& name) {
        httplib::Client client("127.0.0.1", port);
        auto res = client.Get(path);
        if (!res || res->status != 200) throw std::runtime_error("no answer for " + path);
        fs::create_directories(dir / "files" / "bench");
        std::ofstream(dir / "files" / "bench" / name, std::ios::binary) << std::string(res->body.size(), 'x');
        return "/files/bench/" + name;
    }

    std::string session;

private:
    fs::path dir;
    std::unique_ptr<Server> server;
    std::thread thread;
    int port = 0;
};

BenchCatalog& Catalog() {
    static BenchCatalog catalog;
    return catalog;
}

// Requests per second wrk reaches on the URL; throws when an answer failed.
double Wrk(const std::string& url) {
    std::string command = "wrk -t2 -c" + std::to_string(kWrkConnections) + " -d" + std::to_string(kWrkSeconds) +
                          "s '" + url + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot start wrk");
    std::string out;
    char buf[4096];
    while (size_t n = fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
    if (pclose(pipe) != 0) throw std::runtime_error("wrk failed: " + out);
    if (out.find("Non-2xx") != std::string::npos || out.find("Socket errors") != std::string::npos)
        throw std::runtime_error("wrk saw failed requests: " + out);
    size_t at = out.find("Requests/sec:");
    if (at == std::string::npos) throw std::runtime_error("no rate in wrk's report: " + out);
    return std::stod(out.substr(at + 13));
}

void Compare(benchmark::State& state, const std::string& path, const std::string& twinName);

// A failed load run is reported as the benchmark's error instead of ending the program.
void CompareOrReport(benchmark::State& state, const std::string& path, const std::string& twinName) {
    try {
        Compare(state, path, twinName);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void Compare(benchmark::State& state, const std::string& path, const std::string& twinName) {
    BenchCatalog& c = Catalog();
    std::string full = path + (path.find('?') == std::string::npos ? "?" : "&") + "sessionid=" + c.session;
    std::string twin = c.StaticTwin(full, twinName);
    // The machine may be shared: alternate the two loads and keep the best
    // rate of each, so that a passing burst elsewhere skews neither side.
    double dynamicRate = 0, staticRate = 0;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            dynamicRate = std::max(dynamicRate, Wrk(c.Url(full)));
            staticRate = std::max(staticRate, Wrk(c.Url(twin)));
        }
        state.SetIterationTime(2.0 * kRounds * kWrkSeconds);
    }
    state.counters["req_per_s"] = dynamicRate;
    state.counters["static_req_per_s"] = staticRate;
    state.counters["ratio"] = dynamicRate / staticRate;
    std::printf("%s: %.0f req/s, static file of the same size %.0f req/s, ratio %.2f\n", twinName.c_str(), dynamicRate,
                staticRate, dynamicRate / staticRate);
}

void BM_GetAppsSortedPageVsStatic(benchmark::State& state) {
    CompareOrReport(state, "/getapps.xml?count=25&sort=rates", "getapps.bin");
}

void BM_AppDetailsVsStatic(benchmark::State& state) {
    CompareOrReport(state, "/appdetails.xml?appid=15&details=1", "appdetails.bin");
}

BENCHMARK(BM_GetAppsSortedPageVsStatic)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_AppDetailsVsStatic)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
