// A 64 MiB file-mode download from loopback through the request queue, next
// to the curl command line fetching the same URL into a file.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <httplib.h>
#include <mutex>
#include <thread>

#include "base/Text.h"
#include "net/InetManager.h"
#include "net/NetServices.h"

extern char** environ;

namespace {

constexpr std::size_t kSize = 64u << 20;

class BlobServer {
public:
    BlobServer() : block(1 << 16, 'x') {
        server.Get("/blob", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(kSize, "application/octet-stream",
                                     [this](std::size_t, std::size_t length, httplib::DataSink& sink) {
                                         return sink.write(block.data(), std::min(length, block.size()));
                                     });
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
    }
    ~BlobServer() {
        server.stop();
        thread.join();
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port) + "/blob"; }

private:
    std::string block;
    httplib::Server server;
    std::thread thread;
    int port = 0;
};

BlobServer& Server() {
    static BlobServer server;
    return server;
}

std::filesystem::path Target() {
    return std::filesystem::temp_directory_path() / ("tobrix-bench-" + std::to_string(::getpid()) + ".bin");
}

void BM_Download64MiB_InetManager(benchmark::State& state) {
    const std::u16string url = U16(Server().Url());
    const auto file = Target();
    for (auto _ : state) {
        std::mutex lock;
        std::condition_variable cv;
        bool done = false, ok = false;
        {
            std::lock_guard<std::recursive_mutex> ui(net::UILock());
            shared_ptr<HttpRequest> job = InetManager::Instance().AddToHostFile(url, false, file);
            SubscribeFn(job->Complete, [&](HttpRequest*, bool result) {
                std::lock_guard<std::mutex> guard(lock);
                ok = result;
                done = true;
                cv.notify_all();
            });
        }
        std::unique_lock<std::mutex> guard(lock);
        cv.wait(guard, [&] { return done; });
        if (!ok || std::filesystem::file_size(file) != kSize) state.SkipWithError("download failed");
    }
    InetManager::Instance().WaitIdle(std::chrono::seconds(10));
    std::filesystem::remove(file);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
}

void BM_Download64MiB_CurlCommand(benchmark::State& state) {
    const std::string url = Server().Url();
    const std::string file = Target().string();
    for (auto _ : state) {
        const char* argv[] = {"curl", "-s", "-o", file.c_str(), url.c_str(), nullptr};
        pid_t pid = 0;
        if (posix_spawnp(&pid, "curl", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
            state.SkipWithError("curl is not installed");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("curl failed");
    }
    std::filesystem::remove(file);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize));
}

BENCHMARK(BM_Download64MiB_InetManager)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Download64MiB_CurlCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
