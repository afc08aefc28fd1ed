// What the lists show: category and tag counts, every filter of getapps,
// pages and their bounds, details and their view counts, and what a
// configured device gets to see. The order of the lists is held to a full
// sort in ListOrderTest.
#include <gtest/gtest.h>

#include <atomic>
#include <set>

#include "Seed.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

class CatalogList : public ::testing::Test {
protected:
    TestServer server;
    std::string session = server.SignIn();

    // The ids listed, and their names and types.
    std::vector<int> Ids(const std::string& query) const {
        std::vector<int> ids;
        const Answer a = Apps(query);
        for (pugi::xml_node n : a.Root().child("getapps").children()) ids.push_back(n.attribute("id").as_int());
        return ids;
    }
    Answer Apps(const std::string& query) const { return server.Call("getapps", "sessionid=" + session + query); }
    std::set<std::string> Names(const std::string& query, const char* attribute = "name") const {
        std::set<std::string> names;
        Answer a = Apps(query);
        for (pugi::xml_node n : a.Root().child("getapps").children()) names.insert(n.attribute(attribute).value());
        return names;
    }
};

TEST_F(CatalogList, CategoryAndTagCountsCountWhatTheirListsHold) {
    Answer a = server.Call("cats", "sessionid=" + session);
    ASSERT_EQ(a.code, 0);
    const auto expectCount = [&](pugi::xml_node cat) {
        EXPECT_EQ(cat.attribute("count").as_int(), static_cast<int>(Ids("&cat=" + std::string(cat.attribute("id").value())).size()))
            << cat.attribute("name").value();
    };
    int subs = 0, total = 0;
    for (pugi::xml_node top : a.Root().child("cats").children()) {
        expectCount(top);  // its descendants included
        total += top.attribute("count").as_int();
        for (pugi::xml_node sub : top.children()) expectCount(sub), ++subs;
    }
    EXPECT_GE(subs, 6);
    EXPECT_EQ(total, static_cast<int>(Ids("").size()));
    Answer tags = server.Call("tags", "sessionid=" + session);
    int checked = 0;
    for (pugi::xml_node tag : tags.Root().child("tags").children())
        if (checked++ < 6) {
            EXPECT_EQ(tag.attribute("weight").as_int(), static_cast<int>(Ids("&tags=" + Encoded(tag.attribute("name").value())).size()));
        }
    EXPECT_GT(checked, 20);
}

TEST_F(CatalogList, FiltersNarrowTheList) {
    EXPECT_EQ(Names("&cat=1", "catid"), (std::set<std::string>{"2", "3", "4"}));  // its descendants
    const struct {
        std::string query;
        const char* listed;  // nullptr: nothing listed
        const char* notListed = nullptr;
    } cases[] = {
        {"&cat=424242", nullptr},
        // Case-insensitive search in every field, Unicode letters included.
        {"&query=" + Encoded("ЛОГИКА"), "Логика"},
        {"&query=" + Encoded("čTEČKA"), "Čtečka knih"},
        {"&query=" + Encoded("  stimmgerät ü "), "Stimmgerät Ü"},
        {"&query=" + Encoded("northwind") + "&in=name", nullptr},
        {"&query=" + Encoded("stylus") + "&in=desc", "Chess Pocket"},
        {"&query=" + Encoded("stylus") + "&in=name", nullptr},
        // Every tag asked for, however the list is spaced.
        {"&tags=" + Encoded(" logic , puzzle,,"), "Sudoku Master", "Block Drop"},
        {"&tags=" + Encoded("puzzle,nosuchtag"), nullptr},
    };
    for (const auto& c : cases) {
        const std::set<std::string> names = Names(c.query);
        EXPECT_EQ(c.listed ? names.contains(c.listed) : names.empty(), true) << c.query;
        EXPECT_FALSE(c.notListed && names.contains(c.notListed)) << c.query;
    }
    EXPECT_EQ(Names("&query=" + Encoded("northwind") + "&in=com", "com"), std::set<std::string>{"Northwind"});
    // "paid" is everything that is not free.
    EXPECT_EQ(Names("&price=free", "type"), std::set<std::string>{"free"});
    EXPECT_FALSE(Names("&price=paid", "type").contains("free"));
    EXPECT_EQ(Ids("&price=free").size() + Ids("&price=paid").size(), Ids("").size());
}

TEST_F(CatalogList, PagesSliceTheSortedListWithinTheirBounds) {
    const std::vector<int> all = Ids("&sort=downloads");
    ASSERT_GT(all.size(), 50u);
    EXPECT_EQ(Ids("&count=25&sort=downloads"), std::vector<int>(all.begin(), all.begin() + 25));
    EXPECT_EQ(Ids("&count=25&page=2&sort=downloads"), std::vector<int>(all.begin() + 25, all.begin() + 50));
    EXPECT_TRUE(Ids("&count=25&page=99").empty());
    std::string many;  // at most 16 tags
    for (size_t i = 0; i <= 16; ++i) many += "t" + std::to_string(i) + ",";
    EXPECT_EQ(Apps("&tags=" + Encoded(many)).code, 200);
}

