// catalogd under abuse, one instance on its store file: what a flood of
// registrations does to its memory and to the icons it serves meanwhile, and
// what clients that trickle their heads do to honest requests. Each load is
// measured beside the same honest requests on an idle instance; every
// scenario gets a freshly started instance, so that its peak resident memory
// is the scenario's own.
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ServedCatalog.h"

namespace {

namespace fs = std::filesystem;
using catalogd::bench::Encoded;
using catalogd::bench::RunProgram;
using catalogd::bench::ServedCatalog;
using Clock = std::chrono::steady_clock;

constexpr int kFlood = 64;
constexpr const char* kIcon = "/files/icons/3.png";

// The sample catalog, seeded once for every scenario.
class Store {
public:
    Store() : dir(fs::temp_directory_path() / ("catalogd-abuse-bench-" + std::to_string(getpid()))) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        if (RunProgram({CATALOGD_PATH, "seed", "--db", (dir / "catalog.db").string()}, dir / "seed.log") != 0)
            throw std::runtime_error("seeding failed");
    }
    ~Store() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
};

Store& Seeded() {
    static Store store;
    return store;
}

// One catalogd serving a copy of the seeded store, from start to destruction.
class Instance {
public:
    Instance() : db(Copy()), served(db.string(), Log(), {"--auto-activate", "--reg-per-address", "100000"}) {
        port = served.port;
        session = served.session;
    }
    ~Instance() { fs::remove(db); }

    httplib::Client Client() const { return served.Client(); }
    // The most memory the process ever had resident, in MB.
    double PeakMb() const {
        std::ifstream in("/proc/" + std::to_string(served.Pid()) + "/status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
        return 0;
    }

    int port = 0;
    std::string session;

private:
    static int& Count() {
        static int count = 0;
        return count;
    }
    static fs::path Copy() {
        const fs::path& dir = Seeded().dir;
        fs::path db = dir / ("run-" + std::to_string(++Count()) + ".db");
        fs::copy_file(dir / "catalog.db", db, fs::copy_options::overwrite_existing);
        return db;
    }
    static fs::path Log() { return Seeded().dir / ("run-" + std::to_string(Count()) + ".log"); }

    fs::path db;
    ServedCatalog served;
};

// Times of honest requests for `path` made one after the other until `done`
// (or `count` of them when `done` is null), in ms; failures count as the
// client's whole timeout.
std::vector<double> Honest(const Instance& in, const std::string& path, const std::atomic<bool>* done, int count) {
    std::vector<double> times;
    httplib::Client c = in.Client();
    while (done ? !done->load() : static_cast<int>(times.size()) < count) {
        const auto start = Clock::now();
        auto res = c.Get(path);
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (!res || res->status != 200) ms = 30000;
        times.push_back(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return times;
}

double P95(std::vector<double> times) {
    if (times.empty()) return 0;
    std::sort(times.begin(), times.end());
    return times[std::min(times.size() - 1, times.size() * 95 / 100)];
}

void Registrations(benchmark::State& state) {
    for (auto _ : state) {
        const double idle = P95(Honest(Instance(), kIcon, nullptr, 200));
        Instance in;
        std::atomic<bool> done{false};
        std::atomic<int> created{0}, busy{0};
        std::vector<double> during;
        std::thread icons([&] { during = Honest(in, kIcon, &done, 0); });
        std::vector<std::thread> flood;
        for (int i = 0; i < kFlood; ++i)
            flood.emplace_back([&, i] {
                httplib::Client c = in.Client();
                const std::string n = "flood" + std::to_string(i);
                auto res = c.Get("/reg.xml?login=" + n + "&pass=" + Encoded("secret" + n) + "&mail=" + n + "%40example.org");
                if (res && res->body.find("code=\"0\"") != std::string::npos) ++created;
                if (res && res->body.find("code=\"212\"") != std::string::npos) ++busy;
            });
        for (auto& t : flood) t.join();
        done = true;
        icons.join();
        const double p95 = P95(during);
        state.counters["peak_MB"] = in.PeakMb();
        state.counters["icon_p95_ms"] = p95;
        state.counters["idle_icon_p95_ms"] = idle;
        state.counters["icon_ratio"] = idle > 0 ? p95 / idle : 0;
        state.counters["registered"] = created.load();
        state.counters["busy"] = busy.load();
    }
}

// Connections that send a request line and then one header line every
// couple of seconds, never ending the head.
void SlowClients(benchmark::State& state) {
    for (auto _ : state) {
        const std::string cats = "/cats.xml?sessionid=";
        double idle = 0;
        {
            Instance quiet;
            idle = P95(Honest(quiet, cats + quiet.session, nullptr, 200));
        }
        Instance in;
        std::vector<int> fds;
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(in.port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (int i = 0; i < kFlood; ++i) {
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
                send(fd, "GET /cats.xml HTTP/1.1\r\n", 24, MSG_NOSIGNAL);
            fds.push_back(fd);
        }
        std::atomic<bool> done{false};
        std::thread drip([&] {
            for (int round = 0; round < 3 && !done; ++round) {
                std::this_thread::sleep_for(std::chrono::seconds(2));
                for (int fd : fds) send(fd, "X-Drip: 1\r\n", 11, MSG_NOSIGNAL);
            }
            done = true;
        });
        const std::vector<double> during = Honest(in, cats + in.session, &done, 0);
        drip.join();
        for (int fd : fds) close(fd);
        const double p95 = P95(during);
        state.counters["honest_p95_ms"] = p95;
        state.counters["idle_p95_ms"] = idle;
        state.counters["ratio"] = idle > 0 ? p95 / idle : 0;
        state.counters["honest_requests"] = static_cast<double>(during.size());
    }
}

BENCHMARK(Registrations)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(SlowClients)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
