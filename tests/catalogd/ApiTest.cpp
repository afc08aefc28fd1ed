// The API's contract: each method's result codes for good, refused and
// malformed requests, what accounts, sessions and ratings store, and the
// allowances that keep guessing, flooding and hoarding in bounds.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>

#include "Accounts.h"
#include "Base64.h"
#include "Db.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kHour = 60 * 60 * 1000;

// Sign-in and registration of `server`, their result codes.
int Auth(const ApiClient& server, const std::string& login, const std::string& pass) {
    return server.Call("auth", "login=" + Escaped(login) + "&pass=" + Encoded(pass) + "&ver=1.0b").code;
}
int Reg(const ApiClient& server, const std::string& login, const std::string& pass, const std::string& mail) {
    return server.Call("reg", "login=" + Escaped(login) + "&pass=" + Encoded(pass) + "&mail=" + Escaped(mail)).code;
}
int64_t Count(const TestServer& server, const std::string& sql) { return *Db(server.Store()).QueryInt(sql); }

class Api : public ::testing::Test {
protected:
    TestServer server;
};

std::string Repeat(const std::string& piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

// Every answer, refusals included, must pass a strict XML reader too: the
// device's reader refuses what is not well-formed.
TEST_F(Api, EachMethodAnswersItsResultCodeInWellFormedXml) {
    const std::string s = server.SignIn(), app = "sessionid=" + s + "&appid=3", in = "sessionid=" + s + "&";
    const std::string demo = "login=demo&pass=" + Encoded("demo") + "&ver=1.0b";
    const std::string flags = "&irda=0&bt=0&wifi=0&phone=0&gl=0&cam=0&cam3g=0&accel=0&gps=0&keypad=0";
    // Markup, line breaks, and the two code points that are text everywhere but in XML.
    const std::string nasty = "<b>&amp; \"q\" 'a'\t\nline \xEF\xBF\xBE\xEF\xBF\xBF end --";
    ASSERT_EQ(Reg(server, "fresh", "secret", "fresh@example.org"), 0);
    struct Case {
        std::string path;
        int code;  // -1: no envelope
        int http = 200;
    };
    std::vector<Case> cases = {
        {"/api_auth.php?" + demo, 0},
        {"/auth.xml?" + demo, 0},
        {"/auth.php?" + demo, -1, 404},  // the ".php" form lives under the prefix only
        {"/api_nosuch.php?" + demo, -1, 404},
        {"/auth.xml?login=demo&pass=" + Encoded("wrong") + "&ver=1.0b", 201},
        {"/auth.xml?login=nobody&pass=" + Encoded("demo") + "&ver=1.0b", 201},
        {"/auth.xml?" + demo.substr(0, demo.size() - 4) + "1.0a", 209},
        {"/auth.xml?login=anna&pass=&ver=1.0b", 201},  // seeded reviewers have no password at all
        {"/auth.xml?login=fresh&pass=" + Encoded("secret") + "&ver=1.0b", 202},
        {"/auth.xml?login=fresh&pass=" + Encoded("wrong") + "&ver=1.0b", 201},  // the state stays secret
        {"/auth.xml?login=demo&ver=1.0b", 200},
        {"/auth.xml?login=demo&pass=%%%&ver=1.0b", 200},
        {"/auth.xml?login=%FF%FE&pass=" + Encoded("demo") + "&ver=1.0b", 200},
        {"/auth.xml?login=de%00mo&pass=" + Encoded("demo") + "&ver=1.0b", 200},
        {"/reg.xml?login=" + Escaped("new<&>") + "&pass=" + Encoded("pw") + "&mail=n%40example.org", 0},
        {"/reg.xml?login=x&pass=" + Encoded("y"), 200},
        {"/auth_restore.xml?", 200},
        {"/auth_restore.xml?login=ghost", 0},
        {"/actmail_resend.xml?login=demo", 0},
        {"/config.xml?" + in + "locale=en&osver=wm6ppc&w=abc&h=320" + flags, 200},
        {"/config.xml?" + in + "locale=en&osver=wm6ppc&w=240&h=320&irda=2", 200},
        {"/config.xml?" + in + "locale=en&osver=wm6ppc&w=-240&h=320" + flags, 200},
        {"/cats.xml?" + in, 0},
        {"/tags.xml?" + in, 0},
        {"/getapps.xml?" + in + "count=500", 0},
        {"/getapps.xml?" + in + "query=" + Encoded("<&\"'>"), 0},
        {"/getapps.xml?" + in + "cat=x", 200},
        {"/getapps.xml?" + in + "count=-5", 200},
        {"/getapps.xml?" + in + "page=-1", 200},
        {"/getapps.xml?" + in + "sort=name", 200},
        {"/getapps.xml?" + in + "price=cheap", 200},
        {"/getapps.xml?" + in + "in=everything", 200},
        {"/getapps.xml?" + in + "query=***", 200},
        {"/appdetails.xml?" + app + "&details=1", 0},
        {"/appdetails.xml?" + in + "details=1", 200},
        {"/appdetails.xml?" + in + "appid=&details=1", 200},
        {"/appdetails.xml?" + app + "&details=7", 200},
        {"/appdetails.xml?" + in + "appid=424242&details=1", 207},
        {"/appdetails.xml?" + in + "appid=0&details=1", 207},
        {"/appdetails.xml?" + in + "sysid=Nobody%20Nothing&details=0", 207},
        {"/reviews.xml?" + in + "appid=99999999999", 200},
        {"/rate.xml?" + app + "&rate=4&text=" + Encoded(nasty), 0},
        {"/reviews.xml?" + app, 0},
        {"/rate.xml?" + app, 200},
        {"/rate.xml?" + app + "&rate=5&text=%%", 200},
        {"/rate.xml?" + app + "&rate=0", 208},
        {"/rate.xml?" + app + "&rate=6&text=" + Encoded("x"), 208},
        {"/rate.xml?" + app + "&rate=-1", 208},
        {"/rate.xml?" + app + "&rate=5&text=" + Encoded(std::string(2001, 'x')), 210},
        // Within the character limit, but beyond any request line.
        {"/rate.xml?" + app + "&rate=5&text=" + Encoded(Repeat("ж", 3900)), 210, 414},
        {"/feedback.xml?" + app + "&text=" + Encoded(Repeat("ж", 3900)), 210, 414},
        {"/feedback.xml?" + app, 200},
        {"/feedback.xml?" + app + "&text=" + Encoded("   "), 200},
        {"/feedback.xml?" + app + "&text=" + Encoded(std::string(4001, 'y')), 210},
        {"/download.xml?" + app + "&getsize=yes", 200},
        {"/download.xml?" + in, 200},
        {"/cats.xml", 200},  // odd query shapes are read without harm
        {"/cats.xml?&&=&sessionid", 203},
        {"/cats.xml?sessionid=%", 203},
    };
    // A session nobody opened, or none at all, in every method that takes one.
    for (const char* method :
         {"config", "cats", "tags", "getapps", "appdetails", "reviews", "rate", "feedback", "download"}) {
        const std::string rest = "appid=1&rate=5&text=" + Encoded("x") + "&details=1&locale=en&osver=wm6ppc&w=240&h=320";
        cases.push_back({"/" + std::string(method) + ".xml?sessionid=0123456789abcdef0123456789abcdef&" + rest, 203});
        cases.push_back({"/" + std::string(method) + ".xml?sessionid=&appid=1", 203});
        cases.push_back({"/" + std::string(method) + ".xml?appid=1", 200});
    }
    TempDir scratch;
    std::vector<fs::path> answers;
    for (const Case& c : cases) {
        const Answer a = server.Get(c.path);
        EXPECT_EQ(a.http, c.http) << c.path;
        EXPECT_EQ(a.code, c.code) << c.path;
        if (a.http != 200) continue;
        answers.push_back(scratch / (std::to_string(answers.size()) + ".xml"));
        std::ofstream(answers.back(), std::ios::binary) << a.body;
    }
    EXPECT_EQ(LintComplaints(answers), "");
    EXPECT_EQ(server.Call("cats", "sessionid=" + s).code, 0);
    auto res = server.Client().Get("/auth.xml?" + demo);
    ASSERT_TRUE(res);
    EXPECT_NE(res->get_header_value("Content-Type").find("utf-8"), std::string::npos);
}

TEST_F(Api, RegistrationKeepsLoginsAndMailsUniqueAndPasswordsHashed) {
    // Base64 of this password holds both "+" and "/", which travel escaped.
    const std::string password = "p\xC3\xA4ss?>>w0rd", login = "Ёлка & <Co>";
    ASSERT_NE(Base64Encode(password).find_first_of("+/"), std::string::npos);
    ASSERT_EQ(Reg(server, login, password, "elka@example.org"), 0);
    const struct {
        const char *login, *pass, *mail;
        int code;
    } refused[] = {{"Ёлка & <Co>", "x", "other@example.org", 204}, {"DEMO", "x", "other@example.org", 204},
                   {"other", "x", "ELKA@example.org", 205},        {"", "x", "a@b.cd", 200},
                   {"x", "", "a@b.cd", 200},                       {"x", "y", "not-a-mail", 200},
                   {" padded", "y", "p@b.cd", 200}};
    for (const auto& r : refused) EXPECT_EQ(Reg(server, r.login, r.pass, r.mail), r.code) << r.login << "/" << r.mail;
    EXPECT_EQ(Count(server, "SELECT COUNT(*) FROM outbox WHERE recipient = 'elka@example.org'"), 1);  // the activation mail
    Db db(server.Store());
    ASSERT_TRUE(Accounts(db).Activate(login));
    EXPECT_EQ(Auth(server, login, password), 0);
    EXPECT_NE(server.SignIn(login, password), server.SignIn(login, password));  // a session of its own each
    Stmt& s = db.Prepare("SELECT pass_hash FROM accounts WHERE login = ?1");
    s.BindAll(login);
    ASSERT_TRUE(s.Step());
    EXPECT_EQ(s.Text(0).find(password), std::string::npos);
    EXPECT_EQ(s.Text(0).rfind("$argon2", 0), 0u);
    s.Reset();
}

TEST(ApiAutoActivate, NewAccountsCanSignInAtOnce) {
    ServerOptions o = TestServer::Defaults();
    o.service.autoActivate = true;
    TestServer server(o);
    ASSERT_EQ(Reg(server, "quick", "pw", "quick@example.org"), 0);
    EXPECT_NO_THROW(server.SignIn("quick", "pw"));
}

TEST(ServerLifetime, StopsEvenWhenAskedRightAfterStarting) {
    for (int i = 0; i < 3; ++i) {
        TestServer server;  // destroyed at once; a lost stop request would hang here
    }
}

TEST_F(Api, RatingsReplaceEachOtherAndTextsComeBackAsSent) {
    const std::string app = "sessionid=" + server.SignIn() + "&appid=3";
    const auto rate = [&](int stars, const std::string& text) {
        return server.Call("rate", app + "&rate=" + std::to_string(stars) + (text.empty() ? "" : "&text=" + Encoded(text)))
            .code;
    };
    const auto details = [&] {
        Answer a = server.Call("appdetails", app + "&details=0");
        pugi::xml_node n = a.Root().child("appdetails").child("app");
        return std::tuple{n.attribute("rates").as_int(), n.attribute("reviews").as_int(), n.attribute("rate").as_double()};
    };
    const auto [rates, reviews, rate0] = details();

    ASSERT_EQ(rate(4, "Отлично & <быстро> \"5\" 'stars'\nsecond line\r\nthird"), 0);
    auto [r1, v1, avg1] = details();
    EXPECT_EQ(r1, rates + 1);
    EXPECT_EQ(v1, reviews + 1);
    EXPECT_NEAR(avg1, (rate0 * rates + 4) / (rates + 1), 0.02);
    Answer list = server.Call("reviews", app);
    pugi::xml_node first = list.Root().child("reviews").first_child();
    EXPECT_STREQ(first.attribute("login").value(), "demo");
    EXPECT_STREQ(first.attribute("txt").value(), "Отлично & <быстро> \"5\" 'stars'--br--second line--br--third");
    EXPECT_EQ(first.attribute("rate").as_int(), 4);
    ASSERT_EQ(rate(3, "one--br--two"), 0);  // text the client already marked is kept as it is
    EXPECT_STREQ(server.Call("reviews", app).Root().child("reviews").first_child().attribute("txt").value(), "one--br--two");
    // The limit counts characters, not bytes.
    EXPECT_EQ(rate(5, std::string(2000, 'x')), 0);
    EXPECT_EQ(rate(5, std::string(1000, 'x') + Repeat("ж", 1000)), 0);

    ASSERT_EQ(rate(1, ""), 0);  // stars only: no longer a review
    auto [r2, v2, avg2] = details();
    EXPECT_EQ(r2, rates + 1);
    EXPECT_EQ(v2, reviews);
    EXPECT_NEAR(avg2, (rate0 * rates + 1) / (rates + 1), 0.02);
    Answer after = server.Call("reviews", app);
    for (pugi::xml_node r : after.Root().child("reviews").children()) EXPECT_STRNE(r.attribute("login").value(), "demo");

    ASSERT_EQ(server.Call("feedback", app + "&text=" + Encoded("Crashes on start\nevery time")).code, 0);
    Db db(server.Store());
    Stmt& s = db.Prepare("SELECT f.text, a.login FROM feedback f JOIN accounts a ON a.id = f.account_id WHERE f.app_id = 3");
    ASSERT_TRUE(s.Step());
    EXPECT_EQ(s.Text(0), "Crashes on start--br--every time");
    EXPECT_EQ(s.Text(1), "demo");
    EXPECT_FALSE(s.Step());
    s.Reset();
}

class AbuseApi : public ::testing::Test {
protected:
    static ServerOptions Limited() {
        ServerOptions o = TestServer::Defaults();
        o.service.limits.signInPerLogin = {3, kHour};
        o.service.limits.signInPerAddress = {6, kHour};
        o.service.limits.feedbackPerSession = {2, kHour};
        o.service.limits.feedbackPerDay = {3, kHour};
        o.service.sessionsPerAccount = 2;
        o.service.sessionLifetimeMs = kHour;
        o.sweepIntervalMs = 50;
        return o;
    }
    int64_t Hashes() const { return limited.Service().HashTotals().runs; }

    TestServer limited{Limited()};
};

TEST_F(AbuseApi, FailedSignInsAreCountedPerLoginAndAddressAndEveryTryCostsOneHash) {
    const struct {
        const char* login;
        const char* pass;
        int code;
        int hashes;  // run by this try
    } steps[] = {
        {"demo", "w1", 201, 1}, {"demo", "w2", 201, 1}, {"demo", "w3", 201, 1},
        {"demo", "demo", 211, 0},  // the login is locked: refused before any hashing
        {"DEMO", "demo", 211, 0},  // whatever its letter case
        {"nobody", "x", 201, 1},   // an unknown login is checked against the dummy
        {"anna", "x", 201, 1},     // as is an account without a password
        {"other", "x", 201, 1},    // the sixth failure from this address...
        {"ghost", "x", 211, 0},    // ...locks the address for every login
    };
    for (const auto& s : steps) {
        const int64_t before = Hashes();
        EXPECT_EQ(Auth(limited, s.login, s.pass), s.code) << s.login << "/" << s.pass;
        EXPECT_EQ(Hashes() - before, s.hashes) << s.login << "/" << s.pass;
    }
    // The allowance comes back once the window has passed, and a success
    // clears its login's failures: two more never lock it.
    Db(limited.Store()).Exec("UPDATE throttle SET expires = 0");
    for (int code : {201, 201, 0, 201, 201, 0}) EXPECT_EQ(Auth(limited, "demo", code == 0 ? "demo" : "wrong"), code);
    EXPECT_EQ(Count(limited, "SELECT COUNT(*) FROM throttle WHERE subject = 'signin-login:demo'"), 0);
}

TEST_F(AbuseApi, MailAndFeedbackStayWithinTheirAllowances) {
    // Known or not, the answer is the same; only a known account gets mail,
    // at most three an hour, and an active one no activation mail.
    for (const char* login : {"ghost", "demo"}) EXPECT_EQ(limited.Call("actmail_resend", std::string("login=") + login).code, 0);
    EXPECT_EQ(Count(limited, "SELECT COUNT(*) FROM outbox"), 0);
    ASSERT_EQ(Reg(limited, "sleeper", "pw", "sleeper@example.org"), 0);
    EXPECT_EQ(limited.Call("actmail_resend", "login=sleeper").code, 0);
    EXPECT_EQ(Count(limited, "SELECT COUNT(*) FROM outbox WHERE recipient = 'sleeper@example.org'"), 2);
    for (const std::string q : {"mail=demo%40example.org", "login=demo", "login=ghost", "mail=ghost%40example.org",
                                "login=DEMO", "login=demo"})
        EXPECT_EQ(limited.Call("auth_restore", q).code, 0) << q;
    EXPECT_EQ(Count(limited, "SELECT COUNT(*) FROM outbox WHERE recipient = 'demo@example.org'"), 3);
    EXPECT_EQ(Count(limited, "SELECT COUNT(*) FROM outbox WHERE recipient LIKE 'ghost%'"), 0);

    // Two rows per session, three per account and day.
    const std::string first = limited.SignIn(), second = limited.SignIn();
    const std::string text = "&appid=3&text=" + Encoded("crashes");
    const std::pair<const std::string*, int> tries[] = {
        {&first, 0}, {&first, 0}, {&first, 211}, {&second, 0}, {&second, 211}};
    for (const auto& [session, code] : tries) EXPECT_EQ(limited.Call("feedback", "sessionid=" + *session + text).code, code);
    EXPECT_EQ(Count(limited, "SELECT COUNT(*) FROM feedback"), 3);
}

TEST_F(AbuseApi, SessionsEndByLifetimeByCapAndOnTheSweepersTimer) {
    const std::string oldest = limited.SignIn(), older = limited.SignIn(), newest = limited.SignIn();
    // At most two per account: the third sign-in ended the oldest.
    for (const auto& [session, code] : {std::pair{&oldest, 203}, {&older, 0}, {&newest, 0}})
        EXPECT_EQ(limited.Call("cats", "sessionid=" + *session).code, code);
    // Busy or not, a session ends a lifetime after sign-in.
    Db db(limited.Store());
    db.Prepare("UPDATE sessions SET created = created - ?2 - 1 WHERE id = ?1").BindAll(older, kHour).Run();
    EXPECT_EQ(limited.Call("cats", "sessionid=" + older).code, 203);
    // Use keeps a session alive: the call moves its last use to now.
    db.Prepare("UPDATE sessions SET last_seen = last_seen - ?2 WHERE id = ?1").BindAll(newest, kHour / 2).Run();
    EXPECT_EQ(limited.Call("cats", "sessionid=" + newest).code, 0);
    const std::string row = " FROM sessions WHERE id = '" + newest + "'";
    EXPECT_EQ(Count(limited, "SELECT CASE WHEN last_seen >= created THEN 1 ELSE 0 END" + row), 1);
    // An idle one goes with the next sweep, though nobody asks for it.
    db.Prepare("UPDATE sessions SET last_seen = 0 WHERE id = ?1").BindAll(newest).Run();
    EXPECT_TRUE(Eventually([&] { return Count(limited, "SELECT COUNT(*)" + row) == 0; }, std::chrono::seconds(10)));
}

TEST(AbuseApiHashing, ConcurrentRegistrationsNeverRunMoreHashesThanSlots) {
    ServerOptions o = TestServer::Defaults();
    o.threads = 32;
    o.hashSlots = 2;
    o.hashWaitMs = 1000;
    o.service.limits.registrationsPerAddress = {100, kHour};
    TestServer server(o);
    // The cheap checks come first: a taken login costs no hash.
    const std::string pass = "&pass=" + Encoded("pw");
    EXPECT_EQ(server.Call("reg", "login=demo" + pass + "&mail=new%40example.org").code, 204);
    EXPECT_EQ(server.Service().HashTotals().runs, 0);

    std::atomic<int> created{0}, busy{0}, other{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < 32; ++i)
        clients.emplace_back([&, i] {
            const std::string n = "flood" + std::to_string(i);
            const int code = server.Call("reg", "login=" + n + pass + "&mail=" + n + "%40example.org").code;
            (code == 0 ? created : code == 212 ? busy : other)++;
        });
    for (auto& c : clients) c.join();
    const HashSlots::Counts counts = server.Service().HashTotals();
    EXPECT_EQ(other.load(), 0);
    EXPECT_GE(created.load(), 1);
    EXPECT_LE(counts.peak, 2);
    EXPECT_EQ(counts.runs, created.load());
    EXPECT_EQ(counts.refused, busy.load());
    EXPECT_EQ(*Db(server.Store()).QueryInt("SELECT COUNT(*) FROM accounts WHERE login LIKE 'flood%'"), created.load());
}

}  // namespace
}  // namespace catalogd::test
