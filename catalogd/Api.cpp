#include "Api.h"

#include <array>
#include <utility>

#include "Query.h"

namespace catalogd {

ApiHandler FindHandler(std::string_view method) {
    static constexpr std::array<std::pair<std::string_view, ApiHandler>, 13> kMethods = {{
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
    for (const auto& [name, handler] : kMethods)
        if (name == method) return handler;
    return nullptr;
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
