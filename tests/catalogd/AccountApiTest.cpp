// Accounts, sessions, URL forms and request hygiene, over HTTP.
#include <gtest/gtest.h>

#include <chrono>

#include "Accounts.h"
#include "Base64.h"
#include "Db.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

class AccountApi : public ::testing::Test {
protected:
    TestServer server;

    int Reg(const std::string& login, const std::string& pass, const std::string& mail) {
        return server.Call("reg", "login=" + Escaped(login) + "&pass=" + Encoded(pass) + "&mail=" + Escaped(mail))
            .code;
    }
    int Auth(const std::string& login, const std::string& pass, const std::string& ver = "1.0b") {
        return server.Call("auth", "login=" + Escaped(login) + "&pass=" + Encoded(pass) + "&ver=" + ver).code;
    }
    int64_t OutboxFor(const std::string& mail) {
        Db db(server.Store());
        return *db.QueryInt("SELECT COUNT(*) FROM outbox WHERE recipient = ?1", mail);
    }
};

TEST_F(AccountApi, BothUrlFormsAnswerWithTheEnvelope) {
    std::string q = "login=demo&pass=" + Encoded("demo") + "&ver=1.0b";
    for (const std::string path : {"/api_auth.php?", "/auth.xml?"}) {
        Answer a = server.Get(path + q);
        EXPECT_EQ(a.http, 200) << path;
        EXPECT_EQ(a.code, 0) << path;
        std::string id = a.Root().child("auth").attribute("id").value();
        EXPECT_EQ(id.size(), 32u);
        EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos) << id;
    }
    // The ".php" form lives under the prefix only; unknown methods are not answered as methods.
    EXPECT_EQ(server.Get("/auth.php?" + q).http, 404);
    EXPECT_EQ(server.Get("/api_nosuch.php?" + q).http, 404);
    auto res = server.Client().Get("/auth.xml?" + q);
    ASSERT_TRUE(res);
    EXPECT_NE(res->get_header_value("Content-Type").find("utf-8"), std::string::npos);
}

TEST_F(AccountApi, SignInAnswersEachFailureWithItsOwnCode) {
    EXPECT_EQ(Auth("demo", "wrong"), 201);
    EXPECT_EQ(Auth("nobody", "demo"), 201);
    EXPECT_EQ(Auth("demo", "demo", "1.0a"), 209);
    EXPECT_EQ(Auth("anna", ""), 201);  // seeded reviewers have no password at all
    ASSERT_EQ(Reg("fresh", "secret", "fresh@example.org"), 0);
    EXPECT_EQ(Auth("fresh", "secret"), 202);
    EXPECT_EQ(Auth("fresh", "wrong"), 201);  // a wrong password does not learn the account's state
    EXPECT_NE(server.SignIn(), server.SignIn());  // every sign-in gets a session of its own
}

TEST_F(AccountApi, RegistrationKeepsLoginsAndMailsUniqueAndPasswordsHashed) {
    // Base64 of this password holds both "+" and "/", which travel escaped.
    std::string password = "p\xC3\xA4ss?>>w0rd";
    ASSERT_NE(Base64Encode(password).find_first_of("+/"), std::string::npos);
    ASSERT_EQ(Reg("Ёлка & <Co>", password, "elka@example.org"), 0);
    EXPECT_EQ(Reg("Ёлка & <Co>", "x", "other@example.org"), 204);
    EXPECT_EQ(Reg("DEMO", "x", "other@example.org"), 204);
    EXPECT_EQ(Reg("other", "x", "ELKA@example.org"), 205);
    for (auto [login, pass, mail] : {std::tuple{"", "x", "a@b.cd"}, {"x", "", "a@b.cd"}, {"x", "y", "not-a-mail"},
                                    {" padded", "y", "p@b.cd"}})
        EXPECT_EQ(Reg(login, pass, mail), 200) << login << "/" << mail;

    EXPECT_EQ(OutboxFor("elka@example.org"), 1);  // the activation mail
    Db db(server.Store());
    ASSERT_TRUE(Accounts(db).Activate("Ёлка & <Co>"));
    EXPECT_EQ(Auth("Ёлка & <Co>", password), 0);
    Stmt& s = db.Prepare("SELECT pass_hash FROM accounts WHERE login = 'Ёлка & <Co>'");
    ASSERT_TRUE(s.Step());
    EXPECT_EQ(s.Text(0).find(password), std::string::npos);
    EXPECT_EQ(s.Text(0).rfind("$argon2", 0), 0u);
}

TEST(AccountApiAutoActivate, NewAccountsCanSignInAtOnce) {
    ServerOptions o = TestServer::Defaults();
    o.service.autoActivate = true;
    TestServer server(o);
    ASSERT_EQ(server.Call("reg", "login=quick&pass=" + Encoded("pw") + "&mail=quick@example.org").code, 0);
    EXPECT_NO_THROW(server.SignIn("quick", "pw"));
}