TEST_F(CatalogList, DetailsByIdCountAViewAndTheUpdateCheckBySysidDoesNot) {
    Answer a;
    const int views = server.Details(a, session, 4, true).attribute("views").as_int();
    pugi::xml_node details = a.Root().child("appdetails").child("app").child("details");
    EXPECT_NE(std::string(details.attribute("desc").value()).find("--br--"), std::string::npos);
    EXPECT_TRUE(details.child("tags").first_child());
    EXPECT_TRUE(details.child("pictures").first_child());
    EXPECT_EQ(server.Details(a, session, 4).attribute("views").as_int(), views + 1);

    const std::string bySysid = "sessionid=" + session + "&details=0&sysid=";
    a = server.Call("appdetails", bySysid + Escaped(kStoreSysid));
    pugi::xml_node store = a.Root().child("appdetails").child("app");
    EXPECT_EQ(store.attribute("revision").as_int(), kStoreRevision);
    EXPECT_STREQ(store.attribute("version").value(), kStoreVersion);
    EXPECT_FALSE(store.child("details"));
    Answer again = server.Call("appdetails", bySysid + Escaped(kStoreSysid));
    EXPECT_EQ(again.Root().child("appdetails").child("app").attribute("views").as_int(), store.attribute("views").as_int());
    again = server.Call("appdetails", bySysid + Escaped("Мостик Логика"));
    EXPECT_STREQ(again.Root().child("appdetails").child("app").attribute("name").value(), "Логика");
}

TEST_F(CatalogList, ConfiguredDeviceSeesOnlyWhatSuitsIt) {
    const size_t everything = Ids("").size();
    const int gps = Ids("&query=" + Encoded("GPS Tracker") + "&in=name").at(0);
    // A small smartphone without extras.
    ASSERT_EQ(server.Configure(session, "wm6sp", 176, 220, "keypad"), 0);
    const std::set<std::string> phone = Names("");
    EXPECT_LT(phone.size(), everything);
    for (const char* name : {"Snake Classic", "Keypad Lock"}) EXPECT_TRUE(phone.contains(name)) << name;
    // Touch editions only, GPS, a larger screen.
    for (const char* name : {"Kakuro Nights", "GPS Tracker", "Word Grid"}) EXPECT_FALSE(phone.contains(name)) << name;
    int total = 0;
    Answer cats = server.Call("cats", "sessionid=" + session);
    for (pugi::xml_node top : cats.Root().child("cats").children()) total += top.attribute("count").as_int();
    EXPECT_EQ(total, static_cast<int>(phone.size()));
    // A hidden application answers 207 from every method that names it.
    const std::string app = "sessionid=" + session + "&appid=" + std::to_string(gps);
    for (const std::string call : {"appdetails?&details=1", "reviews?", "download?", "rate?&rate=4", "feedback?&text=aGk="})
        EXPECT_EQ(server.Get("/" + call.substr(0, call.find('?')) + ".xml?" + app + call.substr(call.find('?') + 1)).code, 207)
            << call;
    // A VGA touch device held in landscape still counts as VGA; with GPS it sees the maps.
    ASSERT_EQ(server.Configure(session, "wm65ppc", 640, 480, "gps,gl,accel,keypad,wifi,cam"), 0);
    const std::set<std::string> vga = Names("");
    for (const char* name : {"City Maps", "Tunnel Racer"}) EXPECT_TRUE(vga.contains(name)) << name;
    for (const char* name : {"Snake Classic", "Sensor Test"}) EXPECT_FALSE(vga.contains(name)) << name;
    // An edition the catalog does not know gets only what runs everywhere.
    ASSERT_EQ(server.Configure(session, "wmppc", 480, 800, "gps,gl,accel,keypad,wifi,cam,bt,irda,phone,cam3g"), 0);
    EXPECT_TRUE(Names("").contains("Block Drop"));
    EXPECT_FALSE(Names("").contains("Kakuro Nights"));
}

TEST_F(CatalogList, ConcurrentClientsAllGetTheirAnswers) {
    std::vector<std::thread> clients;
    std::atomic<int> good{0};
    for (int t = 0; t < 8; ++t)
        clients.emplace_back([&] {
            for (int i = 0; i < 10; ++i) good += Apps("&count=25&sort=rates").code == 0;
        });
    for (auto& c : clients) c.join();
    EXPECT_EQ(good.load(), 80);
}

}  // namespace
}  // namespace catalogd::test
