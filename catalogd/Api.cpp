#include "Api.h"

#include <array>
#include <utility>

#include "Query.h"

namespace catalogd {

namespace {

constexpr std::array<std::pair<std::string_view, ApiHandler>, 13> kMethods = {{
    {"auth", HandleAuth},
    {"reg", HandleReg},
    {"auth_restore", HandleAuthRestore},
    {"actmail_resend", HandleActmailResend},
    {"config", HandleConfig},
    {"cats", HandleCats},
    {"tags", HandleTags},
    {"getapps", HandleGetApps},
    {"appdetails", HandleAppDetails},
    {"reviews", HandleReviews},
    {"rate", HandleRate},
    {"feedback", HandleFeedback},
    {"download", HandleDownload},
}};

}  // namespace

ApiHandler FindHandler(std::string_view method) {
    for (const auto& [name, handler] : kMethods)
        if (name == method) return handler;
    return nullptr;
}

std::string_view MethodOfPath(std::string_view path, std::string_view phpPrefix) {
    std::string_view prefix;
    if (path.ends_with(".php")) prefix = phpPrefix;
    else if (!path.ends_with(".xml")) return {};
    path.remove_suffix(4);
    for (const auto& [name, handler] : kMethods) {
        if (!path.ends_with(name)) continue;
        std::string_view before = path.substr(0, path.size() - name.size());
        if (!before.ends_with(prefix)) continue;
        before.remove_suffix(prefix.size());
        if (before.ends_with('/')) return name;
    }
    return {};
}

std::optional<Session> RequireSession(ApiCall& call, ApiAnswer& failure) {
    std::string id;
    if (ReadText(call.query, "sessionid", id) != Param::Ok) {
        failure = ApiAnswer::Code(kBadParameter);
        return std::nullopt;
    }
    auto session = Sessions(call.db, call.options.sessionIdleMs).Touch(id, call.nowMs);
    if (!session) failure = ApiAnswer::Code(kBadSession);
    return session;
}

}  // namespace catalogd
