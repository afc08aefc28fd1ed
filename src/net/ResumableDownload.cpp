#include "net/ResumableDownload.h"

#include <algorithm>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "net/PartialDownload.h"
#include "platform/http/BodySink.h"
#include "platform/http/HttpClient.h"

namespace fs = std::filesystem;

// Writes one answer into the partial file, appending or from the start as
// the answer allows, and keeps the file's identity beside it.
class ResumableDownload::Sink : public platform::HttpSink {
public:
    Sink(TransferControl& job, const fs::path& target, const net::ResumePlan& plan, const std::string& owner)
        : job(job), target(target), plan(plan), owner(owner) {}

    bool Begin(const platform::HttpHead& head) override {
        status = head.status;
        answered = true;
        use = net::JudgeAnswer(plan, head);
        if (use == net::AnswerUse::Refuse) return false;
        if (use == net::AnswerUse::StartOver) {
            net::RemovePartial(target);
            return false;
        }
        const bool append = use == net::AnswerUse::Append;
        net::PartialIdentity id;
        id.owner = owner;
        id.validator = net::ValidatorOf(head);
        id.length = net::FileLengthOf(head);
        length = id.length;
        // Bytes from a file that cannot be named again are not worth keeping
        // beyond this try: without an identity they are dropped on failure.
        if (id.validator.empty() || !net::WriteIdentity(net::IdentityFileOf(target), id)) {
            std::error_code ec;
            fs::remove(net::IdentityFileOf(target), ec);
        }
        if (!body.IntoFile(net::PartialFileOf(target), append)) return WriteFailed();
        body.ReportProgress(append ? plan.from : 0, length, [this](double p) { job.ReportProgress(p); });
        return true;
    }

    bool Stopping() const override { return job.StopRequested(); }

    bool Piece(const char* data, std::size_t size) override {
        if (job.StopRequested()) return false;
        return body.Take(data, size) || WriteFailed();
    }

    // False when the last bytes could not be stored.
    bool Close() {
        if (!body.Close()) writeFailed = true;
        return !writeFailed;
    }

    // What the answer was good for; nullopt when none came.
    std::optional<net::AnswerUse> Use() const { return answered ? std::optional(use) : std::nullopt; }
    int64_t Length() const { return length; }
    int Status() const { return status; }
    std::size_t Received() const { return body.Received(); }

private:
    bool WriteFailed() {
        writeFailed = true;
        return false;
    }

    TransferControl& job;
    const fs::path& target;
    const net::ResumePlan plan;
    const std::string& owner;
    net::AnswerUse use = net::AnswerUse::Refuse;
    bool answered = false;
    platform::BodySink body;
    int64_t length = -1;
    int status = 0;
    bool writeFailed = false;
};

TransferResult ResumableDownload::Run(TransferControl& job, const TransferSettings& settings) {
    TransferResult result;
    if (target.empty()) return result;
    // Stopped while it waited in the queue: a cancel wants none of it, a
    // shutdown keeps what an earlier run left.
    if (job.StopRequested()) {
        if (job.Stop() == StopRequest::Cancel) net::RemovePartial(target);
        return result;
    }
    RetrySchedule schedule(settings.retry, net::PartialSize(target));
    for (;;) {
        const Try t = TryOnce(job, settings.options, result);
        if (t.whole) {
            result.ok = Deliver(result);
            return result;
        }
        if (job.Stop() == StopRequest::Cancel) {
            net::RemovePartial(target);
            return result;
        }
        std::optional<std::chrono::milliseconds> pause;
        if (!job.StopRequested() && !t.final && RetrySchedule::Retryable(t.outcome))
            pause = schedule.AfterFailure(net::PartialSize(target));
        if (!pause) {
            KeepOrDrop(result);
            return result;
        }
        job.ReportLinkWait(true);
        const bool goOn = Pause(job, *pause);
        job.ReportLinkWait(false);
        if (!goOn) {
            if (job.Stop() == StopRequest::Cancel) net::RemovePartial(target);
            return result;
        }
    }
}

ResumableDownload::Try ResumableDownload::TryOnce(TransferControl& job, const platform::HttpOptions& base,
                                                  TransferResult& result) {
    const int64_t have = net::PartialSize(target);
    const net::ResumePlan plan = net::PlanResume(net::ReadIdentity(net::IdentityFileOf(target)), have);
    Try t;
    if (plan.complete) {
        t.whole = true;
        return t;
    }
    // A file's bytes are counted and resumed as they are: never compressed.
    platform::HttpOptions asked = base;
    asked.compressed = false;
    if (plan.from > 0) {
        asked.rangeFrom = plan.from;
        asked.ifRange = plan.ifRange;
    }
    Sink sink(job, target, plan, options.owner);
    const platform::HttpResult r = platform::HttpGet(job.Url(), asked, sink);
    const bool stored = sink.Close();
    t.outcome = r.outcome;
    result.received += sink.Received();
    if (result.status == 0) result.status = sink.Status() != 0 ? sink.Status() : r.status;
    if (!stored) {
        result.writeFailed = true;
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

bool ResumableDownload::Deliver(TransferResult& result) {
    const fs::path partial = net::PartialFileOf(target);
    if (options.accept) {
        // One pass over the file, on the worker: the UI never waits for it.
        const auto digest = net::FileSha256(partial);
        std::error_code sizeError;
        const auto size = fs::file_size(partial, sizeError);
        if (!digest || sizeError || !options.accept(static_cast<int64_t>(size), *digest)) {
            // Not the package the catalog vouched for: nothing of it is kept,
            // so the next try fetches it afresh.
            result.integrityFailed = true;
            net::RemovePartial(target);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(partial, target, ec);
    if (ec) {
        result.writeFailed = true;
        return false;
    }
    fs::remove(net::IdentityFileOf(target), ec);
    return true;
}

bool ResumableDownload::Pause(const TransferControl& job, std::chrono::milliseconds pause) {
    const auto until = std::chrono::steady_clock::now() + pause;
    while (std::chrono::steady_clock::now() < until) {
        if (job.StopRequested()) return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(20), until - std::chrono::steady_clock::now()));
    }
    return !job.StopRequested();
}

void ResumableDownload::KeepOrDrop(const TransferResult& result) {
    // A device without room gets its room back: half a package helps nobody
    // who cannot store the other half.
    if (result.writeFailed || !net::ReadIdentity(net::IdentityFileOf(target))) net::RemovePartial(target);
}
