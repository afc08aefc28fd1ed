#include "apps/HeadlessStore.h"

#include <condition_variable>
#include <memory>
#include <mutex>

#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "net/ApiMethods.h"
#include "net/InetManager.h"
#include "net/NetServices.h"
#include "net/XMLCatalogResponses.h"
#include "net/XMLResponse.h"

namespace apps {
namespace {

struct Waiting {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    Answer answer;
};

template <class Reader>
int32_t Read(const Answer& answer, Reader& reader) {
    if (!answer.ok) return XMLResponse::kNoAnswer;
    std::lock_guard ui(net::UILock());  // readers run under the UI lock, as in the store
    return reader.Parse(answer.body.empty() ? nullptr : answer.body.data(), answer.body.size());
}

}  // namespace

Answer Fetch(const std::u16string& url, milliseconds timeout) {
    // Shared with the handler, which may run after a timed-out wait returned.
    auto state = std::make_shared<Waiting>();
    shared_ptr<HttpRequest> request;
    {
        std::lock_guard ui(net::UILock());
        request = InetManager::Instance().Add(url, /*busyIndicator=*/true);
        SubscribeFn(request->Complete, [state](HttpRequest* r, bool ok) {
            std::lock_guard lock(state->lock);
            state->answer.ok = ok;
            if (r->Data()) state->answer.body.assign(r->Data(), r->Size());
            state->finished = true;
            state->done.notify_all();
        });
    }
    std::unique_lock lock(state->lock);
    if (!state->done.wait_for(lock, timeout, [&] { return state->finished; })) {
        lock.unlock();
        std::lock_guard ui(net::UILock());
        request->Cancel();
        request = nullptr;
        return {};
    }
    Answer answer = state->answer;
    lock.unlock();
    std::lock_guard ui(net::UILock());
    request = nullptr;  // reference counts change under the UI lock only
    return answer;
}

int32_t SignIn(const std::u16string& login, const std::u16string& password, milliseconds timeout) {
    std::u16string url;
    {
        std::lock_guard ui(net::UILock());
        url = api::Auth(ApiContext::Current(), login, password);
    }
    std::u16string session;
    XMLResponse_Auth reader(&session);
    int32_t code = Read(Fetch(url, timeout), reader);
    if (code == XMLResponse::kSuccess) {
        std::lock_guard ui(net::UILock());
        Kestrum& store = Kestrum::Instance();
        store.SetSessionId(session);
        store.sessionLogin = login;
        store.sessionPassword = password;
    }
    return code;
}

int32_t SendConfig(milliseconds timeout) {
    std::u16string url;
    {
        std::lock_guard ui(net::UILock());
        url = api::Config(ApiContext::Current(), Localization::Instance().CurrentLanguage(),
                          Kestrum::Instance().currentProfile);
    }
    XMLResponse_Config reader;
    int32_t code = Read(Fetch(url, timeout), reader);
    std::lock_guard ui(net::UILock());
    Kestrum::Instance().configPending = 0;
    return code;
}

int32_t FetchApp(int32_t appId, shared_ptr<App>& app, milliseconds timeout) {
    std::u16string url;
    {
        std::lock_guard ui(net::UILock());
        url = api::AppDetails(ApiContext::Current(), appId);
    }
    Answer answer = Fetch(url, timeout);
    std::lock_guard ui(net::UILock());
    app = make_shared_obj<App>();
    AppDetailsRecord details;
    XMLResponse_AppDetails reader(app.get(), &details);
    if (!answer.ok) return XMLResponse::kNoAnswer;
    return reader.Parse(answer.body.empty() ? nullptr : answer.body.data(), answer.body.size());
}

}  // namespace apps
