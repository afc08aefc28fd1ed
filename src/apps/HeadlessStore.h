#pragma once
#include <chrono>
#include <cstdint>
#include <string>

#include "base/shared_ptr.h"
#include "net/App.h"

// The store's catalog exchanges run to their end on the calling thread, for
// the command-line tool and the tests that drive the application manager
// without screens. Each call queues a real request with InetManager and waits
// for its completion, which still fires on the request's worker under the UI
// lock; the caller must not hold the UI lock. Results are the catalog's
// result codes (998 when the transfer failed or took longer than `timeout`).
namespace apps {

using std::chrono::milliseconds;
constexpr milliseconds kDefaultWait{60000};

struct Answer {
    bool ok = false;   // the transfer worked
    std::string body;  // the answer as received
};
Answer Fetch(const std::u16string& url, milliseconds timeout = kDefaultWait);

// "auth": on success the session id is the store's.
int32_t SignIn(const std::u16string& login, const std::u16string& password, milliseconds timeout = kDefaultWait);
// "config" with the store's current profile and language.
int32_t SendConfig(milliseconds timeout = kDefaultWait);
// "appdetails" by catalog id into a fresh catalog record.
int32_t FetchApp(int32_t appId, shared_ptr<App>& app, milliseconds timeout = kDefaultWait);

}  // namespace apps
