#pragma once
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

// Files on loopback whose answers a test can hold back: each path serves its
// body (any other is a 404, or the body of "*" when there is one); a held path sends the bytes before `heldFrom` at
// once and the rest only once Release is called, so that a test can look at
// a transfer that is under way.
class HeldServer {
public:
    static constexpr std::size_t kNotHeld = std::string::npos;

    HeldServer() {
        http.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            auto file = files.find(req.path);
            if (file == files.end()) file = files.find("*");
            if (file == files.end()) return void(res.status = 404);
            ++served;
            const std::string& body = file->second.first;
            const std::size_t held = file->second.second;
            res.set_content_provider(body.size(), "application/octet-stream",
                                     [this, &body, held](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                         if (offset >= held) Wait();
                                         const std::size_t end = offset < held ? std::min(held, body.size()) : body.size();
                                         return sink.write(body.data() + offset, end - offset);
                                     });
        });
        port = http.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { http.listen_after_bind(); });
    }
    ~HeldServer() {
        Release();
        http.stop();
        thread.join();
    }
    HeldServer(const HeldServer&) = delete;
    HeldServer& operator=(const HeldServer&) = delete;

    // Set before the first request.
    void Serve(const std::string& path, std::string body, std::size_t heldFrom = kNotHeld) {
        files[path] = {std::move(body), heldFrom};
    }
    void Release() {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    // True once an answer waits at its hold (bounded).
    bool WaitUntilHeld() {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [this] { return waiting > 0; });
    }
    int Served() const { return served; }
    std::u16string Url(const std::string& path) const {
        const std::string u = "http://127.0.0.1:" + std::to_string(port) + path;
        return std::u16string(u.begin(), u.end());
    }

private:
    void Wait() {
        std::unique_lock lock(mutex);
        ++waiting;
        changed.notify_all();
        changed.wait_for(lock, std::chrono::seconds(30), [this] { return open; });
    }

    std::map<std::string, std::pair<std::string, std::size_t>> files;
    httplib::Server http;
    std::thread thread;
    int port = 0;
    std::mutex mutex;
    std::condition_variable changed;
    int waiting = 0;
    bool open = false;
    std::atomic<int> served{0};
};
