#include "net/HttpRequest.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>

#include "base/Text.h"
#include "net/CachedPictureFetch.h"
#include "net/NetServices.h"
#include "net/PictureStore.h"
#include "net/ResumableDownload.h"
#include "platform/files/File.h"
#include "platform/http/HttpClient.h"
#include "platform/process/CrashPoint.h"

namespace {

// Unknown-length memory bodies start here and double when less than this is
// left free.
constexpr std::size_t kInitialBuffer = 20480;
constexpr std::size_t kFileBuffer = 1 << 16;

}  // namespace

// Receives the pieces of one transfer in the mode the job asks for: memory
// with a known or unknown length, or a file.
class BodyReceiver : public platform::HttpSink {
public:
    BodyReceiver(HttpRequest& job, std::size_t memoryLimit) : job(job), memoryLimit(memoryLimit) {}
    ~BodyReceiver() override { CloseFile(); }

    bool Begin(const platform::HttpHead& head) override {
        const int status = head.status;
        const int64_t contentLength = head.contentLength;
        job.status = status;
        job.contentLength = contentLength;
        job.head = head;
        length = contentLength > 0 ? static_cast<std::size_t>(contentLength) : 0;
        if (job.toFile) {
            // An error page is not the package: nothing is written for it, and
            // whatever the target held before is gone, as if it had been
            // truncated for the answer, so no stale package is taken for it.
            if (status >= 400) {
                std::error_code ec;
                if (!job.targetFile.empty()) std::filesystem::remove(job.targetFile, ec);
                return Refuse(Why::HttpError);
            }
            // Through the device's files role, which knows how much room the
            // device has left.
            if (!job.targetFile.empty()) file = platform::File::OpenHost(job.targetFile, platform::File::Mode::Write);
            if (!file) return Refuse(Why::WriteFailed);
            opened = true;
            // Pieces are small; collecting them keeps them from costing one
            // system call (and one look at the free space) each.
            pending.reserve(kFileBuffer);
            return true;
        }
        if (length > memoryLimit) return Refuse(Why::TooLarge);
        // A known length is allocated once, with room for one more piece so
        // that a server sending more than announced cannot overrun it.
        job.body.resize(length > 0 ? length + platform::kHttpPieceSize + 1 : kInitialBuffer);
        return true;
    }

    bool Stopping() const override { return job.StopRequested(); }

    bool Piece(const char* data, std::size_t size) override {
        if (job.StopRequested()) return Refuse(Why::Cancelled);
        if (job.toFile) {
            pending.append(data, size);
            if (pending.size() >= kFileBuffer && !FlushFile()) return Refuse(Why::WriteFailed);
            // The first piece goes to the disk at once: a device that has no
            // room fails the download early, and a kill just after it leaves
            // what a kill in the middle of a download leaves.
            if (job.received == 0) {
                if (!FlushFile()) return Refuse(Why::WriteFailed);
                platform::CrashPoint("download");
            }
        } else if (!Store(data, size)) {
            return Refuse(Why::TooLarge);
        }
        job.received += size;
        if (length > 0) {
            std::lock_guard<std::recursive_mutex> ui(net::UILock());
            job.Progress.Invoke(&job, std::min(1.0, double(job.received) / double(length)));
        }
        return true;
    }

    // The verdict once the platform call returned.
    bool Finish(const platform::HttpResult& r) {
        using platform::HttpOutcome;
        bool ok;
        switch (r.outcome) {
        case HttpOutcome::Complete: ok = true; break;
        // The server did answer, but nothing of it can be trusted: the
        // caller gets no body, which its reader reports as unreadable, as it
        // would any other garbled answer.
        case HttpOutcome::Undecodable:
            ok = !job.toFile;
            job.received = 0;
            job.FreeBody();
            break;
        // A body shorter than announced and a cancel keep what arrived in
        // memory; a file must be whole or not exist.
        case HttpOutcome::Short: ok = !job.toFile; break;
        // Stopped by a cancel while waiting for bytes: no piece said why.
        case HttpOutcome::Stopped:
            ok = (why == Why::Cancelled || (why == Why::None && job.StopRequested())) && !job.toFile;
            break;
        default: ok = false;
        }
        if (job.toFile) {
            const bool closed = CloseFile();
            if (!closed) ok = false;
            job.writeFailed = !closed || why == Why::WriteFailed;
            if (!ok && !job.targetFile.empty() && opened) {
                std::error_code ec;
                std::filesystem::remove(job.targetFile, ec);
            }
        }
        if (!ok || job.toFile) job.FreeBody();
        return ok;
    }

private:
    enum class Why { None, Cancelled, HttpError, WriteFailed, TooLarge };

    bool Refuse(Why reason) {
        why = reason;
        return false;
    }

    bool Store(const char* data, std::size_t size) {
        std::vector<char>& b = job.body;
        if (job.received + size > memoryLimit) return false;
        if (job.received + size > b.size()) {
            std::size_t grown = std::max(b.size() * 2, job.received + size);
            b.resize(std::min(grown, memoryLimit));
        }
        std::copy(data, data + size, b.data() + job.received);
        if (length == 0 && b.size() - job.received - size < kInitialBuffer && b.size() < memoryLimit)
            b.resize(std::min(b.size() * 2, memoryLimit));
        return true;
    }

    bool FlushFile() {
        const bool written = file->Write(pending);
        pending.clear();
        return written;
    }

    // False when the data did not all reach the disk (a full disk shows up at
    // the final flush as often as at a write).
    bool CloseFile() {
        if (!file) return true;
        const bool flushed = FlushFile();
        const bool closed = file->Close();
        file.reset();
        return flushed && closed;
    }

    HttpRequest& job;
    const std::size_t memoryLimit;
    std::size_t length = 0;
    std::optional<platform::File> file;
    std::string pending;  // received, not yet written
    bool opened = false;
    Why why = Why::None;
};

HttpRequest::HttpRequest(std::u16string url, bool busyIndicator, std::filesystem::path targetFile, bool toFile,
                         bool picture)
    : url(std::move(url)),
      busyIndicator(busyIndicator),
      toFile(toFile),
      targetFile(std::move(targetFile)),
      picture(picture && !toFile) {}

bool HttpRequest::Perform(const platform::HttpOptions& options, std::size_t memoryLimit, const RetryPolicy& retry) {
    bool ok;
    platform::HttpOutcome outcome;
    if (resume) ok = ResumableDownload(*this, retry).Run(options);
    else if (picture && net::PictureStore::Instance().IsOpen()) ok = CachedPictureFetch(*this).Run(options, memoryLimit);
    else ok = Fetch(options, memoryLimit, outcome);
    pendingFlag = 0;
    return ok;
}

bool HttpRequest::Fetch(const platform::HttpOptions& options, std::size_t memoryLimit,
                        platform::HttpOutcome& outcome) {
    BodyReceiver receiver(*this, memoryLimit);
    // Answers held in memory are read as a whole, so they may travel
    // compressed; a file's bytes are counted and resumed as they are.
    platform::HttpOptions asked = options;
    asked.compressed = !toFile;
    const platform::HttpResult r = platform::HttpGet(U8(url), asked, receiver);
    if (status == 0) status = r.status;
    outcome = r.outcome;
    return receiver.Finish(r);
}

void HttpRequest::SetWaitingForLink(bool waiting) {
    if (waitingForLink.exchange(waiting) == waiting) return;
    std::lock_guard<std::recursive_mutex> ui(net::UILock());
    LinkWait.Invoke(this, waiting);
}

void HttpRequest::FreeBody() {
    std::vector<char>().swap(body);
}
