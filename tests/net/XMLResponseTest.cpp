#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "NetTestSupport.h"
#include "core/Kestrum.h"
#include "net/XMLCatalogResponses.h"
#include "net/XMLResponse.h"

using namespace std::string_literals;

namespace {

std::string Envelope(const std::string& inner, int code = 0) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><kestrum-api><result code=\"" + std::to_string(code) + "\"/>" +
           inner + "</kestrum-api>";
}

int32_t Parse(XMLResponse& r, const std::string& body) { return r.Parse(body.data(), body.size()); }

// Reads `body` with a fresh reader of type R that fills `targets`.
template <class R, class... T>
int32_t ParseWith(const std::string& body, T*... targets) {
    R reader(targets...);
    return Parse(reader, body);
}

const std::string kFullApp =
    "id=\"7\" name=\"Chess &amp; Co\" com=\"Acme\" icon=\"http://h/i.png\" type=\"free\" catid=\"3\" "
    "rate=\"3.5\" rates=\"12\" reviews=\"4\" views=\"99\" downloads=\"40\" version=\"1.2\" revision=\"5\" "
    "sysid=\"Acme Chess\" exe=\"chess.exe\" install=\"chess.cab\"";

class XMLResponseTest : public ::testing::Test {
protected:
    void SetUp() override { Kestrum::Instance().configPending = 0; }
    nettest::ServicesScope ui;
};

// What is not a whole envelope is unreadable and shows nothing by itself;
// bytes after the last tag are ignored, a body cut inside the document is not.
TEST_F(XMLResponseTest, EnvelopeFailuresAreUnreadable) {
    XMLResponse r;
    EXPECT_EQ(r.Parse(nullptr, 0), XMLResponse::kUnreadable);
    const std::string whole = Envelope("<auth id=\"abc\"/>");
    for (const std::string& body :
         {std::string(), std::string("not xml at all"), std::string("<other><result code=\"0\"/></other>"),
          std::string("<kestrum-api></kestrum-api>"), std::string("<kestrum-api><result/></kestrum-api>"),
          std::string("<kestrum-api><result code=\"zero\"/></kestrum-api>"),
          std::string("<kestrum-api><result code=\"0\"/>"), std::string("\xEF\xBB\xBF<kestrum-api><resu"),
          whole.substr(0, whole.size() - 5)})
        EXPECT_EQ(Parse(r, body), XMLResponse::kUnreadable) << body;
    EXPECT_TRUE(ui.services.Errors().empty());
    EXPECT_EQ(Parse(r, Envelope("") + "\r\n\0\0garbage"), 0);
    const std::string withNul = Envelope("") + std::string("\0\0\0tail", 7);
    EXPECT_EQ(r.Parse(withNul.data(), withNul.size()), 0);
}

// A service code is returned without reading the body; only the expired
// session's sends the user back to sign in, and marks the config pending.
TEST_F(XMLResponseTest, ServiceCodesAreReturnedWithoutReadingTheBody) {
    std::u16string session = u"old";
    EXPECT_EQ(ParseWith<XMLResponse_Auth>(Envelope("<auth id=\"new\"/>", 201), &session), 201);
    EXPECT_EQ(session, u"old");
    EXPECT_EQ(Kestrum::Instance().configPending, 0);
    EXPECT_EQ(ui.services.ReturnToSignInCount(), 0);
    std::vector<shared_ptr<App>> apps;
    EXPECT_EQ(ParseWith<XMLResponse_GetApps>(Envelope("<getapps><app " + kFullApp + "/></getapps>", 203), &apps), 203);
    EXPECT_TRUE(apps.empty());
    EXPECT_EQ(Kestrum::Instance().configPending, 1);
    EXPECT_EQ(ui.services.ReturnToSignInCount(), 1);
    XMLResponse::ShowError(203);
    EXPECT_EQ(ui.services.Errors(), std::vector<int32_t>{203});
}

TEST_F(XMLResponseTest, AuthNeedsItsElementWhileAnswersWithoutBodyDoNot) {
    std::u16string session;
    XMLResponse_Auth auth(&session);
    EXPECT_EQ(Parse(auth, Envelope("")), XMLResponse::kUnreadable);
    EXPECT_EQ(Parse(auth, Envelope("<auth/>")), XMLResponse::kUnreadable);
    EXPECT_EQ(Parse(auth, Envelope("<auth id=\"s-\xC3\xA9\"/>")), 0);
    EXPECT_EQ(session, u"s-\u00e9");
    XMLResponse_Reg reg;
    XMLResponse_Config config;
    XMLResponse_Rate rate;
    XMLResponse_AuthRestore restore;
    for (XMLResponse* r : std::initializer_list<XMLResponse*>{&reg, &config, &rate, &restore})
        EXPECT_EQ(Parse(*r, Envelope("")), 0);
}

