// Lists read by walking an index of their order, merging the walks of a
// category's subcategories or sorting the search index's matches must list
// exactly what filtering and sorting every row lists: the same rows in the
// same order, page by page, on a catalog larger than the sample, after
// ratings moved the order, and in a store made before those indexes existed.
#include <gtest/gtest.h>

#include <cstdlib>

#include <nlohmann/json.hpp>

#include "Catalog.h"
#include "Db.h"
#include "Ratings.h"
#include "Schema.h"
#include "Seed.h"
#include "TestCatalog.h"
#include "XmlWriter.h"

namespace catalogd::test {
namespace {

// Enough copies of the sample that a common search walks the order
// instead of reading its matches from the search index. LIST_ORDER_APPS
// runs the same comparison on a larger catalog, by hand (at 100,000 it
// takes minutes).
const int kApps = [] {
    const char* n = std::getenv("LIST_ORDER_APPS");
    return n ? std::atoi(n) : 1200;
}();

// Every row filtered and sorted in full, categories expanded per request:
// the rule the indexed lists must keep.
std::vector<int64_t> Everything(Db& db, const DeviceConfig& device, const AppFilter& f) {
    const bool lite = db.Kind() == Engine::Sqlite;
    const std::string contains = lite ? "instr" : "strpos";
    const char* tagList = lite ? "SELECT value FROM json_each(?9)" : "SELECT json_array_elements_text(CAST(?9 AS json))";
    const std::string order =
        f.sort == "rates"        ? "CASE WHEN a.rates > 0 THEN ((a.rate_sum * 200 + a.rates) / (2 * a.rates)) / 5 "
                                   "ELSE -1 END DESC, a.rates DESC, a.id"
        : f.sort == "downloads"  ? "a.downloads DESC, a.id"
        : f.sort == "views"      ? "a.views DESC, a.id"
        : f.sort == "createtime" ? "a.createtime DESC, a.id"
                                 : "a.id";
    // A search of one or two letters looks at the first rows of each
    // category's order only.
    const int64_t letters = static_cast<int64_t>(f.query.size());
    const int64_t bound = letters > 0 && letters < 3 ? kShortSearchRows : std::numeric_limits<int64_t>::max();
    // Numbering the rows sorts them in full; only a short search needs it.
    const std::string places = bound == std::numeric_limits<int64_t>::max()
        ? "(SELECT a.*, CAST(0 AS BIGINT) AS place FROM apps a) a"
        : "(SELECT a.*, ROW_NUMBER() OVER (PARTITION BY CASE WHEN CAST(?6 AS BIGINT) IS NULL THEN 0 ELSE a.catid "
          "END ORDER BY " + order + ") AS place FROM apps a) a";
    Stmt& s = db.Prepare(
        "WITH RECURSIVE sub(id) AS (SELECT CAST(?6 AS BIGINT) WHERE CAST(?6 AS BIGINT) IS NOT NULL UNION ALL "
        "SELECT c.id FROM categories c JOIN sub ON c.parent_id = sub.id) SELECT a.id FROM " + places +
        " WHERE a.place <= ?14 AND " +
        std::string(kSuitsDevice) + " AND (CAST(?6 AS BIGINT) IS NULL OR a.catid IN (SELECT id FROM sub))" +
        " AND (CAST(?7 AS TEXT) IS NULL OR (?8 IN ('', 'name') AND " + contains + "(a.name_fold, ?7) > 0)" +
        " OR (?8 IN ('', 'com') AND " + contains + "(a.company_fold, ?7) > 0)" + " OR (?8 IN ('', 'desc') AND " +
        contains + "(a.desc_fold, ?7) > 0))" +
        " AND (CAST(?9 AS TEXT) IS NULL OR (SELECT COUNT(*) FROM app_tags t JOIN tags g ON g.id = t.tag_id"
        " WHERE t.app_id = a.id AND g.name IN (" + tagList + ")) = ?10)" +
        " AND (CAST(?11 AS TEXT) IS NULL OR (?11 = 'free' AND a.type = 'free') OR (?11 = 'paid' AND a.type <> 'free'))"
        " ORDER BY " + order + " LIMIT ?12 OFFSET ?13");
    BindDevice(s, device);
    if (f.category) s.Bind(6, *f.category);
    if (!f.query.empty()) s.Bind(7, f.query);
    s.Bind(8, f.scope);
    if (!f.tags.empty()) {
        s.Bind(9, nlohmann::json(f.tags).dump());
        s.Bind(10, int64_t(f.tags.size()));
    }
    if (!f.price.empty()) s.Bind(11, f.price);
    const int64_t limit = f.count > 0 ? f.count : f.page > 0 ? 25 : std::numeric_limits<int64_t>::max();
    s.Bind(12, limit);
    s.Bind(13, f.page > 1 ? (f.page - 1) * limit : 0);
    s.Bind(14, bound);
    std::vector<int64_t> ids;
    while (s.Step()) ids.push_back(s.Int(0));
    s.Reset();
    return ids;
}

std::vector<int64_t> Listed(Db& db, const DeviceConfig& device, const AppFilter& f) {
    std::vector<int64_t> ids;
    for (const AppRow& a : Catalog(db, device).Find(f)) ids.push_back(a.id);
    return ids;
}

DeviceConfig Phone() {
    DeviceConfig phone;
    phone.configured = true;
    phone.osBit = EditionBit("wm6ppc");
    phone.shortSide = 240;
    phone.longSide = 320;
    phone.features = FeatureBit("bt") | FeatureBit("wifi");
    return phone;
}

// Each category's count, and each tag's weight, is the length of its list.
void ExpectCountsOfTheLists(Db& db, const std::string& when) {
    for (const DeviceConfig& device : {DeviceConfig{}, Phone()}) {
        Catalog catalog(db, device);
        XmlWriter cats, tags;
        catalog.WriteCategories(cats);
        catalog.WriteTags(tags);
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string((cats.Take() + tags.Take()).c_str(), pugi::parse_default | pugi::parse_fragment));
        int checked = 0;
        for (pugi::xpath_node n : doc.select_nodes("//cat")) {
            AppFilter f;
            f.category = n.node().attribute("id").as_llong();
            EXPECT_EQ(n.node().attribute("count").as_llong(), static_cast<int64_t>(Everything(db, device, f).size()))
                << when << ": category " << *f.category << ", device " << device.configured;
            ++checked;
        }
        for (pugi::xpath_node n : doc.select_nodes("//tag")) {
            AppFilter f;
            f.tags = {n.node().attribute("name").value()};
            EXPECT_EQ(n.node().attribute("weight").as_llong(), static_cast<int64_t>(Everything(db, device, f).size()))
                << when << ": tag " << f.tags[0] << ", device " << device.configured;
            ++checked;
        }
        EXPECT_GT(checked, 30) << when;
    }
}

// Every order with no category, a category without and one with
// subcategories and one that does not exist; searches too short for the
// search index (one whose matches lie past the rows such a search looks
// at), with few matches, with more than the index is asked for, limited to
// one field, and with none; pages, prices and tags in turn.
void ExpectSameLists(Db& db, const std::string& when) {
    const std::vector<std::optional<int64_t>> categories = {std::nullopt, 2, 1, 9999};
    const std::vector<std::pair<std::string, std::string>> searches = {
        {"", ""}, {"ga", ""}, {"15", ""}, {"chess", ""}, {"faster", ""}, {"drop", "name"}, {"faster", "desc"}, {"zqxj", ""}};
    int n = 0;
    for (const DeviceConfig& device : {DeviceConfig{}, Phone()})
        for (const char* sort : {"", "rates", "downloads", "views", "createtime"})
            for (const auto& category : categories)
                for (const auto& [query, scope] : searches) {
                    AppFilter f;
                    f.sort = sort;
                    f.category = category;
                    f.query = query;
                    f.scope = scope;
                    f.price = n % 5 == 1 ? "free" : n % 5 == 3 ? "paid" : "";
                    if (n % 7 == 2) f.tags = {"online"};
                    if (n % 7 == 5) f.tags = {"classic", "puzzle"};
                    if (n % 4 != 3) {
                        f.count = n % 4 == 0 ? 25 : 7;
                        f.page = n % 3 + 1;
                    }
                    ++n;
                    const std::vector<int64_t> expected = Everything(db, device, f);
                    ASSERT_EQ(Listed(db, device, f), expected)
                        << when << ": sort " << sort << ", category " << category.value_or(0) << ", search \""
                        << query << "\" in " << scope << ", price " << f.price << ", count " << f.count
                        << ", page " << f.page << ", device " << device.configured;
                }
}

class ListOrder : public ::testing::Test {
protected:
    void SetUp() override { SeedCatalog(db, {files.Path().string(), kApps, ""}); }

