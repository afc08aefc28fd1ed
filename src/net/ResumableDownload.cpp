#include "net/ResumableDownload.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "base/Text.h"
#include "net/NetServices.h"
#include "net/PartialDownload.h"
#include "platform/files/File.h"
#include "platform/http/HttpClient.h"
#include "platform/process/CrashPoint.h"

namespace fs = std::filesystem;

namespace {

// Received bytes are collected up to this much, or for this long, before
// they are written.
constexpr std::size_t kWriteBuffer = 1 << 16;
constexpr std::chrono::seconds kFlushEvery{1};

}  // namespace

// Writes one answer into the partial file, appending or from the start as
// the answer allows, and keeps the file's identity beside it.
class ResumableDownload::Sink : public platform::HttpSink {
public:
    Sink(HttpRequest& job, const net::ResumePlan& plan, std::string owner)
        : job(job), plan(plan), owner(std::move(owner)) {}
    ~Sink() override { Close(); }

    bool Begin(const platform::HttpHead& head) override {
        job.status = head.status;
        answered = true;
        use = net::JudgeAnswer(plan, head);
        const fs::path& target = job.targetFile;
        if (use == net::AnswerUse::Refuse) return false;
        if (use == net::AnswerUse::StartOver) {
            net::RemovePartial(target);
            return false;
        }
        const bool append = use == net::AnswerUse::Append;
        offset = append ? plan.from : 0;
        net::PartialIdentity id;
        id.owner = owner;
        id.validator = net::ValidatorOf(head);
        id.length = net::FileLengthOf(head);
        length = id.length;
        job.contentLength = length;
        // Bytes from a file that cannot be named again are not worth keeping
        // beyond this try: without an identity they are dropped on failure.
        if (id.validator.empty() || !net::WriteIdentity(net::IdentityFileOf(target), id)) {
            std::error_code ec;
            fs::remove(net::IdentityFileOf(target), ec);
        }
        file = platform::File::OpenHost(net::PartialFileOf(target),
                                        append ? platform::File::Mode::Append : platform::File::Mode::Write);
        if (!file) return WriteFailed();
        pending.reserve(kWriteBuffer);
        return true;
    }

    bool Stopping() const override { return job.StopRequested(); }

    bool Piece(const char* data, std::size_t size) override {
        if (job.StopRequested()) return false;
        pending.append(data, size);
        const bool first = received == 0;
        received += size;
        job.received += size;
        // The first piece reaches the disk at once: a device without room
        // fails early, and a kill right after it leaves a partial to resume.
        // On a slow line the bytes go to the disk at least every second, so
        // that a kill loses no more than a second of the line's work.
        const auto now = std::chrono::steady_clock::now();
        if (first || pending.size() >= kWriteBuffer || now - lastFlush >= kFlushEvery) {
            lastFlush = now;
            if (!Flush()) return WriteFailed();
        }
        if (first) platform::CrashPoint("download");
        if (length > 0) {
            std::lock_guard<std::recursive_mutex> ui(net::UILock());
            job.Progress.Invoke(&job, std::min(1.0, double(offset + received) / double(length)));
        }
        return true;
    }

    // False when the last bytes could not be stored.
    bool Close() {
        if (!file) return !writeFailed;
        const bool ok = Flush() && file->Close();
        file.reset();
        if (!ok) writeFailed = true;
        return ok;
    }

    // What the answer was good for; nullopt when none came.
    std::optional<net::AnswerUse> Use() const { return answered ? std::optional(use) : std::nullopt; }
    int64_t Length() const { return length; }

private:
    bool Flush() {
        const bool ok = pending.empty() || file->Write(pending);
        pending.clear();
        return ok;
    }
    bool WriteFailed() {
        writeFailed = true;
        return false;
    }

    HttpRequest& job;
    const net::ResumePlan plan;
    const std::string owner;
    net::AnswerUse use = net::AnswerUse::Refuse;
    bool answered = false;
    std::optional<platform::File> file;
    std::string pending;
    int64_t offset = 0, length = -1;
    std::size_t received = 0;
    std::chrono::steady_clock::time_point lastFlush;
    bool writeFailed = false;
};

