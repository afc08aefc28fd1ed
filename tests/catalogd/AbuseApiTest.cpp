// Guessing, flooding and hoarding through the API, judged by the counts the
// store and the service keep.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Db.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

constexpr int64_t kHour = 60 * 60 * 1000;

class AbuseApi : public ::testing::Test {
protected:
    static ServerOptions Options() {
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

    int Auth(const std::string& login, const std::string& pass) {
        return server.Call("auth", "login=" + Escaped(login) + "&pass=" + Encoded(pass) + "&ver=1.0b").code;
    }
    int64_t Hashes() const { return server.Service().HashTotals().runs; }
    int64_t Count(const std::string& sql) { return *Db(server.Store()).QueryInt(sql); }
    // As if every counting window had passed.
    void EndWindows() { Db(server.Store()).Exec("UPDATE throttle SET expires = 0"); }

    TestServer server{Options()};
};

TEST_F(AbuseApi, FailedSignInsAreCountedPerLoginAndAddressAndEveryTryCostsOneHash) {
    struct Step {
        const char* login;
        const char* pass;
        int code;
        int hashes;  // run by this try
    };
    const Step steps[] = {
        {"demo", "w1", 201, 1}, {"demo", "w2", 201, 1}, {"demo", "w3", 201, 1},
        {"demo", "demo", 211, 0},  // the login is locked: refused before any hashing
        {"DEMO", "demo", 211, 0},  // whatever its letter case
        {"nobody", "x", 201, 1},   // an unknown login is checked against the dummy
        {"anna", "x", 201, 1},     // as is an account without a password
        {"other", "x", 201, 1},    // the sixth failure from this address...
        {"ghost", "x", 211, 0},    // ...locks the address for every login
    };
    for (const Step& s : steps) {
        const int64_t before = Hashes();
        EXPECT_EQ(Auth(s.login, s.pass), s.code) << s.login << "/" << s.pass;
        EXPECT_EQ(Hashes() - before, s.hashes) << s.login << "/" << s.pass;
    }
    // The allowance comes back once the window has passed, and a success
    // clears its login's failures: two more never lock it.
    EndWindows();
    for (int code : {201, 201, 0, 201, 201, 0})
        EXPECT_EQ(Auth("demo", code == 0 ? "demo" : "wrong"), code);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM throttle WHERE subject = 'signin-login:demo'"), 0);
}

TEST_F(AbuseApi, MailAndFeedbackStayWithinTheirAllowances) {
    // Known or not, the answer is the same; only a known account gets mail,
    // and at most three an hour.
    for (const std::string q : {"mail=demo%40example.org", "login=demo", "login=ghost", "mail=ghost%40example.org",
                                "login=DEMO", "login=demo"})
        EXPECT_EQ(server.Call("auth_restore", q).code, 0) << q;
    EXPECT_EQ(server.Call("actmail_resend", "login=ghost").code, 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM outbox WHERE recipient = 'demo@example.org'"), 3);

    // Two rows per session, three per account and day.
    const std::string first = server.SignIn(), second = server.SignIn();
    const std::string text = "&appid=3&text=" + Encoded("crashes");
    const std::pair<const std::string*, int> tries[] = {
        {&first, 0}, {&first, 0}, {&first, 211}, {&second, 0}, {&second, 211}};
    for (const auto& [session, code] : tries) EXPECT_EQ(server.Call("feedback", "sessionid=" + *session + text).code, code);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM feedback"), 3);
}

TEST_F(AbuseApi, SessionsEndByLifetimeByCapAndOnTheSweepersTimer) {
    const std::string oldest = server.SignIn(), older = server.SignIn(), newest = server.SignIn();
    struct Expect {
        const std::string* session;
        int code;
    };
    // At most two per account: the third sign-in ended the oldest.
    for (const Expect& e : {Expect{&oldest, 203}, Expect{&older, 0}, Expect{&newest, 0}})
        EXPECT_EQ(server.Call("cats", "sessionid=" + *e.session).code, e.code);
    // Busy or not, a session ends a lifetime after sign-in.
    Db db(server.Store());
    db.Prepare("UPDATE sessions SET created = created - ?2 - 1 WHERE id = ?1").BindAll(older, kHour).Run();
    EXPECT_EQ(server.Call("cats", "sessionid=" + older).code, 203);
    EXPECT_EQ(server.Call("cats", "sessionid=" + newest).code, 0);
    // An idle one goes with the next sweep, though nobody asks for it.
    db.Prepare("UPDATE sessions SET last_seen = 0 WHERE id = ?1").BindAll(newest).Run();
    const std::string left = "SELECT COUNT(*) FROM sessions WHERE id = '" + newest + "'";
    for (int i = 0; i < 200 && Count(left) != 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Count(left), 0);
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
