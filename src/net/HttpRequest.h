#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/Delegate.h"
#include "base/shared_ptr.h"
#include "net/Transfer.h"

// One GET job of the request queue. How its bytes travel is the queue's
// choice (InetManager); the job holds what its callers see of it. Everything
// but the worker's own use happens under the UI lock: subscribing,
// cancelling, reading the body while the completion event runs.
class HttpRequest : public shared_object {
public:
    // Memory-mode bodies (API answers, images) larger than this fail: an
    // answer of unknown length must not grow without bound.
    static constexpr std::size_t kDefaultMemoryLimit = 16u << 20;

    // A job whose body is held in memory.
    HttpRequest(std::u16string url, bool busyIndicator);
    // A job whose body goes to `targetFile` (a host path; empty when the
    // asked device path lies outside the device, which fails the job).
    HttpRequest(std::u16string url, bool busyIndicator, std::filesystem::path targetFile);

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
    // HTTP status, 0 without an answer. Valid once the job has ended.
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
    // A picture job whose picture came from the device, as kept or once the
    // server confirmed it unchanged. Valid once the job has ended.
    bool FromStore() const { return fromStore; }

private:
    friend class InetManager;
    class Control;

    static constexpr uint8_t kCancel = 1, kInterrupt = 2;

    // Takes what the transfer brought and ends the job (UI lock held).
    void Finish(TransferResult result);
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
    int status = 0;
    bool writeFailed = false;
    std::atomic<bool> waitingForLink{false};
    bool integrityFailed = false;
    bool fromStore = false;
};

// What a transfer sees of its job: stop requests, and progress and link
// waits fired as the job's events under the UI lock.
class HttpRequest::Control : public TransferControl {
public:
    explicit Control(HttpRequest& job) : job(job) {}
    std::string Url() const override;
    StopRequest Stop() const override;
    void ReportProgress(double fraction) override;
    void ReportLinkWait(bool waiting) override;

private:
    HttpRequest& job;
};
