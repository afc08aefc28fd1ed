#include "net/FileTransfer.h"

#include <system_error>

#include "platform/http/BodySink.h"

namespace {

class FileSink : public platform::HttpSink {
public:
    FileSink(TransferControl& job, const std::filesystem::path& target) : job(job), target(target) {}

    bool Begin(const platform::HttpHead& head) override {
        status = head.status;
        // An error page is not the file: nothing is written for it, and
        // whatever the target held before is gone, as if it had been
        // truncated for the answer, so that no stale package is taken for it.
        if (status >= 400) {
            Remove();
            return false;
        }
        if (!body.IntoFile(target, false)) {
            writeFailed = true;
            return false;
        }
        opened = true;
        body.ReportProgress(0, head.contentLength, [this](double p) { job.ReportProgress(p); });
        return true;
    }
    bool Stopping() const override { return job.StopRequested(); }
    bool Piece(const char* data, std::size_t size) override {
        if (job.StopRequested()) return false;
        if (body.Take(data, size)) return true;
        writeFailed = true;
        return false;
    }

    // The verdict once the platform call returned: a file is whole or does
    // not exist.
    TransferResult Finish(const platform::HttpResult& r) {
        TransferResult result;
        result.status = status != 0 ? status : r.status;
        result.ok = r.outcome == platform::HttpOutcome::Complete;
        const bool closed = body.Close();
        result.ok = result.ok && closed;
        result.writeFailed = !closed || writeFailed;
        result.received = body.Received();
        if (!result.ok && opened) Remove();
        return result;
    }

private:
    void Remove() {
        std::error_code ec;
        if (!target.empty()) std::filesystem::remove(target, ec);
    }

    TransferControl& job;
    const std::filesystem::path& target;
    platform::BodySink body;
    int status = 0;
    bool opened = false;
    bool writeFailed = false;
};

}  // namespace

TransferResult FileTransfer::Run(TransferControl& job, const TransferSettings& settings) {
    FileSink sink(job, target);
    // A file's bytes are counted and resumed as they are: never compressed.
    platform::HttpOptions asked = settings.options;
    asked.compressed = false;
    const platform::HttpResult r = platform::HttpGet(job.Url(), asked, sink);
    return sink.Finish(r);
}
