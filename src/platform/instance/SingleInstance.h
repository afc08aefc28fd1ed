#pragma once
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <condition_variable>
#include <string>
#include <thread>

#include "platform/window/Window.h"

namespace platform {

// One running instance per window class and device root. The first process
// holds a lock file for its whole life and listens on a Unix socket, both in
// the device root and named after the window class; a second process finds
// the lock taken, connects, and gets the first one's window as a WindowRef:
// what it sends there reaches the first process's window procedure on its UI
// thread. A crashed owner leaves no stale claim, since the lock dies with it.
class SingleInstance {
public:
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Null with `error` when neither claiming nor reaching the owner worked.
    static std::unique_ptr<SingleInstance> Claim(const std::filesystem::path& deviceRoot,
                                                 const std::u16string& windowClass, std::string* error = nullptr);

    bool IsOwner() const { return owner; }
    // Another process owns the name: its window.
    WindowRef* Running();
    // The owner's window: requests that arrived before it existed wait for it.
    void Serve(Window* window);
    // Stops serving (the window is going away); later requests answer 0.
    void StopServing();

    static std::string FileStem(const std::u16string& windowClass);

private:
    class RemoteWindow;
    SingleInstance() = default;
    bool Listen(const std::filesystem::path& socketPath, std::string* error);
    void ListenLoop();
    void HandleClient(int client);
    std::int64_t Deliver(std::uint32_t op, std::uint32_t message, std::uint64_t wParam, std::int64_t lParam);
    std::int64_t Perform(std::uint32_t op, Window* w, std::uint32_t message, std::uint64_t wParam, std::int64_t lParam);

    bool owner = false;
    int lockFd = -1;
    int listenFd = -1;
    std::filesystem::path socketPath;
    std::unique_ptr<WindowRef> remote;
    std::thread listener;
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    std::condition_variable served;
    Window* window = nullptr;
    bool serving = true;
};

}  // namespace platform
