#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/Delegate.h"
#include "base/shared_ptr.h"
#include "net/RetrySchedule.h"
#include "platform/http/HttpClient.h"

// A file download that survives a broken line (InetManager::AddResumable):
// what arrived is kept beside the target and later tries ask only for the
// rest; the file reaches its target name only when whole and, when a check
// is given, only when the check accepts it.
struct ResumeOptions {
    std::string owner;  // kept with the partial file, so that a later run knows whose it is
    // Called on the worker with the whole file's size and SHA-256 (lowercase
    // hexadecimal) before it takes its target name; false refuses the file,
    // which is then deleted. Empty: every whole file is taken. It runs on a
    // worker thread, so it holds its own copies of what it compares.
    std::function<bool(int64_t size, const std::string& sha256)> accept;
};

// One GET job of the request queue. Everything but the worker's own use
// happens under the UI lock: subscribing, cancelling, reading the body while
// the completion event runs.
class HttpRequest : public shared_object {
public:
    // Memory-mode bodies (API answers, images) larger than this fail: an
    // answer of unknown length must not grow without bound.
    static constexpr std::size_t kDefaultMemoryLimit = 16u << 20;

    // `picture`: an icon or screenshot, which goes through the pictures kept
    // on the device (PictureStore) when they are in use.
    HttpRequest(std::u16string url, bool busyIndicator, std::filesystem::path targetFile = {},
                bool toFile = false, bool picture = false);

    const std::u16string url;
    // Fraction received, 0.0 to 1.0; only when the length is announced.
    Delegation_2<HttpRequest*, double> Progress;
    // True when the transfer worked. The body is freed right after.
    Delegation_2<HttpRequest*, bool> Complete;

    // Fired under the UI lock when a resumable download starts waiting for
    // the line to come back (true) and when it tries again (false).
    Delegation_2<HttpRequest*, bool> LinkWait;

    // The read loop stops at its next piece. A cancelled memory job ends with
    // success and what arrived; a cancelled file job fails and leaves no file,
    // a resumable one no partial file either.
    void Cancel() { cancelFlag = kCancel; }
    // Stops the job as a lost line would, at shutdown: like a cancel, except
    // that a resumable download keeps what arrived for the next run. A job
    // the user cancelled already stays cancelled.
    void Interrupt() {
        uint8_t none = 0;
        cancelFlag.compare_exchange_strong(none, kInterrupt);
    }
    // The user called the job off (Cancel).
    bool Cancelled() const { return cancelFlag == kCancel; }
    // The job was stopped at shutdown (Interrupt), and not cancelled.
    bool Interrupted() const { return cancelFlag == kInterrupt; }
    // Either of the two: the transfer is to end.
    bool StopRequested() const { return cancelFlag != 0; }
    // The body while the completion event runs (null in file mode and after).
    const char* Data() const { return body.empty() ? nullptr : body.data(); }
    // Bytes actually received.
    std::size_t Size() const { return received; }
    bool Pending() const { return pendingFlag != 0; }
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
    // A resumable download between two tries, waiting for the line.
    bool WaitingForLink() const { return waitingForLink; }
    // A resumable download whose whole file its check refused: the file is
    // gone and the next download starts afresh. Valid once ended.
    bool IntegrityFailed() const { return integrityFailed; }
    bool Picture() const { return picture; }
    // A picture job whose picture came from the device, as kept or once the
    // server confirmed it unchanged. Valid once the job has ended.
    bool FromStore() const { return fromStore; }

private:
    friend class InetManager;
    friend class BodyReceiver;
    friend class ResumableDownload;
    friend class CachedPictureFetch;

    static constexpr uint8_t kCancel = 1, kInterrupt = 2;

    // Runs the transfer on the worker thread; true when it worked.
    bool Perform(const platform::HttpOptions& options, std::size_t memoryLimit, const RetryPolicy& retry);
    // One GET into memory or into the target file; `outcome` tells how the
    // transfer itself ended.
    bool Fetch(const platform::HttpOptions& options, std::size_t memoryLimit, platform::HttpOutcome& outcome);
    void FreeBody();
    // Fires LinkWait when the state changes; worker thread.
    void SetWaitingForLink(bool waiting);

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
    platform::HttpHead head;  // of the answer, once it began
    bool writeFailed = false;
    std::optional<ResumeOptions> resume;
    std::atomic<bool> waitingForLink{false};
    bool integrityFailed = false;
    const bool picture;
    bool fromStore = false;
};
