// The URL builders with hostile values (control characters, "&", "=", "#",
// "%", lone surrogates, long texts): every URL must stay one printable line
// whose query gives each value back unchanged when the service decodes it,
// so no typed text can add, drop or alter a parameter.
#include <string>

#include "Base64.h"
#include "FuzzSupport.h"
#include "Query.h"
#include "base/Text.h"
#include "net/ApiMethods.h"

namespace {

catalogd::Query QueryOf(const std::u16string& url) {
    fuzz::Check(url.starts_with(u"http://catalog.test/"), "the base URL was altered");
    for (char16_t c : url) fuzz::Check(c > 0x20 && c < 0x7F, "a URL carries a byte outside printable ASCII");
    // A "?" inside a value is legal in a query; the query starts at the first.
    size_t q = url.find(u'?');
    fuzz::Check(q != std::u16string::npos, "a URL without a query");
    fuzz::Check(url.find(u'#') == std::u16string::npos, "a URL with a fragment");
    return catalogd::Query::Parse(text::Utf16ToUtf8(std::u16string_view(url).substr(q + 1)));
}

void ExpectRaw(const catalogd::Query& q, const char* key, std::u16string_view value) {
    const std::string* got = q.Find(key);
    fuzz::Check(got != nullptr, "a raw parameter went missing");
    fuzz::Check(*got == text::Utf16ToUtf8(value), "a raw value did not come back unchanged");
}

void ExpectEncoded(const catalogd::Query& q, const char* key, std::u16string_view value) {
    const std::string* got = q.Find(key);
    if (value.empty()) return;  // not sent, or sent empty
    fuzz::Check(got != nullptr, "an encoded parameter went missing");
    std::string decoded;
    fuzz::Check(catalogd::Base64Decode(*got, decoded), "an encoded value is not Base64");
    fuzz::Check(decoded == text::Utf16ToUtf8(value), "an encoded value did not come back unchanged");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Fields in(data, size);
    ApiContext c;
    c.baseUrl = u"http://catalog.test/";
    // The prefix is the program's own text (its localization file); the values
    // are what users type and what the service answered.
    c.prefix = size % 3 == 0 ? u"" : u"store/";
    c.staticForm = size % 2 == 1;
    c.sessionId = in.NextUnits();
    const std::u16string login = in.NextUnits(), password = in.NextUnits(), mail = in.NextUnits();
    const std::u16string text = in.NextUnits();
    const int32_t id = in.NextInt();

    auto auth = QueryOf(api::Auth(c, login, password));
    ExpectRaw(auth, "login", login);
    ExpectEncoded(auth, "pass", password);
    ExpectRaw(auth, "ver", u"1.0b");

    auto reg = QueryOf(api::Reg(c, login, password, mail));
    ExpectRaw(reg, "login", login);
    ExpectRaw(reg, "mail", mail);

    auto restore = QueryOf(api::AuthRestore(c, mail));
    ExpectRaw(restore, api::LooksLikeMail(mail) ? "mail" : "login", mail);
    ExpectRaw(QueryOf(api::ActmailResend(c, login)), "login", login);

    DeviceProfile profile;
    profile.width = id;
    auto config = QueryOf(api::Config(c, text, profile));
    ExpectRaw(config, "sessionid", c.sessionId);
    ExpectRaw(config, "locale", text);

    api::GetAppsQuery q;
    q.cat = id;
    q.query = text;
    q.in = login;
    q.tags = mail;
    q.price = password;
    q.sort = text;
    q.count = id;
    q.page = id ^ 1;
    auto apps = QueryOf(api::GetApps(c, q));
    ExpectEncoded(apps, "query", text);
    ExpectEncoded(apps, "tags", mail);
    if (!login.empty()) ExpectRaw(apps, "in", login);
    if (!password.empty()) ExpectRaw(apps, "price", password);

    ExpectRaw(QueryOf(api::AppDetailsBySysid(c, login)), "sysid", login);
    QueryOf(api::AppDetails(c, id));
    QueryOf(api::Reviews(c, id));
    ExpectEncoded(QueryOf(api::Rate(c, id, id, text)), "text", text);
    ExpectEncoded(QueryOf(api::Feedback(c, id, text)), "text", text);
    QueryOf(api::Download(c, id));
    QueryOf(api::DownloadSize(c, id));
    QueryOf(api::Cats(c));
    QueryOf(api::Tags(c));
    return 0;
}
