// The account methods: sign-in, registration, restore, activation mail and
// the device configuration of a session.
#include <algorithm>

#include "Accounts.h"
#include "Api.h"
#include "Clock.h"
#include "Db.h"
#include "Query.h"
#include "XmlWriter.h"

namespace catalogd {
namespace {

bool AllOk(std::initializer_list<Param> params) {
    return std::all_of(params.begin(), params.end(), [](Param p) { return p == Param::Ok; });
}

Accounts AccountsOf(ApiCall& call) {
    return Accounts(call.db, AccountGuard{call.hashSlots, &call.options.limits, call.clientAddress});
}

}  // namespace

ApiAnswer HandleAuth(ApiCall& call) {
    std::string login, pass, ver;
    if (!AllOk({ReadText(call.query, "login", login), ReadEncoded(call.query, "pass", pass),
                ReadText(call.query, "ver", ver)}))
        return ApiAnswer::Code(kBadParameter);
    int64_t accountId = 0;
    ResultCode code = AccountsOf(call).SignIn(login, pass, ver, accountId, call.nowMs);
    if (code != kOk) return ApiAnswer::Code(code);
    // Checking the password takes a deliberate while; the session's idle
    // time starts when it is handed out, not when the request came in.
    int64_t now = NowMs();
    std::string sessionId = Sessions(call.db, call.options.Rules()).Open(accountId, now);
    ApiAnswer answer;
    answer.body = XmlWriter().Start("auth").Attr("id", sessionId).Take();
    return answer;
}

ApiAnswer HandleReg(ApiCall& call) {
    std::string login, pass, mail;
    if (!AllOk({ReadText(call.query, "login", login), ReadEncoded(call.query, "pass", pass),
                ReadText(call.query, "mail", mail)}))
        return ApiAnswer::Code(kBadParameter);
    return ApiAnswer::Code(AccountsOf(call).Register(login, pass, mail, call.options.autoActivate, call.nowMs));
}

ApiAnswer HandleAuthRestore(ApiCall& call) {
    std::string value;
    Param mail = ReadText(call.query, "mail", value);
    if (mail == Param::Ok) return ApiAnswer::Code(AccountsOf(call).RequestRestore(value, true, call.nowMs));
    if (mail == Param::Bad || ReadText(call.query, "login", value) != Param::Ok)
        return ApiAnswer::Code(kBadParameter);
    return ApiAnswer::Code(AccountsOf(call).RequestRestore(value, false, call.nowMs));
}

ApiAnswer HandleActmailResend(ApiCall& call) {
    std::string login;
    if (ReadText(call.query, "login", login) != Param::Ok) return ApiAnswer::Code(kBadParameter);
    return ApiAnswer::Code(AccountsOf(call).ResendActivation(login, call.nowMs));
}

ApiAnswer HandleConfig(ApiCall& call) {
    ApiAnswer failure;
    auto session = RequireSession(call, failure);
    if (!session) return failure;
    DeviceConfig device;
    int32_t w = 0, h = 0;
    if (!AllOk({ReadText(call.query, "locale", device.locale), ReadText(call.query, "osver", device.osver),
                ReadInt(call.query, "w", w), ReadInt(call.query, "h", h)}) ||
        w <= 0 || h <= 0)
        return ApiAnswer::Code(kBadParameter);
    for (std::string_view feature : kFeatures) {
        int32_t flag = 0;
        if (ReadInt(call.query, feature, flag) != Param::Ok || (flag != 0 && flag != 1))
            return ApiAnswer::Code(kBadParameter);
        if (flag) device.features |= FeatureBit(feature);
    }
    device.configured = true;
    device.osBit = EditionBit(device.osver);
    device.shortSide = std::min(w, h);
    device.longSide = std::max(w, h);
    Sessions(call.db, call.options.Rules()).Configure(session->id, device);
    return ApiAnswer::Code(kOk);
}

}  // namespace catalogd
