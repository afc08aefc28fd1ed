#include "net/InetManager.h"

#include <algorithm>

#include "base/Text.h"
#include "net/CachedPictureFetch.h"
#include "net/ConnectionManager.h"
#include "net/FileTransfer.h"
#include "net/MemoryTransfer.h"
#include "net/NetServices.h"
#include "net/PictureStore.h"
#include "platform/device/DeviceRoot.h"
#include "platform/http/HttpClient.h"

namespace {

platform::HttpOptions TransferOptions(const InetManager::Limits& l) {
    platform::HttpOptions o;
    o.connectTimeout = l.connectTimeout;
    o.lowSpeedTime = l.lowSpeedTime;
    return o;
}

TransferSettings SettingsOf(const InetManager::Limits& l) {
    TransferSettings s;
    s.options = TransferOptions(l);
    s.memoryLimit = l.memoryLimit;
    s.retry = l.retry;
    return s;
}

// Receives only the headers of the size query.
class HeadersOnly : public platform::HttpSink {
public:
    bool Begin(const platform::HttpHead&) override { return true; }
    bool Piece(const char*, std::size_t) override { return false; }
};

}  // namespace

InetManager::InetManager() {
    // The application services and the kept pictures outlive the queue:
    // touching them first makes them be destroyed after it, when no worker
    // is left to use them.
    net::Services();
    net::PictureStore::Instance();
    // No UI lock here: nothing fires the event before the first job is queued
    // through this instance, and a constructor that waited for the UI lock
    // could deadlock with a UI-lock holder waiting for the instance.
    Subscribe(ConnectionManager::Instance().Connected, this, &InetManager::StartJobs);
    idleProbe = std::make_unique<platform::ScopedIdleProbe>([this] { return IsIdle(); });
}

InetManager::~InetManager() {
    idleProbe.reset();
    std::vector<shared_ptr<HttpRequest>> waiting;
    {
        std::unique_lock<std::mutex> guard(queueLock);
        // Jobs that never started are dropped; running ones end at their next
        // piece and finish normally, downloads keeping what they have.
        for (auto& entry : queue) entry.job->Interrupt();
        auto notStarted = std::stable_partition(queue.begin(), queue.end(),
                                                [](const Entry& e) { return e.job->Started(); });
        for (auto it = notStarted; it != queue.end(); ++it) waiting.push_back(std::move(it->job));
        queue.erase(notStarted, queue.end());
        idle.wait(guard, [this] { return workers == 0; });
    }
    JoinFinished();
    // Once the attempt has ended nothing fires the event any more.
    ConnectionManager::Instance().WaitForAttempt();
    Unsubscribe(ConnectionManager::Instance().Connected, this, &InetManager::StartJobs);
    // The application may be gone already at exit; it is reached only when
    // there is something to give back.
    if (waiting.empty()) return;
    std::lock_guard<std::recursive_mutex> ui(net::UILock());
    for (auto& job : waiting)
        if (job->BusyIndicator()) net::Services().LowerBusy();
    waiting.clear();
}

namespace {

// A path that leaves the device root gets no file at all: the job fails.
std::filesystem::path HostTarget(const std::u16string& devicePath) {
    if (!platform::HasCurrentDevice()) return {};
    auto mapped = platform::CurrentDevice().HostPath(devicePath);
    return mapped ? *mapped : std::filesystem::path();
}

}  // namespace

shared_ptr<HttpRequest> InetManager::Add(const std::u16string& url, bool busyIndicator,
                                         const std::u16string& targetDevicePath) {
    if (targetDevicePath.empty())
        return Queue(make_shared_obj<HttpRequest>(url, busyIndicator), std::make_unique<MemoryTransfer>());
    return AddToHostFile(url, busyIndicator, HostTarget(targetDevicePath));
}

shared_ptr<HttpRequest> InetManager::AddPicture(const std::u16string& url, bool busyIndicator) {
    net::PictureStore& store = net::PictureStore::Instance();
    std::unique_ptr<Transfer> transfer;
    if (store.IsOpen()) transfer = std::make_unique<CachedPictureFetch>(store);
    else transfer = std::make_unique<MemoryTransfer>();
    return Queue(make_shared_obj<HttpRequest>(url, busyIndicator), std::move(transfer));
}

shared_ptr<HttpRequest> InetManager::AddResumable(const std::u16string& url, const std::u16string& targetDevicePath,
                                                  ResumeOptions options) {
    const std::filesystem::path target = HostTarget(targetDevicePath);
    // No busy indicator: downloads run in the background.
    return Queue(make_shared_obj<HttpRequest>(url, false, target),
                 std::make_unique<ResumableDownload>(target, std::move(options)));
}

shared_ptr<HttpRequest> InetManager::AddToHostFile(const std::u16string& url, bool busyIndicator,
                                                   const std::filesystem::path& hostFile) {
    return Queue(make_shared_obj<HttpRequest>(url, busyIndicator, hostFile), std::make_unique<FileTransfer>(hostFile));
}

