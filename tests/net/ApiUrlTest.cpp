#include <gtest/gtest.h>

#include "NetTestSupport.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "net/ApiMethods.h"
#include "platform/device/DeviceRoot.h"

namespace {

ApiContext Context() {
    ApiContext c;
    c.baseUrl = u"http://127.0.0.1:8080/store/";
    c.prefix = u"api/";
    c.sessionId = u"S1";
    return c;
}

const std::u16string kBase = u"http://127.0.0.1:8080/store/api/";

TEST(ApiUrlTest, ValueFormsOfTheGrammar) {
    ApiContext c = Context();
    EXPECT_EQ(ApiUrl::Start(u"tags", c).Finish(), kBase + u"tags.php?");
    EXPECT_EQ(ApiUrl::Start(u"m", c)
                  .AddInt(u"a", -17)
                  .AddInt(u"b", INT32_MIN)
                  .AddFlag(u"c", true)
                  .AddFlag(u"d", false)
                  .AddLiteral(u"e", u"1.0b")
                  .Finish(),
              kBase + u"m.php?a=-17&b=-2147483648&c=1&d=0&e=1.0b");
    c.staticForm = true;
    EXPECT_EQ(api::Cats(c), u"http://127.0.0.1:8080/store/cats.xml?sessionid=S1");
    c.staticForm = false;
    c.prefix.clear();
    EXPECT_EQ(api::Cats(c), u"http://127.0.0.1:8080/store/cats.php?sessionid=S1");
}

TEST(ApiUrlTest, EncodedValuesAreBase64WithPlusAndSlashEscaped) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"", u""}, {u"a", u"YQ=="}, {u"ab", u"YWI="}, {u"abc", u"YWJj"}, {u"\u00fb\u00ff", u"w7vDvw=="},
        {u"?\x3F>", u"Pz8%2B"}, {u"???", u"Pz8%2F"}, {u"\u043f\u0430\u0440\u043e\u043b\u044c", u"0L%2FQsNGA0L7Qu9GM"}};
    for (const auto& [text, encoded] : cases) EXPECT_EQ(api::Base64Value(text), encoded);
}

TEST(ApiUrlTest, RawValuesCannotRewriteTheQuery) {
    ApiContext c = Context();
    // The space rule still holds; the characters that would end or change a
    // parameter are escaped, as are control characters and non-ASCII text.
    EXPECT_EQ(api::Auth(c, u"john doe", u"?\x3F>"), kBase + u"auth.php?login=john%20doe&pass=Pz8%2B&ver=1.0b");
    EXPECT_EQ(api::ActmailResend(c, u"a&pass=x#y+z%41"), kBase + u"actmail_resend.php?login=a%26pass%3Dx%23y%2Bz%2541");
    EXPECT_EQ(api::ActmailResend(c, u"tab\there\x7f"), kBase + u"actmail_resend.php?login=tab%09here%7F");
    EXPECT_EQ(api::ActmailResend(c, u"J\u00fcrgen\U0001F600"), kBase + u"actmail_resend.php?login=J%C3%BCrgen%F0%9F%98%80");
    // Everything else passes as it is.
    EXPECT_EQ(api::ActmailResend(c, u"a.b-c_d~e!*'();:@$,/?[]"),
              kBase + u"actmail_resend.php?login=a.b-c_d~e!*'();:@$,/?[]");
}