// A category without its count fails the answer; what was read before it stays.
TEST_F(XMLResponseTest, CategoriesBuildATreeWithParentLinks) {
    Category root;
    const std::string body = Envelope(
        "<cats><cat name=\"Games\" id=\"1\" count=\"10\"><cat name=\"Chess\" id=\"11\" count=\"2\"/>"
        "<cat name=\"Cards\" id=\"12\" count=\"3\"><cat name=\"Poker\" id=\"121\" count=\"1\"/></cat></cat>"
        "<cat name=\"Tools\" id=\"2\" count=\"-4\"/></cats>");
    ASSERT_EQ(ParseWith<XMLResponse_Cats>(body, &root), 0);
    ASSERT_EQ(root.children.size(), 2u);
    Category& games = *root.children[0];
    EXPECT_EQ(games.name, u"Games");
    EXPECT_EQ(games.parent, &root);
    ASSERT_EQ(games.children.size(), 2u);
    EXPECT_EQ(games.children[1]->children[0]->parent, games.children[1].get());
    EXPECT_EQ(root.children[1]->count, -4);

    Category partial, none;
    EXPECT_EQ(ParseWith<XMLResponse_Cats>(Envelope("<cats><c name=\"A\" id=\"1\" count=\"1\"/><c name=\"B\" id=\"2\"/>"
                                                   "<c name=\"C\" id=\"3\" count=\"1\"/></cats>"),
                                          &partial),
              XMLResponse::kUnreadable);
    ASSERT_EQ(partial.children.size(), 2u);
    EXPECT_EQ(partial.children[0]->name, u"A");
    EXPECT_EQ(ParseWith<XMLResponse_Cats>(Envelope(""), &none), XMLResponse::kUnreadable);
}

TEST_F(XMLResponseTest, CategoryTreesAreBoundedInDepth) {
    auto nested = [](int depth) {
        std::string inner;
        for (int i = 0; i < depth; ++i) inner += "<c name=\"n\" id=\"1\" count=\"1\">";
        for (int i = 0; i < depth; ++i) inner += "</c>";
        return Envelope("<cats>" + inner + "</cats>");
    };
    auto levels = [](Category& root) {
        int n = 0;
        for (Category* c = &root; !c->children.empty(); c = c->children[0].get()) ++n;
        return n;
    };
    Category fits;
    EXPECT_EQ(ParseWith<XMLResponse_Cats>(nested(XMLResponse_Cats::kMaxCategoryDepth), &fits), 0);
    EXPECT_EQ(levels(fits), XMLResponse_Cats::kMaxCategoryDepth);
    // A hostile answer nested far deeper fails without building the chain
    // that would take the stack down when it is freed.
    Category deep;
    EXPECT_EQ(ParseWith<XMLResponse_Cats>(nested(5000), &deep), XMLResponse::kUnreadable);
    EXPECT_EQ(levels(deep), XMLResponse_Cats::kMaxCategoryDepth);
}

TEST_F(XMLResponseTest, TagsNeedNameAndWeight) {
    TagList tags;
    EXPECT_EQ(ParseWith<XMLResponse_Tags>(
                  Envelope("<tags><t name=\"arcade\" weight=\"5\"/><t name=\"maps\" weight=\"x\"/></tags>"), &tags),
              0);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0], std::make_pair(std::u16string(u"arcade"), 5));
    EXPECT_EQ(tags[1].second, 0);  // not a number: unchanged, still present
    TagList partial;
    XMLResponse_Tags broken(&partial);
    EXPECT_EQ(Parse(broken, Envelope("<tags><t name=\"a\" weight=\"1\"/><t name=\"b\"/></tags>")),
              XMLResponse::kUnreadable);
    EXPECT_EQ(partial.size(), 1u);
    EXPECT_EQ(Parse(broken, Envelope("")), XMLResponse::kUnreadable);
}

// Numbers are read like a stream extraction; a missing list is an empty list.
TEST_F(XMLResponseTest, GetAppsFillsEveryFieldAndKeepsIncompleteEntries) {
    std::vector<shared_ptr<App>> apps;
    XMLResponse_GetApps empty(&apps);
    EXPECT_EQ(Parse(empty, Envelope("")), 0);
    EXPECT_EQ(Parse(empty, Envelope("<getapps/>")), 0);
    EXPECT_TRUE(apps.empty());
    ASSERT_EQ(ParseWith<XMLResponse_GetApps>(
                  Envelope("<getapps><app " + kFullApp + " createtime=\"4000000000\"/><app id=\"8\" name=\"X\"/>"
                           "<a id=\"  42abc\" rate=\"4.25 stars\" rates=\"-3\" views=\"many\" createtime=\"-1\"/></getapps>"),
                  &apps),
              0);
    ASSERT_EQ(apps.size(), 3u);
    // Compared as tuples so that two fields read into each other's place show.
    const App& a = *apps[0];
    EXPECT_EQ(std::make_tuple(a.id, a.catid, a.rates, a.reviews, a.views, a.downloads, a.revision, a.createtime),
              std::make_tuple(7, 3, 12, 4, 99, 40, 5, 4000000000u));
    EXPECT_EQ(std::make_tuple(a.name, a.company, a.icon, a.type, a.version, a.sysid, a.exe, a.install),
              std::make_tuple(u"Chess & Co"s, u"Acme"s, u"http://h/i.png"s, u"free"s, u"1.2"s, u"Acme Chess"s,
                              u"chess.exe"s, u"chess.cab"s));
    EXPECT_DOUBLE_EQ(a.rate, 3.5);
    EXPECT_TRUE(a.inCatalog);
    EXPECT_EQ(apps[1]->id, 8);
    EXPECT_TRUE(apps[1]->company.empty());
    EXPECT_EQ(apps[1]->createtime, 0u);
    const App& n = *apps[2];
    EXPECT_EQ(std::make_tuple(n.id, n.rate, n.rates, n.views, n.createtime), std::make_tuple(42, 4.25, -3, 0, 0u));
}

