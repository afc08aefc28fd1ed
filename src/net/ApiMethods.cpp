#include "net/ApiMethods.h"

namespace api {
namespace {

// The version of the client the service is told at sign-in.
constexpr std::u16string_view kClientVersion = u"1.0b";

ApiUrl WithSession(std::u16string_view method, const ApiContext& c) {
    ApiUrl url = ApiUrl::Start(method, c);
    url.AddRaw(u"sessionid", c.sessionId);
    return url;
}

}  // namespace

std::u16string Auth(const ApiContext& c, std::u16string_view login, std::u16string_view password) {
    return ApiUrl::Start(u"auth", c)
        .AddRaw(u"login", login)
        .AddEncoded(u"pass", password)
        .AddLiteral(u"ver", kClientVersion)
        .Finish();
}

std::u16string Reg(const ApiContext& c, std::u16string_view login, std::u16string_view password,
                   std::u16string_view mail) {
    return ApiUrl::Start(u"reg", c).AddRaw(u"login", login).AddEncoded(u"pass", password).AddRaw(u"mail", mail).Finish();
}

bool LooksLikeMail(std::u16string_view text) {
    const size_t dot = text.rfind(u'.');
    const size_t at = text.rfind(u'@');
    return dot != std::u16string_view::npos && at != std::u16string_view::npos && dot > at;
}

std::u16string AuthRestore(const ApiContext& c, std::u16string_view loginOrMail) {
    return ApiUrl::Start(u"auth_restore", c)
        .AddRaw(LooksLikeMail(loginOrMail) ? u"mail" : u"login", loginOrMail)
        .Finish();
}

std::u16string ActmailResend(const ApiContext& c, std::u16string_view login) {
    return ApiUrl::Start(u"actmail_resend", c).AddRaw(u"login", login).Finish();
}

std::u16string Config(const ApiContext& c, std::u16string_view locale, const DeviceProfile& p) {
    ApiUrl url = WithSession(u"config", c);
    url.AddRaw(u"locale", locale).AddRaw(u"osver", p.osver).AddInt(u"w", p.width).AddInt(u"h", p.height);
    url.AddFlag(u"irda", p.irda).AddFlag(u"bt", p.bt).AddFlag(u"wifi", p.wifi).AddFlag(u"phone", p.phone);
    url.AddFlag(u"gl", p.gl).AddFlag(u"cam", p.cam).AddFlag(u"cam3g", p.cam3g).AddFlag(u"accel", p.accel);
    url.AddFlag(u"gps", p.gps).AddFlag(u"keypad", p.keypad);
    return url.Finish();
}

std::u16string Cats(const ApiContext& c) { return WithSession(u"cats", c).Finish(); }

std::u16string Tags(const ApiContext& c) { return WithSession(u"tags", c).Finish(); }

std::u16string GetApps(const ApiContext& c, const GetAppsQuery& q) {
    ApiUrl url = WithSession(u"getapps", c);
    if (q.cat) url.AddInt(u"cat", *q.cat);
    if (!q.query.empty()) url.AddEncoded(u"query", q.query);
    if (!q.in.empty()) url.AddRaw(u"in", q.in);
    if (!q.tags.empty()) url.AddEncoded(u"tags", q.tags);
    if (q.count != -1) url.AddInt(u"count", q.count);
    if (q.page != -1) url.AddInt(u"page", q.page);
    if (!q.price.empty()) url.AddRaw(u"price", q.price);
    if (!q.sort.empty()) url.AddRaw(u"sort", q.sort);
    return url.Finish();
}

std::u16string AppDetails(const ApiContext& c, int32_t appId) {
    return WithSession(u"appdetails", c).AddInt(u"appid", appId).AddLiteral(u"details", u"1").Finish();
}

std::u16string AppDetailsBySysid(const ApiContext& c, std::u16string_view sysid) {
    return WithSession(u"appdetails", c).AddRaw(u"sysid", sysid).AddLiteral(u"details", u"0").Finish();
}

std::u16string Reviews(const ApiContext& c, int32_t appId) {
    return WithSession(u"reviews", c).AddInt(u"appid", appId).Finish();
}

std::u16string Rate(const ApiContext& c, int32_t appId, int32_t stars, std::u16string_view text) {
    ApiUrl url = WithSession(u"rate", c);
    url.AddInt(u"appid", appId).AddInt(u"rate", stars);
    if (!text.empty()) url.AddEncoded(u"text", text);
    return url.Finish();
}

std::u16string Feedback(const ApiContext& c, int32_t appId, std::u16string_view text) {
    return WithSession(u"feedback", c).AddInt(u"appid", appId).AddEncoded(u"text", text).Finish();
}

std::u16string Download(const ApiContext& c, int32_t appId) {
    return WithSession(u"download", c).AddInt(u"appid", appId).Finish();
}

std::u16string DownloadSize(const ApiContext& c, int32_t appId) {
    return WithSession(u"download", c).AddInt(u"appid", appId).AddInt(u"getsize", 1).Finish();
}

}  // namespace api
