#include "screens/ScreenRequest.h"

#include <mutex>

#include "net/InetManager.h"
#include "net/NetServices.h"

ScreenRequest::~ScreenRequest() { Drop(); }

void ScreenRequest::Start(const std::u16string& url, Handler h) {
    Drop();
    std::lock_guard<std::recursive_mutex> ui(net::UILock());
    handler = std::move(h);
    job = InetManager::Instance().Add(url, true);
    completion = ScopedSubscription::To(job.get(), job->Complete, this, &ScreenRequest::OnComplete);
}

void ScreenRequest::Drop() {
    // The worker fires under the UI lock, so once we hold it the handler is
    // either done or will find itself removed.
    std::lock_guard<std::recursive_mutex> ui(net::UILock());
    if (!job) return;
    job->Cancel();
    completion.Reset();
    job = nullptr;
    handler = nullptr;
}

void ScreenRequest::OnComplete(HttpRequest* request, bool ok) {
    if (request != job.get()) return;
    // The handler may end the screen that owns this object (a return to
    // sign-in pops it); the copies keep the call and the job valid until it
    // returns, and nothing here is touched after it.
    Handler run = handler;
    shared_ptr<HttpRequest> keep = job;
    if (run) run(request, ok);
}
