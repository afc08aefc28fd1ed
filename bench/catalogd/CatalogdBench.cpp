// How close the catalog's dynamic answers come to a plain file of the same
// size, both through the same nginx in front of the service, for the ways
// the service is deployed: one instance on a store file (without and with
// the answer cache), one and two instances on PostgreSQL. Each deployment
// is started by scripts/catalog-cluster.sh and loaded by wrk from its own
// process; each benchmark reports both rates and their ratio, and the end
// of the run prints them as one table.
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "Base64.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWrkSeconds = 3;
constexpr int kWrkConnections = 8;  // no more than an instance's workers: each keeps its connection
constexpr int kRounds = 2;

struct Deployment {
    const char* name;
    const char* options;  // for catalog-cluster.sh start
    // The answers straight from the (first) instance, not through the proxy:
    // what the proxy's hop costs.
    bool direct = false;
};

const Deployment kDeployments[] = {
    {"file_1_uncached", "--backend sqlite --instances 1 --cache-ttl 0"},
    {"file_1", "--backend sqlite --instances 1"},
    {"file_1_direct", "--backend sqlite --instances 1", true},
    {"postgresql_1", "--backend postgresql --instances 1"},
    {"postgresql_2", "--backend postgresql --instances 2"},
};

std::string Output(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string out;
    char buf[4096];
    while (size_t n = fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
    int status = pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(command + " failed: " + out);
    return out;
}

// One deployment, running from construction to destruction; only one runs
// at a time so that the others take no share of the machine.
class Cluster {
public:
    explicit Cluster(const Deployment& d) : dir(fs::temp_directory_path() / ("catalogd-bench-" + std::to_string(getpid()))) {
        fs::remove_all(dir);
        std::string out = Script("start", std::string(d.options) + " --quiet");
        out.erase(out.find_last_not_of('\n') + 1);
        base = out.substr(out.rfind('\n') + 1);
        base.pop_back();  // the final "/"
        std::ifstream(dir / "instances") >> instance;
        instance.pop_back();
        httplib::Client client(base);
        auto res = client.Get("/auth.xml?login=demo&pass=" + catalogd::Base64Encode("demo") + "&ver=1.0b");
        if (!res) throw std::runtime_error("the proxy does not answer");
        size_t at = res->body.find("id=\"");
        if (at == std::string::npos) throw std::runtime_error("sign-in failed: " + res->body);
        session = res->body.substr(at + 4, 32);
    }
    ~Cluster() {
        try {
            Script("stop", "");
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
        }
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    std::string Url(const std::string& path) const { return base + path; }
    std::string InstanceUrl(const std::string& path) const { return instance + path; }

    // A file of the shared folder, served by the proxy itself, with as many
    // bytes as the answer at `path`.
    std::string StaticTwin(const std::string& path, const std::string& name) const {
        httplib::Client client(base);
        auto res = client.Get(path);
        if (!res || res->status != 200) throw std::runtime_error("no answer for " + path);
        fs::create_directories(dir / "files" / "bench");
        std::ofstream(dir / "files" / "bench" / name, std::ios::binary) << std::string(res->body.size(), 'x');
        return "/files/bench/" + name;
    }

    std::string session;

private:
    std::string Script(const std::string& command, const std::string& options) const {
        return Output("CLUSTER_OWNER=" + std::to_string(getpid()) + " CATALOGD='" CATALOGD_PATH "' bash '" CLUSTER_SCRIPT
                      "' " + command + " '" + dir.string() + "' " + options + " 2>&1");
    }

    fs::path dir;
    std::string base;
    std::string instance;
};

class Deployments {
public:
    // The deployment, started now unless it is the one running.
    Cluster& Running(const Deployment& d) {
        if (current != &d) {
            Stop();
            cluster = std::make_unique<Cluster>(d);
            current = &d;
        }
        return *cluster;
    }
    void Stop() {
        cluster.reset();
        current = nullptr;
    }

private:
    std::unique_ptr<Cluster> cluster;
    const Deployment* current = nullptr;
};

Deployments& Clusters() {
    static Deployments deployments;
    return deployments;
}

// Requests per second wrk reaches on the URL; throws when an answer failed.
double Wrk(const std::string& url) {
    std::string out = Output("wrk -t2 -c" + std::to_string(kWrkConnections) + " -d" + std::to_string(kWrkSeconds) +
                             "s '" + url + "' 2>&1");
    if (out.find("Non-2xx") != std::string::npos || out.find("Socket errors") != std::string::npos)
        throw std::runtime_error("wrk saw failed requests: " + out);
    size_t at = out.find("Requests/sec:");
    if (at == std::string::npos) throw std::runtime_error("no rate in wrk's report: " + out);
    return std::stod(out.substr(at + 13));
}

struct Rates {
    double dynamic = 0, file = 0;
};
std::map<std::string, Rates>& Results() {
    static std::map<std::string, Rates> results;
    return results;
}

void Compare(benchmark::State& state, const Deployment& d, const std::string& method, const std::string& path) {
    Cluster& c = Clusters().Running(d);
    std::string full = path + "&sessionid=" + c.session;
    std::string twin = c.StaticTwin(full, method + ".bin");
    // The machine may be shared: alternate the two loads and keep the best
    // rate of each, so that a passing burst elsewhere skews neither side.
    Rates r;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            r.dynamic = std::max(r.dynamic, Wrk(d.direct ? c.InstanceUrl(full) : c.Url(full)));
            r.file = std::max(r.file, Wrk(c.Url(twin)));
        }
        state.SetIterationTime(2.0 * kRounds * kWrkSeconds);
    }
    state.counters["req_per_s"] = r.dynamic;
    state.counters["static_req_per_s"] = r.file;
    state.counters["ratio"] = r.dynamic / r.file;
    Results()[std::string(d.name) + " " + method] = r;
}

// A failed run is reported as the benchmark's error instead of ending the program.
void CompareOrReport(benchmark::State& state, const Deployment& d, const std::string& method, const std::string& path) {
    try {
        Compare(state, d, method, path);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void PrintTable() {
    std::printf("\n%-28s %10s %10s %7s\n", "deployment and method", "req/s", "file req/s", "ratio");
    for (const auto& [name, r] : Results())
        std::printf("%-28s %10.0f %10.0f %7.2f\n", name.c_str(), r.dynamic, r.file, r.dynamic / r.file);
    for (const char* method : {"getapps", "appdetails"}) {
        auto one = Results().find(std::string("postgresql_1 ") + method);
        auto two = Results().find(std::string("postgresql_2 ") + method);
        if (one != Results().end() && two != Results().end() && one->second.dynamic > 0)
            std::printf("two instances / one on PostgreSQL, %s: %.2f\n", method, two->second.dynamic / one->second.dynamic);
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (const Deployment& d : kDeployments) {
        benchmark::RegisterBenchmark((std::string("GetAppsSortedPage/") + d.name).c_str(), [&d](benchmark::State& s) {
            CompareOrReport(s, d, "getapps", "/getapps.xml?count=25&sort=rates");
        })->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
        benchmark::RegisterBenchmark((std::string("AppDetails/") + d.name).c_str(), [&d](benchmark::State& s) {
            CompareOrReport(s, d, "appdetails", "/appdetails.xml?appid=15&details=1");
        })->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Clusters().Stop();
    PrintTable();
    return 0;
}