// Every method's address, its parameters in the order the catalog reads
// them: a mail address goes as one only where it has a dot after its @, and
// a query sends only what is set.
TEST(ApiUrlTest, EveryMethodsAddress) {
    const ApiContext c = Context();
    DeviceProfile p;
    p.osver = u"wm65ppc";
    p.width = 480;
    p.height = 800;
    p.wifi = p.keypad = p.phone = true;
    api::GetAppsQuery free, all;
    free.price = all.price = u"free";
    all.cat = 0;
    all.query = u"chess board";
    all.in = u"name";
    all.tags = u"a,b";
    all.count = 20;
    all.page = 0;
    all.sort = u"rates";
    const std::pair<std::u16string, std::u16string> cases[] = {
        {api::Reg(c, u"ann", u"pw", u"ann@example.org"), u"reg.php?login=ann&pass=cHc=&mail=ann@example.org"},
        {api::AuthRestore(c, u"ann@mail.example.org"), u"auth_restore.php?mail=ann@mail.example.org"},
        {api::AuthRestore(c, u"ann.lee@mail"), u"auth_restore.php?login=ann.lee@mail"},
        {api::AuthRestore(c, u"ann"), u"auth_restore.php?login=ann"},
        {api::AuthRestore(c, u"ann.lee"), u"auth_restore.php?login=ann.lee"},
        {api::AuthRestore(c, u"ann@lee"), u"auth_restore.php?login=ann@lee"},
        {api::Config(c, u"English", p), u"config.php?sessionid=S1&locale=English&osver=wm65ppc&w=480&h=800&irda=0"
                                        u"&bt=0&wifi=1&phone=1&gl=0&cam=0&cam3g=0&accel=0&gps=0&keypad=1"},
        {api::GetApps(c, {}), u"getapps.php?sessionid=S1"},
        {api::GetApps(c, free), u"getapps.php?sessionid=S1&price=free"},
        {api::GetApps(c, all), u"getapps.php?sessionid=S1&cat=0&query=Y2hlc3MgYm9hcmQ=&in=name&tags=YSxi&count=20"
                               u"&page=0&price=free&sort=rates"},
        {api::AppDetails(c, 7), u"appdetails.php?sessionid=S1&appid=7&details=1"},
        {api::AppDetailsBySysid(c, u"Acme Chess"), u"appdetails.php?sessionid=S1&sysid=Acme%20Chess&details=0"},
        {api::Reviews(c, 7), u"reviews.php?sessionid=S1&appid=7"},
        {api::Rate(c, 7, 4, u""), u"rate.php?sessionid=S1&appid=7&rate=4"},
        {api::Rate(c, 7, 4, u"ok"), u"rate.php?sessionid=S1&appid=7&rate=4&text=b2s="},
        {api::Feedback(c, 7, u""), u"feedback.php?sessionid=S1&appid=7&text="},
        {api::Download(c, -1), u"download.php?sessionid=S1&appid=-1"},
        {api::DownloadSize(c, 7), u"download.php?sessionid=S1&appid=7&getsize=1"},
    };
    for (const auto& [url, expected] : cases) EXPECT_EQ(url, kBase + expected);
}

TEST(ApiUrlTest, CurrentContextComesFromSettingsLanguageAndStoreState) {
    Localization& loc = Localization::Instance();
    loc.Clear();
    SetCatalogBaseUrl(u"");
    platform::MutableCurrentDevice().MutableInfo().catalogUrl = "http://127.0.0.1:9/cat";
    Kestrum::Instance().SetSessionId(u"abc");
    // No language loaded: no prefix, and never the placeholder text.
    ApiContext c = ApiContext::Current();
    EXPECT_EQ(c.baseUrl, u"http://127.0.0.1:9/cat/");
    EXPECT_EQ(c.prefix, u"");
    EXPECT_EQ(c.sessionId, u"abc");
    EXPECT_EQ(api::Tags(c), u"http://127.0.0.1:9/cat/tags.php?sessionid=abc");

    loc.languages[u"English"].strings[99999] = u"v2/";
    loc.currentLanguage = u"English";
    SetCatalogBaseUrl(u"http://127.0.0.1:7/");
    Kestrum::Instance().xmlCatalogMode = 0;
    EXPECT_EQ(api::Tags(ApiContext::Current()), u"http://127.0.0.1:7/v2/tags.php?sessionid=abc");
    Kestrum::Instance().xmlCatalogMode = 1;
    EXPECT_EQ(api::Tags(ApiContext::Current()), u"http://127.0.0.1:7/tags.xml?sessionid=abc");
    Kestrum::Instance().xmlCatalogMode = 0;
    SetCatalogBaseUrl(u"");
    loc.Clear();
}

}  // namespace