TEST_F(AccountApi, RestoreAndActivationMailGoToTheOutbox) {
    ASSERT_EQ(Reg("sleeper", "pw", "sleeper@example.org"), 0);
    EXPECT_EQ(server.Call("auth_restore", "mail=sleeper%40example.org").code, 0);
    EXPECT_EQ(server.Call("auth_restore", "login=sleeper").code, 0);
    EXPECT_EQ(server.Call("actmail_resend", "login=sleeper").code, 0);
    EXPECT_EQ(OutboxFor("sleeper@example.org"), 4);
    EXPECT_EQ(server.Call("actmail_resend", "login=demo").code, 0);
    EXPECT_EQ(OutboxFor("demo@example.org"), 0);  // an active account gets no activation mail

    // Unknown accounts are answered as known ones, so that nobody learns which exist.
    EXPECT_EQ(server.Call("auth_restore", "mail=ghost%40example.org").code, 0);
    EXPECT_EQ(server.Call("auth_restore", "login=ghost").code, 0);
    EXPECT_EQ(server.Call("actmail_resend", "login=ghost").code, 0);
    EXPECT_EQ(*Db(server.Store()).QueryInt("SELECT COUNT(*) FROM outbox WHERE recipient LIKE 'ghost%'"), 0);
    EXPECT_EQ(server.Call("auth_restore", "").code, 200);
}

TEST_F(AccountApi, UnknownSessionGets203FromEveryMethodThatTakesOne) {
    for (const char* method :
         {"config", "cats", "tags", "getapps", "appdetails", "reviews", "rate", "feedback", "download"}) {
        Answer a = server.Call(method, "sessionid=0123456789abcdef0123456789abcdef&appid=1&rate=5&text=" +
                                           Encoded("x") + "&details=1&locale=en&osver=wm6ppc&w=240&h=320");
        EXPECT_EQ(a.code, 203) << method;
        EXPECT_EQ(server.Call(method, "sessionid=&appid=1").code, 203) << method;
        EXPECT_EQ(server.Call(method, "appid=1").code, 200) << method;
    }
}

TEST(AccountApiIdle, SessionsExpireAfterTheIdleTimeButNotWhileUsed) {
    ServerOptions o = TestServer::Defaults();
    o.service.sessionIdleMs = 400;
    TestServer server(o);
    // Signing in takes a deliberate while (password hashing): take the busy
    // session last so that it is fresh when the loop starts.
    std::string idle = server.SignIn();
    std::string busy = server.SignIn();
    auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(900)) {
        ASSERT_EQ(server.Call("cats", "sessionid=" + busy).code, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(server.Call("cats", "sessionid=" + idle).code, 203);
    EXPECT_EQ(server.Call("cats", "sessionid=" + busy).code, 0);
    // Once expired, always expired.
    EXPECT_EQ(server.Call("cats", "sessionid=" + idle).code, 203);
}

TEST(ServerLifetime, StopsEvenWhenAskedRightAfterStarting) {
    for (int i = 0; i < 3; ++i) {
        TestServer server;  // destroyed at once; a lost stop request would hang here
    }
}

TEST_F(AccountApi, MalformedParametersAnswer200AndNeverBreakTheServer) {
    std::string s = server.SignIn();
    std::string flags = "&irda=0&bt=0&wifi=0&phone=0&gl=0&cam=0&cam3g=0&accel=0&gps=0&keypad=0";
    const std::vector<std::string> requests = {
        "auth?login=demo&ver=1.0b",
        "auth?login=demo&pass=%%%&ver=1.0b",
        "auth?login=%FF%FE&pass=" + Encoded("demo") + "&ver=1.0b",
        "auth?login=de%00mo&pass=" + Encoded("demo") + "&ver=1.0b",
        "reg?login=x&pass=" + Encoded("y"),
        "config?sessionid=" + s + "&locale=en&osver=wm6ppc&w=abc&h=320" + flags,
        "config?sessionid=" + s + "&locale=en&osver=wm6ppc&w=240&h=320&irda=2",
        "config?sessionid=" + s + "&locale=en&osver=wm6ppc&w=-240&h=320" + flags,
        "getapps?sessionid=" + s + "&cat=x",
        "getapps?sessionid=" + s + "&count=-5",
        "getapps?sessionid=" + s + "&page=-1",
        "getapps?sessionid=" + s + "&sort=name",
        "getapps?sessionid=" + s + "&price=cheap",
        "getapps?sessionid=" + s + "&in=everything",
        "getapps?sessionid=" + s + "&query=***",
        "appdetails?sessionid=" + s + "&details=1",
        "appdetails?sessionid=" + s + "&appid=&details=1",
        "appdetails?sessionid=" + s + "&appid=1&details=7",
        "reviews?sessionid=" + s + "&appid=99999999999",
        "rate?sessionid=" + s + "&appid=1",
        "rate?sessionid=" + s + "&appid=1&rate=5&text=%%",
        "feedback?sessionid=" + s + "&appid=1",
        "download?sessionid=" + s + "&appid=1&getsize=yes",
    };
    for (const auto& r : requests) {
        size_t q = r.find('?');
        Answer a = server.Get("/" + r.substr(0, q) + ".xml" + r.substr(q));
        EXPECT_EQ(a.http, 200) << r;
        EXPECT_EQ(a.code, 200) << r;
    }
    // Odd query shapes are read without harm.
    for (const std::string odd : {"/cats.xml", "/cats.xml?", "/cats.xml?&&=&sessionid", "/cats.xml?sessionid=%"})
        EXPECT_EQ(server.Get(odd).http, 200) << odd;
    EXPECT_EQ(server.Call("cats", "sessionid=" + s).code, 0);
}

}  // namespace
}  // namespace catalogd::test
