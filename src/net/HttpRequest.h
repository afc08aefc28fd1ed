#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/Delegate.h"
#include "base/shared_ptr.h"

namespace platform {
struct HttpOptions;
}

// One GET job of the request queue. Everything but the worker's own use
// happens under the UI lock: subscribing, cancelling, reading the body while
// the completion event runs.
class HttpRequest : public shared_object {
public:
    // Memory-mode bodies (API answers, images) larger than this fail: an
    // answer of unknown length must not grow without bound.
    static constexpr std::size_t kDefaultMemoryLimit = 16u << 20;

    HttpRequest(std::u16string url, bool busyIndicator, std::filesystem::path targetFile = {},
                bool toFile = false);
    ~HttpRequest() override;

    const std::u16string url;
    // Fraction received, 0.0 to 1.0; only when the length is announced.
    Delegation_2<HttpRequest*, double> Progress;
    // True when the transfer worked. The body is freed right after.
    Delegation_2<HttpRequest*, bool> Complete;

    // The read loop stops at its next piece. A cancelled memory job ends with
    // success and what arrived; a cancelled file job fails and leaves no file.
    void Cancel() { cancelFlag = 1; }
    bool Cancelled() const { return cancelFlag != 0; }
    // The body while the completion event runs (null in file mode and after).
    const char* Data() const { return body.empty() ? nullptr : body.data(); }
    // Bytes actually received.
    std::size_t Size() const { return received; }
    bool Pending() const { return pendingFlag != 0; }
    bool FileMode() const { return toFile; }
    bool BusyIndicator() const { return busyIndicator; }
    const std::filesystem::path& TargetFile() const { return targetFile; }
    // Announced length, -1 when the answer had none; HTTP status, 0 without an
    // answer. Valid once the job has ended.
    int64_t ContentLength() const { return contentLength; }
    int Status() const { return status; }
    // A file job whose body could not be stored on the device (no room left,
    // or the target not writable), as against a transfer that failed: the
    // user is told something else. Valid once the job has ended.
    bool WriteFailed() const { return writeFailed; }
    // A worker was started for the job (it may have ended since).
    bool Started() const { return started; }

private:
    friend class InetManager;
    friend class BodyReceiver;

    // Runs the transfer on the worker thread; true when it worked.
    bool Perform(const platform::HttpOptions& options, std::size_t memoryLimit);
    void FreeBody();

    std::vector<char> body;
    std::size_t received = 0;
    std::thread worker;
    std::atomic<uint8_t> cancelFlag{0};
    std::atomic<uint8_t> pendingFlag{1};
    std::atomic<bool> started{false};
    const bool busyIndicator;
    const bool toFile;
    const std::filesystem::path targetFile;
    int64_t contentLength = -1;
    int status = 0;
    bool writeFailed = false;
};
