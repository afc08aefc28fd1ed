#include "Api.h"

#include <array>
#include <utility>

#include "Query.h"

namespace catalogd {

namespace {

struct Method {
    std::string_view name;
    ApiHandler handler;
    bool cacheable;
};

constexpr std::array<Method, 13> kMethods = {{
    {"auth", HandleAuth, false},
    {"reg", HandleReg, false},
    {"auth_restore", HandleAuthRestore, false},
    {"actmail_resend", HandleActmailResend, false},
    {"config", HandleConfig, false},
    {"cats", HandleCats, true},
    {"tags", HandleTags, true},
    {"getapps", HandleGetApps, true},
    {"appdetails", HandleAppDetails, true},
    {"reviews", HandleReviews, true},
    {"rate", HandleRate, false},
    {"feedback", HandleFeedback, false},
    {"download", HandleDownload, false},
}};

const Method* FindMethod(std::string_view name) {
    for (const auto& m : kMethods)
        if (m.name == name) return &m;
    return nullptr;
}

}  // namespace

ApiHandler FindHandler(std::string_view method) {
    const Method* m = FindMethod(method);
    return m ? m->handler : nullptr;
}

bool IsCacheable(std::string_view method) {
    const Method* m = FindMethod(method);
    return m && m->cacheable;
}

std::string_view MethodOfPath(std::string_view path, std::string_view phpPrefix) {
    std::string_view prefix;
    if (path.ends_with(".php")) prefix = phpPrefix;
    else if (!path.ends_with(".xml")) return {};
    path.remove_suffix(4);
    for (const auto& [name, handler, cacheable] : kMethods) {
        if (!path.ends_with(name)) continue;
        std::string_view before = path.substr(0, path.size() - name.size());
        if (!before.ends_with(prefix)) continue;
        before.remove_suffix(prefix.size());
        if (before.ends_with('/')) return name;
    }
    return {};
}

std::optional<Session> RequireSession(ApiCall& call, ApiAnswer& failure) {
    if (call.session) return *call.session;
    std::string id;
    if (ReadText(call.query, "sessionid", id) != Param::Ok) {
        failure = ApiAnswer::Code(kBadParameter);
        return std::nullopt;
    }
    auto session = Sessions(call.db, call.options.Rules()).Touch(id, call.nowMs);
    if (!session) failure = ApiAnswer::Code(kBadSession);
    return session;
}

}  // namespace catalogd
