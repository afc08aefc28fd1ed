#pragma once
#include <functional>
#include <string>

#include "base/ScopedSubscription.h"
#include "base/shared_ptr.h"
#include "net/HttpRequest.h"

// The one catalog request a screen has running. The handler runs on the
// request's worker with the UI lock held. Starting another request or
// dropping this object cancels the pending job and removes the handler first,
// so a late answer never reaches a screen that has gone.
class ScreenRequest {
public:
    using Handler = std::function<void(HttpRequest* request, bool ok)>;

    ScreenRequest() = default;
    ~ScreenRequest();
    ScreenRequest(const ScreenRequest&) = delete;
    ScreenRequest& operator=(const ScreenRequest&) = delete;

    // Queues a GET of `url` with the busy indicator up.
    void Start(const std::u16string& url, Handler handler);
    void Drop();
    bool Pending() const { return job && job->Pending(); }
    const shared_ptr<HttpRequest>& Job() const { return job; }

private:
    void OnComplete(HttpRequest* request, bool ok);

    shared_ptr<HttpRequest> job;
    Handler handler;
    ScopedSubscription completion;
};
