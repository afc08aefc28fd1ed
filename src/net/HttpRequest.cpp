#include "net/HttpRequest.h"

#include <mutex>

#include "base/Text.h"
#include "net/NetServices.h"

HttpRequest::HttpRequest(std::u16string url, bool busyIndicator)
    : url(std::move(url)), busyIndicator(busyIndicator), toFile(false) {}

HttpRequest::HttpRequest(std::u16string url, bool busyIndicator, std::filesystem::path targetFile)
    : url(std::move(url)), busyIndicator(busyIndicator), toFile(true), targetFile(std::move(targetFile)) {}

void HttpRequest::Finish(TransferResult result) {
    received = result.received;
    status = result.status;
    writeFailed = result.writeFailed;
    integrityFailed = result.integrityFailed;
    fromStore = result.fromStore;
    // A file job's body is in its file; a failed job has none to read.
    if (result.ok && !toFile) body = std::move(result.body);
    pendingFlag = 0;
}

void HttpRequest::FreeBody() {
    std::vector<char>().swap(body);
}

std::string HttpRequest::Control::Url() const { return U8(job.url); }

StopRequest HttpRequest::Control::Stop() const {
    if (job.Cancelled()) return StopRequest::Cancel;
    return job.Interrupted() ? StopRequest::Interrupt : StopRequest::None;
}

void HttpRequest::Control::ReportProgress(double fraction) {
    std::lock_guard<std::recursive_mutex> ui(net::UILock());
    job.Progress.Invoke(&job, fraction);
}

void HttpRequest::Control::ReportLinkWait(bool waiting) {
    if (job.waitingForLink.exchange(waiting) == waiting) return;
    std::lock_guard<std::recursive_mutex> ui(net::UILock());
    job.LinkWait.Invoke(&job, waiting);
}
