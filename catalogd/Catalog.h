#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DeviceConfig.h"

namespace catalogd {

class Db;
class Stmt;
class XmlWriter;
// How a list is read (Catalog.cpp).
struct ListPage;
struct ListOrder;

struct AppRow {
    int64_t id = 0;
    int64_t catid = 0;
    std::string name;
    std::string company;
    std::string icon;     // path below the files URL
    std::string type;
    int64_t rateSum = 0;
    int64_t rates = 0;
    int64_t reviews = 0;
    int64_t views = 0;
    int64_t downloads = 0;
    std::string version;
    int64_t revision = 0;
    std::string sysid;
    std::string exe;
    std::string install;  // a path below the files URL when it holds "/", else a file name
    std::string package;  // the package file below the assets folder
    int64_t createtime = 0;
    std::string sha256;   // of the package file; empty when not recorded
    int64_t packageSize = 0;
    std::string packageKey;        // id of the key that signed the statement
    std::string packageSignature;  // empty when the package was never signed
    int64_t rateRank = -1;         // the rating order's first key
};

// The search of "getapps". Empty texts and negative numbers mean "not given".
struct AppFilter {
    std::optional<int64_t> category;  // the category and everything below it
    std::string query;                // already case-folded
    std::string scope;                // "name", "com", "desc" or "" for all three
    std::vector<std::string> tags;    // an application must carry all of them
    std::string price;                // "free", "paid" or ""
    std::string sort;                 // "rates", "downloads", "views", "createtime" or ""
    int64_t count = -1;
    int64_t page = -1;                // counted from 1
};

// A search shorter than three letters has no index to look in and compares
// each row it walks; it looks only at this many applications of the list's
// order (of each category's order, in a category with subcategories), so
// that a pair of letters no one uses does not read the whole catalog.
// Catalogs of up to this many applications answer it in full.
inline constexpr int64_t kShortSearchRows = 1000;

// Read side of the catalog, always as one device sees it.
class Catalog {
public:
    Catalog(Db& db, const DeviceConfig& device) : db(db), device(device) {}

    // <cats> with nested <cat id name count>; a count covers the category
    // and its descendants.
    void WriteCategories(XmlWriter& xml);
    // <tags> with <tag name weight>; the weight is the number of
    // applications carrying the tag.
    void WriteTags(XmlWriter& xml);
    std::vector<AppRow> Find(const AppFilter& filter);
    std::optional<AppRow> ById(int64_t id);
    std::optional<AppRow> BySysid(std::string_view sysid);

    std::string Description(int64_t appId);
    std::vector<std::string> TagsOf(int64_t appId);
    std::vector<std::string> ScreenshotsOf(int64_t appId);

    void CountView(int64_t appId);
    void CountDownload(int64_t appId);

private:
    // A list walked in its order, within one category or the whole catalog.
    std::vector<AppRow> Walk(const AppFilter& f, const ListOrder& order, std::optional<int64_t> category,
                             const ListPage& page);
    // The same walk looking at no more than `rows` rows of the order: the
    // page, or nothing when those rows hold too few matches to fill it.
    std::optional<std::vector<AppRow>> WalkFirst(const AppFilter& f, const ListOrder& order, const ListPage& page,
                                                 int64_t rows);
    struct Walked {
        std::vector<AppRow> rows;
        // False when the walk stopped at its last chunk with the page not
        // full and rows of the order left unread.
        bool complete = true;
    };
    Walked WalkChunks(const AppFilter& f, const ListOrder& order, std::optional<int64_t> category,
                      const ListPage& page, int64_t firstChunk, int64_t lastChunk);
    // Where a list's candidate rows can come from other than its order.
    enum class Hits { Search, Tag };
    // The candidates' rows that pass the filter, sorted.
    std::vector<AppRow> FromHits(const AppFilter& f, Hits source, const ListOrder& order, const ListPage& page);
    // How many candidates there are, counting no further than where walking
    // the order becomes the cheaper way.
    int64_t HitCount(const AppFilter& f, Hits source);
    std::vector<int64_t> Subtree(int64_t category);
    std::string FilterSql() const;
    std::string HitsSql(const AppFilter& f, Hits source, int parameter) const;
    void BindFilter(Stmt& s, const AppFilter& f, const ListPage& page);
    void BindHits(Stmt& s, const AppFilter& f, Hits source, int parameter);
    static std::vector<AppRow> Rows(Stmt& s);

    template <typename K>
    std::optional<AppRow> One(const char* where, const K& key);

    Db& db;
    const DeviceConfig& device;
};

// Opens an <app> element with every attribute the client reads; the caller
// closes it (details may go inside). `filesUrl` ends with "/".
void WriteApp(XmlWriter& xml, const AppRow& app, std::string_view filesUrl);

// The average of `count` ratings summing to `sum`, rounded half up to two
// decimals without trailing zeros: "3.5", "4.27", "0".
std::string FormatRate(int64_t sum, int64_t count);

}  // namespace catalogd
