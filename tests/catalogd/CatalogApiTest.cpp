// Catalog answers: the category tree, tags, every filter and sort of the
// application lists, details, and what a configured device gets to see.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "Seed.h"
#include "SeedData.h"
#include "TestCatalog.h"

namespace catalogd::test {
namespace {

struct Listed {
    int id;
    std::string name, com, type, sysid, install;
    int catid, rates, views, downloads, revision;
    double rate;
    int64_t createtime;
};

class CatalogApi : public ::testing::Test {
protected:
    TestServer server;
    std::string session = server.SignIn();

    std::vector<Listed> GetApps(const std::string& query, int* code = nullptr) const {
        Answer a = server.Call("getapps", "sessionid=" + session + query);
        if (code) *code = a.code;
        std::vector<Listed> out;
        for (pugi::xml_node n : a.Root().child("getapps").children())
            out.push_back({n.attribute("id").as_int(), n.attribute("name").value(), n.attribute("com").value(),
                           n.attribute("type").value(), n.attribute("sysid").value(), n.attribute("install").value(),
                           n.attribute("catid").as_int(), n.attribute("rates").as_int(), n.attribute("views").as_int(),
                           n.attribute("downloads").as_int(), n.attribute("revision").as_int(),
                           n.attribute("rate").as_double(), n.attribute("createtime").as_llong()});
        return out;
    }
    std::set<std::string> Names(const std::string& query) const {
        std::set<std::string> names;
        for (const auto& a : GetApps(query)) names.insert(a.name);
        return names;
    }
};

TEST_F(CatalogApi, SampleCatalogIsLargeAndVaried) {
    std::vector<Listed> all = GetApps("");
    ASSERT_GE(all.size(), 80u);
    std::set<std::string> types;
    int byUrl = 0, byName = 0, nonAscii = 0;
    for (const auto& a : all) {
        types.insert(a.type);
        (a.install.find('/') != std::string::npos ? byUrl : byName)++;
        if (std::any_of(a.name.begin(), a.name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
            ++nonAscii;
    }
    EXPECT_EQ(types, (std::set<std::string>{"free", "paid", "trial", "demo"}));
    EXPECT_GT(byUrl, 10);
    EXPECT_GT(byName, 10);
    EXPECT_GT(nonAscii, 3);
    EXPECT_TRUE(Names("").contains("Cards & Dice \"Deluxe\""));
    EXPECT_TRUE(Names("").contains("Memo <Pro>"));
}

TEST_F(CatalogApi, CategoryCountsCoverDescendants) {
    Answer a = server.Call("cats", "sessionid=" + session);
    ASSERT_EQ(a.code, 0);
    pugi::xml_node cats = a.Root().child("cats");
    int tops = 0, subs = 0, total = 0;
    for (pugi::xml_node top : cats.children()) {
        ++tops;
        int children = 0;
        for (pugi::xml_node sub : top.children()) {
            ++subs;
            children += sub.attribute("count").as_int();
            EXPECT_EQ(sub.attribute("count").as_int(),
                      static_cast<int>(GetApps("&cat=" + std::string(sub.attribute("id").value())).size()));
        }
        int count = top.attribute("count").as_int();
        EXPECT_GE(count, children);
        EXPECT_EQ(count, static_cast<int>(GetApps("&cat=" + std::string(top.attribute("id").value())).size()))
            << top.attribute("name").value();
        total += count;
    }
    EXPECT_GE(tops, 4);
    EXPECT_GE(subs, 6);
    EXPECT_EQ(total, static_cast<int>(GetApps("").size()));
}

TEST_F(CatalogApi, TagWeightsCountTheApplicationsCarryingThem) {
    Answer a = server.Call("tags", "sessionid=" + session);
    ASSERT_EQ(a.code, 0);
    int checked = 0;
    for (pugi::xml_node tag : a.Root().child("tags").children()) {
        int weight = tag.attribute("weight").as_int();
        EXPECT_GT(weight, 0);
        if (checked++ < 6) {
            EXPECT_EQ(weight, static_cast<int>(GetApps("&tags=" + Encoded(tag.attribute("name").value())).size()));
        }
    }
    EXPECT_GT(checked, 20);
}

TEST_F(CatalogApi, FiltersNarrowTheList) {
    // Category with its descendants.
    for (const auto& a : GetApps("&cat=1")) EXPECT_TRUE(a.catid >= 1 && a.catid <= 4) << a.name;
    EXPECT_TRUE(GetApps("&cat=424242").empty());
    // Case-insensitive search in every field, Unicode letters included.
    EXPECT_TRUE(Names("&query=" + Encoded("ЛОГИКА")).contains("Логика"));
    EXPECT_TRUE(Names("&query=" + Encoded("čTEČKA")).contains("Čtečka knih"));
    EXPECT_TRUE(Names("&query=" + Encoded("  stimmgerät ü ")).contains("Stimmgerät Ü"));
    // Scope: a company name is found in "com" but not in "name".
    EXPECT_FALSE(Names("&query=" + Encoded("northwind") + "&in=com").empty());
    for (const auto& a : GetApps("&query=" + Encoded("northwind") + "&in=com")) EXPECT_EQ(a.com, "Northwind");
    EXPECT_TRUE(Names("&query=" + Encoded("northwind") + "&in=name").empty());
    EXPECT_TRUE(Names("&query=" + Encoded("stylus") + "&in=desc").contains("Chess Pocket"));
    EXPECT_TRUE(Names("&query=" + Encoded("stylus") + "&in=name").empty());
    // Tags: every one of them.
    std::set<std::string> both = Names("&tags=" + Encoded("puzzle,logic"));
    EXPECT_TRUE(both.contains("Sudoku Master"));
    EXPECT_FALSE(both.contains("Block Drop"));  // puzzle, but not logic
    EXPECT_EQ(both, Names("&tags=" + Encoded(" logic , puzzle,,")));
    EXPECT_TRUE(Names("&tags=" + Encoded("puzzle,nosuchtag")).empty());
    // Price: "paid" is everything that is not free.
    size_t all = GetApps("").size(), free = 0, paid = 0;
    for (const auto& a : GetApps("&price=free")) {
        EXPECT_EQ(a.type, "free");
        ++free;
    }
    for (const auto& a : GetApps("&price=paid")) {
        EXPECT_NE(a.type, "free");
        ++paid;
    }
    EXPECT_EQ(free + paid, all);
    EXPECT_GT(free, 0u);
    EXPECT_GT(paid, 0u);
}

TEST_F(CatalogApi, PagesSliceTheSortedList) {
    std::vector<Listed> all = GetApps("&sort=downloads");
    std::vector<Listed> p1 = GetApps("&count=25&sort=downloads");
    std::vector<Listed> p2 = GetApps("&count=25&page=2&sort=downloads");
    ASSERT_EQ(p1.size(), 25u);
    ASSERT_EQ(p2.size(), 25u);
    for (size_t i = 0; i < 25; ++i) {
        EXPECT_EQ(p1[i].id, all[i].id);
        EXPECT_EQ(p2[i].id, all[25 + i].id);
    }
    EXPECT_TRUE(GetApps("&count=25&page=99").empty());
}

TEST_F(CatalogApi, EverySortOrdersDescending) {
    auto check = [&](const std::string& key, auto before) {
        std::vector<Listed> list = GetApps("&sort=" + key);
        ASSERT_GE(list.size(), 80u);
        for (size_t i = 1; i < list.size(); ++i) EXPECT_TRUE(before(list[i - 1], list[i])) << key << " at " << i;
    };
    check("downloads", [](const Listed& a, const Listed& b) { return a.downloads >= b.downloads; });
    check("views", [](const Listed& a, const Listed& b) { return a.views >= b.views; });
    check("createtime", [](const Listed& a, const Listed& b) { return a.createtime >= b.createtime; });
    // Ratings within 0.05 of each other are a tie that the number of ratings breaks.
    check("rates", [](const Listed& a, const Listed& b) {
        int ba = static_cast<int>(a.rate * 20 + 1e-6), bb = static_cast<int>(b.rate * 20 + 1e-6);
        return ba > bb || (ba == bb && a.rates >= b.rates);
    });
    std::vector<Listed> rated = GetApps("&sort=rates");
    EXPECT_GT(rated.front().rate, rated.back().rate);
}

TEST_F(CatalogApi, DetailsByIdCarryDescriptionTagsAndPicturesAndCountAView) {
    std::vector<Listed> hits = GetApps("&query=" + Encoded("Chess Pocket") + "&in=name");
    ASSERT_EQ(hits.size(), 1u);
    std::string q = "sessionid=" + session + "&appid=" + std::to_string(hits[0].id) + "&details=1";
    Answer a = server.Call("appdetails", q);
    ASSERT_EQ(a.code, 0);
    pugi::xml_node app = a.Root().child("appdetails").child("app");
    for (const char* attr : {"id", "name", "com", "icon", "type", "catid", "rate", "rates", "reviews", "views",
                             "downloads", "version", "revision", "sysid", "exe", "install", "createtime"})
        EXPECT_TRUE(app.attribute(attr)) << attr;
    EXPECT_EQ(app.attribute("views").as_int(), hits[0].views);
    pugi::xml_node details = app.child("details");
    EXPECT_NE(std::string(details.attribute("desc").value()).find("--br--"), std::string::npos);
    EXPECT_TRUE(details.child("tags").find_child_by_attribute("name", "board"));
    int pictures = 0;
    for (pugi::xml_node p : details.child("pictures").children()) {
        ++pictures;
        auto res = server.Client().Get(std::string(p.attribute("url").value()).substr(
            std::string("http://127.0.0.1:" + std::to_string(server.Port())).size()));
        ASSERT_TRUE(res) << p.attribute("url").value();
        EXPECT_EQ(res->status, 200);
    }
    EXPECT_GE(pictures, 1);
    EXPECT_LE(pictures, 4);
    EXPECT_EQ(server.Call("appdetails", q).Root().child("appdetails").child("app").attribute("views").as_int(),
              hits[0].views + 1);
}

TEST_F(CatalogApi, DetailsBySysidServeTheUpdateCheck) {
    Answer a = server.Call("appdetails", "sessionid=" + session + "&sysid=" + Escaped(kStoreSysid) + "&details=0");
    ASSERT_EQ(a.code, 0);
    pugi::xml_node app = a.Root().child("appdetails").child("app");
    EXPECT_EQ(app.attribute("revision").as_int(), kStoreRevision);
    EXPECT_STREQ(app.attribute("version").value(), kStoreVersion);
    EXPECT_FALSE(app.child("details"));
    int views = app.attribute("views").as_int();
    a = server.Call("appdetails", "sessionid=" + session + "&sysid=" + Escaped("Мостик Логика") + "&details=0");
    EXPECT_STREQ(a.Root().child("appdetails").child("app").attribute("name").value(), "Логика");
    a = server.Call("appdetails", "sessionid=" + session + "&sysid=" + Escaped(kStoreSysid) + "&details=0");
    EXPECT_EQ(a.Root().child("appdetails").child("app").attribute("views").as_int(), views);  // no view counted
    EXPECT_EQ(server.Call("appdetails", "sessionid=" + session + "&sysid=Nobody%20Nothing&details=0").code, 207);
    EXPECT_EQ(server.Call("appdetails", "sessionid=" + session + "&appid=0&details=1").code, 207);
}

TEST_F(CatalogApi, ConfiguredDeviceSeesOnlyWhatSuitsIt) {
    size_t everything = GetApps("").size();
    // A small smartphone without extras.
    ASSERT_EQ(server.Configure(session, "wm6sp", 176, 220, "keypad"), 0);
    std::set<std::string> phone = Names("");
    EXPECT_LT(phone.size(), everything);
    EXPECT_TRUE(phone.contains("Snake Classic"));     // smartphone edition
    EXPECT_TRUE(phone.contains("Keypad Lock"));       // needs the keypad it has
    EXPECT_FALSE(phone.contains("Kakuro Nights"));    // touch editions only
    EXPECT_FALSE(phone.contains("City Maps"));        // needs GPS and a larger screen
    EXPECT_FALSE(phone.contains("GPS Tracker"));      // needs GPS
    EXPECT_FALSE(phone.contains("Word Grid"));        // larger screen
    int total = 0;
    Answer cats = server.Call("cats", "sessionid=" + session);
    for (pugi::xml_node top : cats.Root().child("cats").children()) total += top.attribute("count").as_int();
    EXPECT_EQ(total, static_cast<int>(phone.size()));

    // A hidden application answers 207 from every method that names it.
    Answer hidden = server.Call("appdetails", "sessionid=" + session + "&sysid=" + Escaped("Fjord GPS Tracker"));
    EXPECT_EQ(hidden.code, 207);
    session = server.SignIn();  // a fresh session sees everything again
    int id = GetApps("&query=" + Encoded("GPS Tracker") + "&in=name").at(0).id;
    ASSERT_EQ(server.Configure(session, "wm6sp", 176, 220, "keypad"), 0);
    std::string app = "sessionid=" + session + "&appid=" + std::to_string(id);
    for (const char* method : {"appdetails", "reviews", "download"})
        EXPECT_EQ(server.Call(method, app + "&details=1").code, 207) << method;
    EXPECT_EQ(server.Call("rate", app + "&rate=4").code, 207);
    EXPECT_EQ(server.Call("feedback", app + "&text=" + Encoded("hi")).code, 207);

    // A VGA touch device held in landscape still counts as VGA; with GPS it sees the maps.
    ASSERT_EQ(server.Configure(session, "wm65ppc", 640, 480, "gps,gl,accel,keypad,wifi,cam"), 0);
    std::set<std::string> vga = Names("");
    EXPECT_TRUE(vga.contains("City Maps"));
    EXPECT_TRUE(vga.contains("Tunnel Racer"));
    EXPECT_FALSE(vga.contains("Snake Classic"));
    EXPECT_FALSE(vga.contains("Sensor Test"));  // needs a WVGA screen
    EXPECT_EQ(server.Call("appdetails", app + "&details=1").code, 0);
    // An edition the catalog does not know gets only what runs everywhere.
    ASSERT_EQ(server.Configure(session, "wmppc", 480, 800, "gps,gl,accel,keypad,wifi,cam,bt,irda,phone,cam3g"), 0);
    std::set<std::string> unknown = Names("");
    EXPECT_TRUE(unknown.contains("Block Drop"));
    EXPECT_FALSE(unknown.contains("Kakuro Nights"));
}

TEST_F(CatalogApi, ConcurrentClientsAllGetTheirAnswers) {
    std::vector<std::thread> clients;
    std::atomic<int> good{0};
    for (int t = 0; t < 8; ++t)
        clients.emplace_back([&] {
            for (int i = 0; i < 10; ++i)
                if (server.Call("getapps", "sessionid=" + session + "&count=25&sort=rates").code == 0) ++good;
        });
    for (auto& c : clients) c.join();
    EXPECT_EQ(good.load(), 80);
}

}  // namespace
}  // namespace catalogd::test