bool ResumableDownload::Run(const platform::HttpOptions& options) {
    if (job.targetFile.empty()) return false;
    // Stopped while it waited in the queue: a cancel wants none of it, a
    // shutdown keeps what an earlier run left.
    if (job.StopRequested()) {
        if (job.Cancelled()) net::RemovePartial(job.targetFile);
        return false;
    }
    RetrySchedule schedule(policy, net::PartialSize(job.targetFile));
    for (;;) {
        const Try t = TryOnce(options);
        if (t.whole) return Deliver();
        if (job.Cancelled()) {
            net::RemovePartial(job.targetFile);
            return false;
        }
        std::optional<std::chrono::milliseconds> pause;
        if (!job.StopRequested() && !t.final && RetrySchedule::Retryable(t.outcome))
            pause = schedule.AfterFailure(net::PartialSize(job.targetFile));
        if (!pause) {
            KeepOrDrop();
            return false;
        }
        job.SetWaitingForLink(true);
        const bool goOn = Pause(*pause);
        job.SetWaitingForLink(false);
        if (!goOn) {
            if (job.Cancelled()) net::RemovePartial(job.targetFile);
            return false;
        }
    }
}

ResumableDownload::Try ResumableDownload::TryOnce(const platform::HttpOptions& base) {
    const fs::path& target = job.targetFile;
    const int64_t have = net::PartialSize(target);
    const net::ResumePlan plan = net::PlanResume(net::ReadIdentity(net::IdentityFileOf(target)), have);
    Try t;
    if (plan.complete) {
        t.whole = true;
        return t;
    }
    platform::HttpOptions options = base;
    if (plan.from > 0) {
        options.rangeFrom = plan.from;
        options.ifRange = plan.ifRange;
    }
    Sink sink(job, plan, job.resume->owner);
    const platform::HttpResult r = platform::HttpGet(U8(job.url), options, sink);
    const bool stored = sink.Close();
    t.outcome = r.outcome;
    if (job.status == 0) job.status = r.status;
    if (!stored) {
        job.writeFailed = true;
        t.final = true;
        return t;
    }
    if (!sink.Use()) return t;  // no answer: the line, not the server
    switch (*sink.Use()) {
    case net::AnswerUse::Refuse: t.final = true; return t;
    // The range was refused and the bytes held are gone: the next try asks
    // for the whole file, after the pause of a try that brought nothing.
    case net::AnswerUse::StartOver: t.outcome = platform::HttpOutcome::Failed; return t;
    case net::AnswerUse::Append:
    case net::AnswerUse::Restart: break;
    }
    const int64_t held = net::PartialSize(target);
    // A body shorter than its file is a broken line, whatever the server said.
    if (r.outcome == platform::HttpOutcome::Complete) {
        if (sink.Length() < 0 || held == sink.Length()) t.whole = true;
        else t.outcome = platform::HttpOutcome::Short;
    }
    return t;
}

bool ResumableDownload::Deliver() {
    const fs::path& target = job.targetFile;
    const fs::path partial = net::PartialFileOf(target);
    if (job.resume->accept) {
        // One pass over the file, on the worker: the UI never waits for it.
        const auto digest = net::FileSha256(partial);
        std::error_code sizeError;
        const auto size = fs::file_size(partial, sizeError);
        if (!digest || sizeError || !job.resume->accept(static_cast<int64_t>(size), *digest)) {
            // Not the package the catalog vouched for: nothing of it is kept,
            // so the next try fetches it afresh.
            job.integrityFailed = true;
            net::RemovePartial(target);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(partial, target, ec);
    if (ec) {
        job.writeFailed = true;
        return false;
    }
    fs::remove(net::IdentityFileOf(target), ec);
    return true;
}

bool ResumableDownload::Pause(std::chrono::milliseconds pause) {
    const auto until = std::chrono::steady_clock::now() + pause;
    while (std::chrono::steady_clock::now() < until) {
        if (job.StopRequested()) return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(20), until - std::chrono::steady_clock::now()));
    }
    return !job.StopRequested();
}

void ResumableDownload::KeepOrDrop() {
    const fs::path& target = job.targetFile;
    // A device without room gets its room back: half a package helps nobody
    // who cannot store the other half.
    if (job.writeFailed || !net::ReadIdentity(net::IdentityFileOf(target))) net::RemovePartial(target);
}
