// Ratings, reviews and feedback: one rating per account and application,
// counts that follow, and texts that come back exactly as they were sent.
#include <gtest/gtest.h>

#include "Db.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

class RatingApi : public ::testing::Test {
protected:
    TestServer server;
    std::string session = server.SignIn();
    std::string app = "sessionid=" + session + "&appid=3";

    pugi::xml_node App(Answer& a) { return a.Root().child("appdetails").child("app"); }
    Answer Details() { return server.Call("appdetails", app + "&details=0"); }
    int Rate(int stars, const std::string& text) {
        return server.Call("rate", app + "&rate=" + std::to_string(stars) + (text.empty() ? "" : "&text=" + Encoded(text)))
            .code;
    }
};

TEST_F(RatingApi, ASecondRatingReplacesTheFirst) {
    Answer before = Details();
    int rates = App(before).attribute("rates").as_int();
    int reviews = App(before).attribute("reviews").as_int();
    double rate = App(before).attribute("rate").as_double();

    ASSERT_EQ(Rate(5, "Great!\nReally."), 0);
    Answer first = Details();
    EXPECT_EQ(App(first).attribute("rates").as_int(), rates + 1);
    EXPECT_EQ(App(first).attribute("reviews").as_int(), reviews + 1);
    EXPECT_NEAR(App(first).attribute("rate").as_double(), (rate * rates + 5) / (rates + 1), 0.02);

    ASSERT_EQ(Rate(1, ""), 0);  // stars only: no longer a review
    Answer second = Details();
    EXPECT_EQ(App(second).attribute("rates").as_int(), rates + 1);
    EXPECT_EQ(App(second).attribute("reviews").as_int(), reviews);
    EXPECT_NEAR(App(second).attribute("rate").as_double(), (rate * rates + 1) / (rates + 1), 0.02);
    Answer list = server.Call("reviews", app);
    for (pugi::xml_node r : list.Root().child("reviews").children()) EXPECT_STRNE(r.attribute("login").value(), "demo");
}

TEST_F(RatingApi, ReviewTextsRoundTripWithLineBreaksAsMarkers) {
    std::string text = "Отлично & <быстро> \"5\" 'stars'\nsecond line\r\nthird";
    ASSERT_EQ(Rate(4, text), 0);
    Answer list = server.Call("reviews", app);
    ASSERT_EQ(list.code, 0);
    pugi::xml_node newest = list.Root().child("reviews").first_child();
    EXPECT_STREQ(newest.attribute("login").value(), "demo");
    EXPECT_STREQ(newest.attribute("txt").value(), "Отлично & <быстро> \"5\" 'stars'--br--second line--br--third");
    EXPECT_EQ(newest.attribute("rate").as_int(), 4);
    // Text the client already marked is kept as it is.
    ASSERT_EQ(Rate(3, "one--br--two"), 0);
    list = server.Call("reviews", app);
    EXPECT_STREQ(list.Root().child("reviews").first_child().attribute("txt").value(), "one--br--two");
}

TEST_F(RatingApi, RatingsOutsideOneToFiveAndOverlongTextsAreRefused) {
    Answer before = Details();
    EXPECT_EQ(Rate(0, ""), 208);
    EXPECT_EQ(Rate(6, "x"), 208);
    EXPECT_EQ(Rate(-1, ""), 208);
    EXPECT_EQ(Rate(5, std::string(2001, 'x')), 210);
    EXPECT_EQ(Rate(5, std::string(2000, 'x')), 0);
    // Length is counted in characters, not bytes.
    EXPECT_EQ(Rate(5, std::string(1000, 'x') + [] { std::string s; for (int i = 0; i < 1000; ++i) s += "ж"; return s; }()), 0);
    Answer after = Details();
    EXPECT_EQ(App(after).attribute("rates").as_int(), App(before).attribute("rates").as_int() + 1);
}

TEST_F(RatingApi, TextsTooLongForAnyRequestLineGetTheTooLongCode) {
    std::string cyrillic;
    for (int i = 0; i < 3900; ++i) cyrillic += "ж";  // within the character limit, beyond any request line
    Answer a = server.Call("feedback", app + "&text=" + Encoded(cyrillic));
    EXPECT_EQ(a.code, 210) << a.body;
    EXPECT_EQ(Rate(5, cyrillic), 210);
    EXPECT_EQ(server.Call("cats", "sessionid=" + session).code, 0);
}

TEST_F(RatingApi, FeedbackIsStoredForTheApplication) {
    EXPECT_EQ(server.Call("feedback", app + "&text=" + Encoded("Crashes on start\nevery time")).code, 0);
    EXPECT_EQ(server.Call("feedback", app + "&text=" + Encoded("   ")).code, 200);
    EXPECT_EQ(server.Call("feedback", app + "&text=" + Encoded(std::string(4001, 'y'))).code, 210);
    Db db(server.Store());
    Stmt& s = db.Prepare("SELECT f.text, a.login FROM feedback f JOIN accounts a ON a.id = f.account_id WHERE f.app_id = 3");
    ASSERT_TRUE(s.Step());
    EXPECT_EQ(s.Text(0), "Crashes on start--br--every time");
    EXPECT_EQ(s.Text(1), "demo");
    EXPECT_FALSE(s.Step());
}

}  // namespace
}  // namespace catalogd::test
