#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/Singleton.h"
#include "base/shared_ptr.h"
#include "net/HttpRequest.h"
#include "net/ResumableDownload.h"
#include "net/Transfer.h"
#include "platform/window/IdleProbes.h"

// The request queue. Only the first five entries of the queue run, each on a
// worker of its own; a job behind them waits until one of them is removed.
// The queue decides how each job moves its bytes when the job is added (a
// Transfer: into memory, into a file, a download that resumes, a picture
// the device keeps) and hands the job what the transfer brought.
class InetManager : public Singleton<InetManager> {
public:
    static constexpr int kMaxRunning = 5;

    // Timeouts and size caps of the transfers. A timeout is a failure.
    struct Limits {
        std::chrono::milliseconds connectTimeout{15000};
        std::chrono::seconds lowSpeedTime{30};          // no byte for this long
        std::chrono::milliseconds sizeQueryTimeout{10000};  // the whole size query
        std::size_t memoryLimit = HttpRequest::kDefaultMemoryLimit;
        RetryPolicy retry;  // resumable downloads on a broken line
    };

    ~InetManager() override;

    // Queues a GET. With a target (a device path) the body goes to that file.
    // busyIndicator holds the application's busy indicator up while the job
    // is queued or running. Safe from any thread.
    shared_ptr<HttpRequest> Add(const std::u16string& url, bool busyIndicator,
                                const std::u16string& targetDevicePath = {});
    // Queues the GET of an icon or screenshot, into memory: when the device
    // keeps pictures (PictureStore open) as the job is added, the job is
    // answered from there when it can be, and what it fetches is kept.
    shared_ptr<HttpRequest> AddPicture(const std::u16string& url, bool busyIndicator);
    // The same with a host file as target (tools, tests).
    shared_ptr<HttpRequest> AddToHostFile(const std::u16string& url, bool busyIndicator,
                                          const std::filesystem::path& hostFile);
    // A download to a file of the device that survives a broken line: it
    // tries again by itself and resumes where it broke; see ResumeOptions.
    // No busy indicator: downloads run in the background.
    shared_ptr<HttpRequest> AddResumable(const std::u16string& url, const std::u16string& targetDevicePath,
                                         ResumeOptions options);

    // Synchronous: the Content-Length of the answer in kilobytes (rounded
    // down) as decimal text; empty on any failure, an HTTP error included.
    // The body is not read, and the whole exchange is bounded in time.
    std::u16string SizeQuery(const std::u16string& url);

    Limits GetLimits();
    void SetLimits(const Limits& limits);

    // Stops the queue for good, as at the program's end, before the
    // application its workers call into is gone: no job starts any more,
    // running ones are interrupted (downloads keep what arrived) and waited
    // for at most `limit`. Never with the UI lock held: a worker ends through
    // its completion, under that lock. False when one was still running.
    bool Stop(std::chrono::milliseconds limit);

    // Jobs queued or running.
    std::size_t QueueLength();
    // Nothing queued, running or still in its completion handler.
    bool IsIdle();
    // Waits until nothing is queued or running; false on timeout.
    bool WaitIdle(std::chrono::milliseconds timeout);

private:
    friend class Singleton<InetManager>;
    InetManager();

    struct Entry {
        shared_ptr<HttpRequest> job;
        std::unique_ptr<Transfer> transfer;
    };

    shared_ptr<HttpRequest> Queue(shared_ptr<HttpRequest> job, std::unique_ptr<Transfer> transfer);
    // Subscribed to the connection manager: starts what may run now.
    void StartJobs();
    void StartJobsLocked();
    void RunJob(HttpRequest* job, Transfer* transfer);
    void JoinFinished();

    std::mutex queueLock;
    std::condition_variable idle;
    std::vector<Entry> queue;
    int workers = 0;
    bool stopped = false;  // by Stop: nothing starts any more
    std::vector<std::thread> finished;  // workers that ended, not yet joined
    Limits limits;
    // Headless runs wait for the answers before their next step.
    std::unique_ptr<platform::ScopedIdleProbe> idleProbe;
};
