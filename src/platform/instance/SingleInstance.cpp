#include "platform/instance/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

#include "base/Text.h"
#include "platform/window/WindowSystem.h"

namespace platform {

namespace {

enum : std::uint32_t { kOpSend = 1, kOpPost = 2, kOpActivate = 3 };

// One request on the wire; the answer is one int64. Both ends are processes
// of this machine, so host byte order is fine.
struct Request {
    std::uint32_t op;
    std::uint32_t message;
    std::uint64_t wParam;
    std::int64_t lParam;
};

constexpr auto kConnectPatience = std::chrono::seconds(5);
constexpr auto kWindowPatience = std::chrono::seconds(5);

bool WriteAll(int fd, const void* data, std::size_t size) {
    auto* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, std::size_t size) {
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = ::recv(fd, p, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void SetTimeouts(int fd, int seconds) {
    timeval tv{seconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// A socket path longer than the address field allows is reached through
// the folder's descriptor under /proc, which keeps deep device roots usable.
struct Address {
    sockaddr_un addr{};
    int dirFd = -1;
    ~Address() {
        if (dirFd >= 0) ::close(dirFd);
    }
    bool Set(const std::filesystem::path& path) {
        addr.sun_family = AF_UNIX;
        std::string p = path.string();
        if (p.size() >= sizeof addr.sun_path) {
            dirFd = ::open(path.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (dirFd < 0) return false;
            p = "/proc/self/fd/" + std::to_string(dirFd) + "/" + path.filename().string();
            if (p.size() >= sizeof addr.sun_path) return false;
        }
        std::memcpy(addr.sun_path, p.c_str(), p.size() + 1);
        return true;
    }
};

int Connect(const std::filesystem::path& path) {
    Address a;
    if (!a.Set(path)) return -1;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a.addr), sizeof a.addr) != 0) {
        ::close(fd);
        return -1;
    }
    SetTimeouts(fd, 10);
    return fd;
}

}  // namespace

// The running instance's window, as the second process sees it.
class SingleInstance::RemoteWindow : public WindowRef {
public:
    explicit RemoteWindow(int fd) : fd(fd) {}
    ~RemoteWindow() override { ::close(fd); }
    LRESULT Send(std::uint32_t message, WPARAM wParam, LPARAM lParam) override {
        return Call(kOpSend, message, wParam, lParam).value_or(0);
    }
    bool Post(std::uint32_t message, WPARAM wParam, LPARAM lParam) override {
        return Call(kOpPost, message, wParam, lParam).value_or(0) != 0;
    }
    bool Activate() override { return Call(kOpActivate, 0, 0, 0).value_or(0) != 0; }

private:
    std::optional<std::int64_t> Call(std::uint32_t op, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
        Request r{op, message, static_cast<std::uint64_t>(wParam), static_cast<std::int64_t>(lParam)};
        std::int64_t answer = 0;
        if (!WriteAll(fd, &r, sizeof r) || !ReadAll(fd, &answer, sizeof answer)) return std::nullopt;
        return answer;
    }
    int fd;
};

WindowRef* SingleInstance::Running() { return remote.get(); }

std::string SingleInstance::FileStem(const std::u16string& windowClass) {
    std::string stem = U8(windowClass);
    for (char& c : stem)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '_';
    if (stem.empty() || stem == "." || stem == "..") stem = "_" + stem;
    return stem;
}

std::unique_ptr<SingleInstance> SingleInstance::Claim(const std::filesystem::path& deviceRoot,
                                                      const std::u16string& windowClass, std::string* error) {
    std::unique_ptr<SingleInstance> self(new SingleInstance());
    const std::string stem = FileStem(windowClass);
    const auto lockPath = deviceRoot / (stem + ".lock");
    const auto sockPath = deviceRoot / (stem + ".sock");
    self->lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (self->lockFd < 0) {
        if (error) *error = "cannot open " + lockPath.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    if (::flock(self->lockFd, LOCK_EX | LOCK_NB) == 0) {
        self->owner = true;
        if (!self->Listen(sockPath, error)) return nullptr;
        return self;
    }
    // Someone holds the name. It may still be starting: give its socket a moment.
    ::close(self->lockFd);
    self->lockFd = -1;
    const auto until = std::chrono::steady_clock::now() + kConnectPatience;
    for (;;) {
        int fd = Connect(sockPath);
        if (fd >= 0) {
            self->remote = std::make_unique<RemoteWindow>(fd);
            return self;
        }
        if (std::chrono::steady_clock::now() > until) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (error) *error = "another instance holds " + lockPath.string() + " but does not answer";
    return nullptr;
}

bool SingleInstance::Listen(const std::filesystem::path& path, std::string* error) {
    socketPath = path;
    ::unlink(path.c_str());  // left over by an owner that died; we hold the lock now
    Address a;
    listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd < 0 || !a.Set(path) || ::bind(listenFd, reinterpret_cast<sockaddr*>(&a.addr), sizeof a.addr) != 0 ||
        ::chmod(path.c_str(), 0600) != 0 || ::listen(listenFd, 8) != 0) {
        if (error) *error = "cannot listen on " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    listener = std::thread([this] { ListenLoop(); });
    return true;
}

void SingleInstance::ListenLoop() {
    while (!stopping) {
        pollfd p{listenFd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        // One client at a time, each bounded by the socket timeouts, so a
        // silent client cannot hold the listener for long.
        SetTimeouts(client, 2);
        HandleClient(client);
        ::close(client);
    }
}

void SingleInstance::HandleClient(int client) {
    Request r{};
    while (!stopping && ReadAll(client, &r, sizeof r)) {
        std::int64_t answer = Deliver(r.op, r.message, r.wParam, r.lParam);
        if (!WriteAll(client, &answer, sizeof answer)) return;
    }
}

std::int64_t SingleInstance::Deliver(std::uint32_t op, std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) {
    Window* w = nullptr;
    {
        std::unique_lock lock(mutex);
        served.wait_for(lock, kWindowPatience, [&] { return window || !serving || stopping; });
        w = window;
    }
    if (!w) return 0;
    // Only private messages cross processes: their parameters are plain
    // numbers, while system messages may carry pointers into the sender.
    if ((op == kOpSend || op == kOpPost) && message < WM_USER) return 0;
    try {
        return Perform(op, w, message, wParam, lParam);
    } catch (...) {
        // Whatever the handler threw stays in this process's UI; the caller
        // from outside just gets no answer.
        return 0;
    }
}

std::int64_t SingleInstance::Perform(std::uint32_t op, Window* w, std::uint32_t message, std::uint64_t wParam,
                                     std::int64_t lParam) {
    auto& ws = WindowSystem::Current();
    switch (op) {
    case kOpSend:
        return ws.RunOnUIThread(
            [&ws, w, message, wParam, lParam]() -> LRESULT {
                return ws.IsWindow(w) ? ws.SendMessage(w, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) : 0;
            },
            &stopping);
    case kOpPost:
        return ws.PostMessage(w, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) ? 1 : 0;
    case kOpActivate:
        return ws.RunOnUIThread(
            [&ws, w]() -> LRESULT {
                if (!ws.IsWindow(w)) return 0;
                ws.ShowWindow(w, true);
                ws.UpdateWindow(w);
                return ws.SetForegroundWindow(w) ? 1 : 0;
            },
            &stopping);
    default:
        return 0;
    }
}

void SingleInstance::Serve(Window* w) {
    {
        std::lock_guard lock(mutex);
        window = w;
        serving = true;
    }
    served.notify_all();
}

void SingleInstance::StopServing() {
    {
        std::lock_guard lock(mutex);
        window = nullptr;
        serving = false;
    }
    served.notify_all();
}

SingleInstance::~SingleInstance() {
    StopServing();
    stopping = true;
    // A listener waiting for the UI thread gives up once `stopping` is set.
    if (listener.joinable()) listener.join();
    if (listenFd >= 0) {
        ::close(listenFd);
        ::unlink(socketPath.c_str());
    }
    if (lockFd >= 0) ::close(lockFd);
}

}  // namespace platform