shared_ptr<HttpRequest> InetManager::Queue(shared_ptr<HttpRequest> job, std::unique_ptr<Transfer> transfer) {
    JoinFinished();
    // Reference counts are guarded by the UI lock; it is re-entrant, so a
    // handler that adds a job while holding it is fine.
    std::lock_guard<std::recursive_mutex> ui(net::UILock());
    // The busy indicator belongs to the UI: it is raised outside the queue
    // lock so that the queue lock is never held while the UI lock is wanted.
    if (job->BusyIndicator()) net::Services().RaiseBusy();
    {
        std::lock_guard<std::mutex> guard(queueLock);
        queue.push_back({job, std::move(transfer)});
    }
    ConnectionManager::Instance().EnsureConnection();
    return job;
}

void InetManager::StartJobs() {
    std::lock_guard<std::mutex> guard(queueLock);
    StartJobsLocked();
}

void InetManager::StartJobsLocked() {
    if (stopped) return;
    int position = 0;
    for (auto& entry : queue) {
        if (position++ >= kMaxRunning) break;
        HttpRequest* job = entry.job.get();
        if (job->Started()) continue;
        job->started = true;
        ++workers;
        // The queue keeps the job and its transfer alive until the worker
        // takes them out.
        job->worker = std::thread(&InetManager::RunJob, this, job, entry.transfer.get());
    }
}

void InetManager::RunJob(HttpRequest* job, Transfer* transfer) {
    HttpRequest::Control control(*job);
    TransferResult result = transfer->Run(control, SettingsOf(GetLimits()));
    const bool ok = result.ok;

    Entry keep;
    {
        std::lock_guard<std::mutex> guard(queueLock);
        auto it = std::find_if(queue.begin(), queue.end(), [job](const Entry& e) { return e.job.get() == job; });
        keep = std::move(*it);  // moved, not copied: no count changes off the UI lock
        queue.erase(it);
        StartJobsLocked();
    }
    keep.transfer.reset();
    std::thread self;
    {
        std::lock_guard<std::recursive_mutex> ui(net::UILock());
        // The busy indicator is the UI's: lowered under its lock, as it was raised.
        if (job->BusyIndicator()) net::Services().LowerBusy();
        self = std::move(job->worker);
        job->Finish(std::move(result));
        job->Complete.Invoke(job, ok);
        job->FreeBody();
        keep.job.reset();
    }
    // A thread cannot join itself: it hands its handle to whoever joins
    // finished workers next (a later Add, WaitIdle, the destructor). Joining,
    // unlike detaching, makes sure nothing of the thread outlives the queue.
    std::lock_guard<std::mutex> guard(queueLock);
    finished.push_back(std::move(self));
    --workers;
    idle.notify_all();
}

bool InetManager::Stop(std::chrono::milliseconds limit) {
    bool ended;
    {
        std::unique_lock<std::mutex> guard(queueLock);
        stopped = true;
        for (auto& entry : queue) entry.job->Interrupt();
        ended = idle.wait_for(guard, limit, [this] { return workers == 0; });
    }
    JoinFinished();
    return ended;
}

void InetManager::JoinFinished() {
    std::vector<std::thread> done;
    {
        std::lock_guard<std::mutex> guard(queueLock);
        done.swap(finished);
    }
    for (auto& t : done)
        if (t.joinable()) t.join();
}

std::u16string InetManager::SizeQuery(const std::u16string& url) {
    Limits l = GetLimits();
    platform::HttpOptions o = TransferOptions(l);
    o.headersOnly = true;
    o.totalTimeout = l.sizeQueryTimeout;
    HeadersOnly sink;
    const platform::HttpResult r = platform::HttpGet(U8(url), o, sink);
    if (r.outcome != platform::HttpOutcome::Complete || r.status >= 400) return {};
    const int64_t length = std::max<int64_t>(r.contentLength, 0);
    return text::ToU16(length / 1024);
}

InetManager::Limits InetManager::GetLimits() {
    std::lock_guard<std::mutex> guard(queueLock);
    return limits;
}

void InetManager::SetLimits(const Limits& l) {
    std::lock_guard<std::mutex> guard(queueLock);
    limits = l;
}

std::size_t InetManager::QueueLength() {
    std::lock_guard<std::mutex> guard(queueLock);
    return queue.size();
}

bool InetManager::IsIdle() {
    std::lock_guard<std::mutex> guard(queueLock);
    return queue.empty() && workers == 0;
}

bool InetManager::WaitIdle(std::chrono::milliseconds timeout) {
    bool ok;
    {
        std::unique_lock<std::mutex> guard(queueLock);
        ok = idle.wait_for(guard, timeout, [this] { return queue.empty() && workers == 0; });
    }
    JoinFinished();
    return ok;
}
