#include "net/MemoryTransfer.h"

#include "platform/http/BodySink.h"

namespace {

class MemorySink : public platform::HttpSink {
public:
    MemorySink(TransferControl& job, std::size_t memoryLimit, platform::HttpHead& head)
        : job(job), memoryLimit(memoryLimit), head(head) {}

    bool Begin(const platform::HttpHead& answer) override {
        head = answer;
        body.ReportProgress(0, answer.contentLength, [this](double p) { job.ReportProgress(p); });
        if (body.IntoMemory(answer.contentLength, memoryLimit)) return true;
        tooLarge = true;
        return false;
    }
    bool Stopping() const override { return job.StopRequested(); }
    bool Piece(const char* data, std::size_t size) override {
        if (job.StopRequested()) {
            stopped = true;
            return false;
        }
        if (body.Take(data, size)) return true;
        tooLarge = true;
        return false;
    }

    // The verdict once the platform call returned.
    TransferResult Finish(const platform::HttpResult& r) {
        using platform::HttpOutcome;
        TransferResult result;
        result.status = head.status != 0 ? head.status : r.status;
        switch (r.outcome) {
        // A body shorter than announced keeps what arrived, as a cancel does.
        case HttpOutcome::Complete:
        case HttpOutcome::Short: result.ok = true; break;
        // The server did answer, but nothing of it can be trusted: the
        // caller gets no body, which its reader reports as unreadable, as it
        // would any other garbled answer.
        case HttpOutcome::Undecodable: result.ok = true; return result;
        // Stopped by a cancel, in a piece or while waiting for bytes; a body
        // that outgrew the limit stops the same way and fails.
        case HttpOutcome::Stopped: result.ok = stopped || (job.StopRequested() && !tooLarge); break;
        default: result.ok = false;
        }
        result.received = body.Received();
        if (result.ok) result.body = body.TakeBody();
        return result;
    }

private:
    TransferControl& job;
    const std::size_t memoryLimit;
    platform::HttpHead& head;
    platform::BodySink body;
    bool stopped = false;   // by a cancel
    bool tooLarge = false;  // by the memory limit
};

}  // namespace

TransferResult MemoryTransfer::Run(TransferControl& job, const TransferSettings& settings) {
    platform::HttpHead head;
    platform::HttpOutcome outcome;
    return Fetch(job, settings.options, settings.memoryLimit, head, outcome);
}

TransferResult MemoryTransfer::Fetch(TransferControl& job, const platform::HttpOptions& options,
                                     std::size_t memoryLimit, platform::HttpHead& head,
                                     platform::HttpOutcome& outcome) {
    MemorySink sink(job, memoryLimit, head);
    // Answers held in memory are read as a whole, so they may travel
    // compressed.
    platform::HttpOptions asked = options;
    asked.compressed = true;
    const platform::HttpResult r = platform::HttpGet(job.Url(), asked, sink);
    outcome = r.outcome;
    return sink.Finish(r);
}