// A missing list is an empty list; an entry without one of its three
// attributes fails the answer, keeping what came before.
TEST_F(XMLResponseTest, ReviewsNeedAllThreeAttributes) {
    std::vector<ReviewEntry> reviews;
    XMLResponse_Reviews empty(&reviews);
    EXPECT_EQ(Parse(empty, Envelope("")), 0);
    EXPECT_EQ(Parse(empty, Envelope("<reviews></reviews>")), 0);
    EXPECT_TRUE(reviews.empty());
    EXPECT_EQ(ParseWith<XMLResponse_Reviews>(Envelope("<reviews><r login=\"ann\" txt=\"good--br--game\" rate=\"4\"/>"
                                                      "<r login=\"bob\" rate=\"1\"/></reviews>"),
                                             &reviews),
              XMLResponse::kUnreadable);
    ASSERT_EQ(reviews.size(), 1u);
    EXPECT_EQ(reviews[0].login, u"ann");
    EXPECT_EQ(reviews[0].txt, u"good--br--game");
    EXPECT_EQ(reviews[0].rate, 4);
}

// Every attribute but the creation time is required, and a revision is 1 to
// 2^31-1: anything else is none, never an old one kept. With a details
// record also the description (required), the tags (an item without the name
// ends the list) and the pictures, each replacing what was there.
TEST_F(XMLResponseTest, AppDetailsRequiresEveryAttributeAndReadsItsDetails) {
    const auto details = [](const std::string& attributes, const std::string& inner = "") {
        return Envelope("<appdetails><app " + attributes + (inner.empty() ? "/>" : ">" + inner + "</app>") +
                        "</appdetails>");
    };
    App app;
    AppDetailsRecord record;
    record.tags = {u"stale"};
    EXPECT_EQ(ParseWith<XMLResponse_AppDetails>(
                  details(kFullApp, "<details desc=\"Plays chess\"><tags><t name=\"board\"/><t/><t name=\"x\"/></tags>"
                                    "<pictures><p url=\"http://h/1.png\"/><p url=\"http://h/2.png\"/></pictures></details>"),
                  &app, &record),
              0);
    EXPECT_EQ(app.name, u"Chess & Co");
    EXPECT_EQ(record.desc, u"Plays chess");
    EXPECT_EQ(record.tags, std::vector<std::u16string>{u"board"});
    EXPECT_EQ(record.pictures, (std::vector<std::u16string>{u"http://h/1.png", u"http://h/2.png"}));
    EXPECT_EQ(ParseWith<XMLResponse_AppDetails>(details(kFullApp, "<details desc=\"d\"/>"), &app, &record), 0);
    EXPECT_TRUE(record.pictures.empty());
    EXPECT_TRUE(record.tags.empty());

    std::string noExe = kFullApp;
    noExe.erase(noExe.find("exe="), std::string("exe=\"chess.exe\" ").size());
    for (const char* revision : {"0", "-3", "2147483648", "99999999999", "x"}) {
        std::string bad = kFullApp;
        bad.replace(bad.find("revision=\"5\""), std::string("revision=\"5\"").size(),
                    std::string("revision=\"") + revision + "\"");
        App updated;
        updated.revision = 4;
        EXPECT_EQ(ParseWith<XMLResponse_AppDetails>(details(bad), &updated), XMLResponse::kUnreadable) << revision;
        EXPECT_EQ(updated.revision, 0) << revision;
    }
    for (const std::string& body :
         {details(noExe), Envelope("<appdetails/>"), details(kFullApp, "<details/>"), details(kFullApp)})
        EXPECT_EQ(ParseWith<XMLResponse_AppDetails>(body, &app, &record), XMLResponse::kUnreadable) << body;
    // The entry without its program is fine in a list.
    std::vector<shared_ptr<App>> apps;
    EXPECT_EQ(ParseWith<XMLResponse_GetApps>(Envelope("<getapps><a " + noExe + "/></getapps>"), &apps), 0);
}

TEST(AppRecordTest, InstallNameSplitsAtTheFirstSpace) {
    App a(u"Acme Chess Deluxe");
    EXPECT_EQ(a.company, u"Acme");
    EXPECT_EQ(a.name, u"Chess Deluxe");
    App b(u"Solo");
    EXPECT_EQ(b.name, u"Solo");
    EXPECT_TRUE(b.company.empty());
}

}  // namespace
