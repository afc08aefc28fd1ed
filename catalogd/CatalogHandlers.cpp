// The catalog methods. Every one of them works on behalf of a session and
// sees only what suits the session's device.
#include <algorithm>
#include <array>

#include "Api.h"
#include "Catalog.h"
#include "Db.h"
#include "Query.h"
#include "Ratings.h"
#include "TextFold.h"
#include "Throttle.h"
#include "XmlWriter.h"

namespace catalogd {
namespace {

constexpr int64_t kMaxPageSize = 100;
constexpr size_t kMaxTags = 16;

bool OneOf(std::string_view value, std::initializer_list<std::string_view> allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// "a, b,,c" -> {"a", "b", "c"}, each name once.
std::vector<std::string> SplitTags(std::string_view joined) {
    std::vector<std::string> tags;
    while (!joined.empty()) {
        size_t comma = joined.find(',');
        std::string_view tag = Trim(joined.substr(0, comma));
        if (!tag.empty() && std::find(tags.begin(), tags.end(), tag) == tags.end()) tags.emplace_back(tag);
        joined = comma == std::string_view::npos ? std::string_view() : joined.substr(comma + 1);
    }
    return tags;
}

// Reads the getapps parameters; false when one of them is malformed.
bool ReadFilter(const Query& q, AppFilter& f) {
    int32_t number = 0;
    Param p = ReadInt(q, "cat", number);
    if (p == Param::Bad) return false;
    if (p == Param::Ok) f.category = number;

    std::string text;
    p = ReadEncoded(q, "query", text);
    if (p == Param::Bad) return false;
    f.query = FoldCase(Trim(text));

    p = ReadText(q, "in", f.scope);
    if (p == Param::Bad || !OneOf(f.scope, {"", "name", "com", "desc"})) return false;

    p = ReadEncoded(q, "tags", text);
    if (p == Param::Bad) return false;
    if (p == Param::Ok) f.tags = SplitTags(text);
    if (f.tags.size() > kMaxTags) return false;

    p = ReadInt(q, "count", number);
    if (p == Param::Bad || (p == Param::Ok && number <= 0)) return false;
    if (p == Param::Ok) f.count = std::min<int64_t>(number, kMaxPageSize);

    p = ReadInt(q, "page", number);
    if (p == Param::Bad || (p == Param::Ok && number < 0)) return false;
    if (p == Param::Ok) f.page = number;

    if (ReadText(q, "price", f.price) == Param::Bad || !OneOf(f.price, {"", "free", "paid"})) return false;
    if (ReadText(q, "sort", f.sort) == Param::Bad ||
        !OneOf(f.sort, {"", "rates", "downloads", "views", "createtime"}))
        return false;
    return true;
}

// Session plus an "appid" that names an application this device may see.
struct AppCall {
    std::optional<Session> session;
    std::optional<AppRow> app;
};

AppCall RequireApp(ApiCall& call, ApiAnswer& failure) {
    AppCall result;
    result.session = RequireSession(call, failure);
    if (!result.session) return result;
    int32_t id = 0;
    if (ReadInt(call.query, "appid", id) != Param::Ok) {
        failure = ApiAnswer::Code(kBadParameter);
        return result;
    }
    result.app = Catalog(call.db, result.session->device).ById(id);
    if (!result.app) failure = ApiAnswer::Code(kNoSuchApp);
    return result;
}

ApiAnswer Body(std::string body) {
    ApiAnswer answer;
    answer.body = std::move(body);
    return answer;
}

void WriteDetails(XmlWriter& xml, Catalog& catalog, const AppRow& app, std::string_view filesUrl) {
    xml.Start("details").Attr("desc", catalog.Description(app.id));
    xml.Start("tags");
    for (const auto& tag : catalog.TagsOf(app.id)) xml.Start("tag").Attr("name", tag).End();
    xml.End();
    xml.Start("pictures");
    for (const auto& path : catalog.ScreenshotsOf(app.id))
        xml.Start("picture").Attr("url", std::string(filesUrl) + path).End();
    xml.End();
    xml.End();
}

// The answers that take nothing but the session: the catalog as the
// session's device sees it, written by one of the catalog's writers.
ApiAnswer SessionListing(ApiCall& call, void (Catalog::*write)(XmlWriter&)) {
    ApiAnswer failure;
    auto session = RequireSession(call, failure);
    if (!session) return failure;
    XmlWriter xml;
    Catalog catalog(call.db, session->device);
    (catalog.*write)(xml);
    return Body(xml.Take());
}

}  // namespace

ApiAnswer HandleCats(ApiCall& call) { return SessionListing(call, &Catalog::WriteCategories); }

ApiAnswer HandleTags(ApiCall& call) { return SessionListing(call, &Catalog::WriteTags); }

ApiAnswer HandleGetApps(ApiCall& call) {
    ApiAnswer failure;
    auto session = RequireSession(call, failure);
    if (!session) return failure;
    AppFilter filter;
    if (!ReadFilter(call.query, filter)) return ApiAnswer::Code(kBadParameter);
    XmlWriter xml;
    xml.Start("getapps");
    for (const auto& app : Catalog(call.db, session->device).Find(filter)) {
        WriteApp(xml, app, call.filesUrl);
        xml.End();
    }
    return Body(xml.Take());
}

ApiAnswer HandleAppDetails(ApiCall& call) {
    ApiAnswer failure;
    auto session = RequireSession(call, failure);
    if (!session) return failure;
    Catalog catalog(call.db, session->device);
    int32_t details = 0;
    if (ReadInt(call.query, "details", details) == Param::Bad || (details != 0 && details != 1))
        return ApiAnswer::Code(kBadParameter);
    int32_t id = 0;
    std::string sysid;
    std::optional<AppRow> app;
    Param byId = ReadInt(call.query, "appid", id);
    if (byId == Param::Ok) app = catalog.ById(id);
    else if (byId == Param::Missing && ReadText(call.query, "sysid", sysid) == Param::Ok) app = catalog.BySysid(sysid);
    else return ApiAnswer::Code(kBadParameter);
    if (!app) return ApiAnswer::Code(kNoSuchApp);

    XmlWriter xml;
    xml.Start("appdetails");
    WriteApp(xml, *app, call.filesUrl);
    // The catalog's signed statement about the package: its digest and size
    // with the key's id and signature (the other fields it covers are the
    // application's own), so that a store can check what it downloaded; a
    // client that does not know the element reads past it.
    if (!app->sha256.empty()) {
        xml.Start("package").Attr("sha256", app->sha256);
        if (!app->packageSignature.empty())
            xml.Attr("size", app->packageSize)
                .Attr("key", app->packageKey)
                .Attr("signature", app->packageSignature);
        xml.End();
    }
    if (details) WriteDetails(xml, catalog, *app, call.filesUrl);
    ApiAnswer answer = Body(xml.Take());
    if (details) answer.viewed = app->id;
    return answer;
}

ApiAnswer HandleReviews(ApiCall& call) {
    ApiAnswer failure;
    AppCall c = RequireApp(call, failure);
    if (!c.app) return failure;
    XmlWriter xml;
    Ratings(call.db).WriteReviews(xml, c.app->id);
    return Body(xml.Take());
}

ApiAnswer HandleRate(ApiCall& call) {
    ApiAnswer failure;
    AppCall c = RequireApp(call, failure);
    if (!c.app) return failure;
    int32_t stars = 0;
    std::string text;
    if (ReadInt(call.query, "rate", stars) != Param::Ok || ReadEncoded(call.query, "text", text) == Param::Bad)
        return ApiAnswer::Code(kBadParameter);
    return ApiAnswer::Code(Ratings(call.db).Rate(c.session->accountId, c.app->id, stars, text, call.nowMs));
}

ApiAnswer HandleFeedback(ApiCall& call) {
    ApiAnswer failure;
    AppCall c = RequireApp(call, failure);
    if (!c.app) return failure;
    std::string text;
    if (ReadEncoded(call.query, "text", text) != Param::Ok || Trim(text).empty())
        return ApiAnswer::Code(kBadParameter);
    // Rows anyone can add without end would fill the store: a session, and
    // an account in a day, may send only so many.
    const AbuseLimits& limits = call.options.limits;
    Throttle throttle(call.db);
    const std::string perSession = "feedback-session:" + c.session->id;
    const std::string perDay = "feedback-day:" + std::to_string(c.session->accountId);
    if (throttle.Exhausted(perSession, limits.feedbackPerSession, call.nowMs) ||
        !throttle.Take(perDay, limits.feedbackPerDay, call.nowMs))
        return ApiAnswer::Code(kTooManyTries);
    throttle.Add(perSession, limits.feedbackPerSession, call.nowMs);
    return ApiAnswer::Code(Ratings(call.db).Feedback(c.session->accountId, c.app->id, text, call.nowMs));
}

ApiAnswer HandleDownload(ApiCall& call) {
    ApiAnswer failure;
    AppCall c = RequireApp(call, failure);
    if (!c.app) return failure;
    int32_t getsize = 0;
    if (ReadInt(call.query, "getsize", getsize) == Param::Bad) return ApiAnswer::Code(kBadParameter);
    ApiAnswer answer;
    answer.packagePath = c.app->package;
    // The client keeps the package under this name unless it got a URL.
    size_t slash = c.app->package.rfind('/');
    answer.packageName = c.app->package.substr(slash == std::string::npos ? 0 : slash + 1);
    answer.appId = c.app->id;
    answer.sizeOnly = getsize != 0;
    return answer;
}

}  // namespace catalogd