    TestStore store;
    TempDir files;
    Db db{store.Location()};
};

TEST_F(ListOrder, IndexedListsListWhatSortingEveryRowLists) {
    ExpectSameLists(db, "seeded");
    ExpectCountsOfTheLists(db, "seeded");
    // The two-letter search whose matches lie past the rows it looks at,
    // alone and narrowed by a tag whose own list holds some of them.
    AppFilter late;
    late.query = "15";
    EXPECT_LT(Listed(db, DeviceConfig{}, late).size(), static_cast<size_t>(*db.QueryInt(
        "SELECT COUNT(*) FROM apps WHERE name_fold LIKE '%15%' OR company_fold LIKE '%15%' OR desc_fold LIKE '%15%'")));
    late.tags = {"online"};
    EXPECT_EQ(Listed(db, DeviceConfig{}, late), Everything(db, DeviceConfig{}, late));
    EXPECT_GT(db.QueryInt("SELECT COUNT(*) FROM apps a JOIN app_tags t ON t.app_id = a.id JOIN tags g ON g.id = "
                          "t.tag_id WHERE g.name = 'online' AND a.name_fold LIKE '%15%'"), 0);
    // Enough matches that the common search walks the order (see
    // kFewMatches), and too few for the rare one.
    ASSERT_GT(db.QueryInt("SELECT COUNT(*) FROM apps WHERE desc_fold LIKE '%faster%'"), 600);

    // Ratings move applications up and down the rating order, ties and all.
    const int64_t demo = *db.QueryInt("SELECT id FROM accounts WHERE login = 'demo'");
    Ratings ratings(db);
    for (int64_t app = 1; app <= kApps; app += 37) ASSERT_EQ(ratings.Rate(demo, app, 1 + app % 5, "", 1), kOk);
    for (int64_t app = 1; app <= kApps; app += 74) ASSERT_EQ(ratings.Rate(demo, app, 5 - app % 5, "", 2), kOk);
    ExpectSameLists(db, "rated");
}

TEST_F(ListOrder, AStoreMadeBeforeTheIndexesGetsThemOnStart) {
    // A store of the version before: no stored rating key, no table of
    // descendants, no search index.
    for (const char* index : {"apps_by_rating", "apps_by_cat_rating"}) db.Exec(std::string("DROP INDEX ") + index);
    db.Exec("ALTER TABLE apps DROP COLUMN rate_rank");
    db.Exec("DROP TABLE category_tree");
    db.Exec("DROP TABLE category_counts");
    db.Exec("DROP TABLE tag_counts");
    if (db.Kind() == Engine::Sqlite) db.Exec("DROP TABLE apps_search");
    else db.Exec("DROP INDEX apps_search_name_fold, apps_search_company_fold, apps_search_desc_fold");
    CreateSchema(db);
    ExpectSameLists(db, "migrated");
    ExpectCountsOfTheLists(db, "migrated");
    // The search index follows later changes of the texts.
    db.Exec("UPDATE apps SET name_fold = 'quizzical' WHERE id = 5");
    AppFilter f;
    f.query = "quizz";
    EXPECT_EQ(Listed(db, DeviceConfig{}, f), std::vector<int64_t>{5});
}

}  // namespace
}  // namespace catalogd::test
