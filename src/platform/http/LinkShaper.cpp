#include "platform/http/LinkShaper.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include <nlohmann/json.hpp>

namespace platform {

LinkShaper LinkShaper::ForCurrentDevice() {
    if (!HasCurrentDevice()) return LinkShaper(DataLink{});
    return LinkShaper(CurrentDevice().Info().link);
}

void LinkShaper::WaitLatency() const {
    if (link.Shaped() && link.latencyMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(link.latencyMs));
}

std::size_t LinkShaper::Pass(std::size_t size) {
    if (dropped) return 0;
    if (!link.Shaped() || link.dropAfterBytes == 0 || passed + size <= link.dropAfterBytes) {
        passed += size;
        return size;
    }
    const std::size_t through = static_cast<std::size_t>(link.dropAfterBytes - passed);
    passed = link.dropAfterBytes;
    dropped = true;
    return through;
}

bool LinkShaper::Pace(uint64_t total, const std::function<bool()>& stop) const {
    const int64_t rate = DownBytesPerSecond();
    if (!link.Shaped() || rate <= 0) return true;
    const auto due = start + std::chrono::microseconds(static_cast<int64_t>(total * 1000000 / uint64_t(rate)));
    for (auto now = std::chrono::steady_clock::now(); now < due; now = std::chrono::steady_clock::now()) {
        if (stop()) return false;
        const std::chrono::steady_clock::duration slice = std::chrono::milliseconds(50);
        std::this_thread::sleep_for(std::min(due - now, slice));
    }
    return true;
}

bool LinkShaper::DropIfTimeUp() {
    if (!link.Shaped() || link.dropEverySeconds <= 0 || dropped) return dropped;
    if (std::chrono::steady_clock::now() - start >= std::chrono::seconds(link.dropEverySeconds)) dropped = true;
    return dropped;
}

void LinkShaper::Log(const std::string& url, int64_t rangeFrom, int status, uint64_t headerBytes,
                     uint64_t bodyBytes, int connections, const char* outcome) const {
    if (!link.Shaped() || !HasCurrentDevice()) return;
    const nlohmann::json line{{"url", url},
                              {"rangeFrom", rangeFrom},
                              {"status", status},
                              {"headerBytes", headerBytes},
                              {"bodyBytes", bodyBytes},
                              {"connections", connections},
                              {"outcome", outcome}};
    const std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    // One write per line on a file opened for appending: lines of transfers
    // ending at once never interleave.
    const int fd = ::open((CurrentDevice().Root() / "link.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                          0644);
    if (fd < 0) return;
    [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
    ::close(fd);
}

}  // namespace platform
