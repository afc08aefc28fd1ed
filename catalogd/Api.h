#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ResultCode.h"
#include "Sessions.h"
#include "Throttle.h"

namespace catalogd {

class Db;
class HashSlots;
class Query;

struct ServiceOptions {
    std::string prefix;                  // text between "/" and the method in the ".php" form
    int64_t sessionIdleMs = 30 * 60 * 1000;
    bool autoActivate = false;
    int64_t sessionLifetimeMs = SessionRules{}.lifetimeMs;
    int sessionsPerAccount = SessionRules{}.perAccount;
    AbuseLimits limits;

    SessionRules Rules() const { return {sessionIdleMs, sessionLifetimeMs, sessionsPerAccount}; }
};

// One API request as a handler sees it.
struct ApiCall {
    const Query& query;
    Db& db;
    const ServiceOptions& options;
    int64_t nowMs;
    std::string filesUrl;  // absolute URL of the files folder, ending with "/"
    // The session, when the server already looked it up for the answer cache.
    const Session* session = nullptr;
    // Who asks (the peer, or the address the proxy passed on); empty when unknown.
    std::string clientAddress;
    // The bound on password hashing; null hashes at once.
    HashSlots* hashSlots = nullptr;
};

// A handler's answer: a result code and, for code 0, the children of the
// envelope's root. A package download names the file instead.
struct ApiAnswer {
    int code = kOk;
    std::string body;
    std::string packagePath;  // below the assets folder
    std::string packageName;  // file name offered to the client
    int64_t appId = 0;
    bool sizeOnly = false;    // "getsize": headers of the package, no download counted
    // An application whose details the answer shows: the server counts the
    // view, also when the answer comes from the cache.
    int64_t viewed = 0;

    static ApiAnswer Code(int code) { return ApiAnswer{code, {}, {}, {}, 0, false, 0}; }
};

using ApiHandler = ApiAnswer (*)(ApiCall&);

// The handler of a method name, or null for a name the service does not know.
ApiHandler FindHandler(std::string_view method);
// True for the methods whose answers depend only on the catalog, the
// parameters and the session's device, and so may come from the cache.
bool IsCacheable(std::string_view method);

// The method a request path names: ".../<method>.xml" or
// ".../<phpPrefix><method>.php". Only the end of the path counts, because
// the client's base URL may put the service below a folder of the site.
// Empty for any other path.
std::string_view MethodOfPath(std::string_view path, std::string_view phpPrefix);

// Reads "sessionid" and returns the live session; otherwise sets `failure`
// to the code to answer (200 without the parameter, 203 when unknown or
// expired). A session the server already looked up is used as it is.
std::optional<Session> RequireSession(ApiCall& call, ApiAnswer& failure);

ApiAnswer HandleAuth(ApiCall& call);
ApiAnswer HandleReg(ApiCall& call);
ApiAnswer HandleAuthRestore(ApiCall& call);
ApiAnswer HandleActmailResend(ApiCall& call);
ApiAnswer HandleConfig(ApiCall& call);
ApiAnswer HandleCats(ApiCall& call);
ApiAnswer HandleTags(ApiCall& call);
ApiAnswer HandleGetApps(ApiCall& call);
ApiAnswer HandleAppDetails(ApiCall& call);
ApiAnswer HandleReviews(ApiCall& call);
ApiAnswer HandleRate(ApiCall& call);
ApiAnswer HandleFeedback(ApiCall& call);
ApiAnswer HandleDownload(ApiCall& call);

}  // namespace catalogd
