#include "Catalog.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iterator>
#include <limits>
#include <map>
#include <tuple>

#include "Db.h"
#include "Schema.h"
#include "TextFold.h"
#include "XmlWriter.h"

namespace catalogd {
namespace {

constexpr const char* kAppColumns =
    "a.id, a.catid, a.name, a.company, a.icon, a.type, a.rate_sum, a.rates, a.reviews, a.views, a.downloads, "
    "a.version, a.revision, a.sysid, a.exe, a.install, a.package, a.createtime, a.sha256, a.package_size, a.package_key, a.package_sig, "
    "a.rate_rank";

AppRow ReadApp(const Stmt& s) {
    AppRow r;
    r.id = s.Int(0);
    r.catid = s.Int(1);
    r.name = s.Text(2);
    r.company = s.Text(3);
    r.icon = s.Text(4);
    r.type = s.Text(5);
    r.rateSum = s.Int(6);
    r.rates = s.Int(7);
    r.reviews = s.Int(8);
    r.views = s.Int(9);
    r.downloads = s.Int(10);
    r.version = s.Text(11);
    r.revision = s.Int(12);
    r.sysid = s.Text(13);
    r.exe = s.Text(14);
    r.install = s.Text(15);
    r.package = s.Text(16);
    r.createtime = s.Int(17);
    r.sha256 = s.Text(18);
    r.packageSize = s.Int(19);
    r.packageKey = s.Text(20);
    r.packageSignature = s.Text(21);
    r.rateRank = s.Int(22);
    return r;
}

}  // namespace

// A list's order, in SQL (walked by the index of that order) and as a
// comparison of two rows, for merging the lists of several categories.
// Every order ends with the id, so it is total and pages never overlap.
struct ListOrder {
    std::string_view name;
    const char* sql;
    bool (*before)(const AppRow&, const AppRow&);
};

// Rating order: averages within the same 0.05 step count as equal (the
// stored rate_rank, see kRateRank), and then the application more people
// rated comes first.
constexpr ListOrder kOrders[] = {
    {"rates", "a.rate_rank DESC, a.rates DESC, a.id",
     [](const AppRow& x, const AppRow& y) { return std::tie(y.rateRank, y.rates, x.id) < std::tie(x.rateRank, x.rates, y.id); }},
    {"downloads", "a.downloads DESC, a.id",
     [](const AppRow& x, const AppRow& y) { return std::tie(y.downloads, x.id) < std::tie(x.downloads, y.id); }},
    {"views", "a.views DESC, a.id",
     [](const AppRow& x, const AppRow& y) { return std::tie(y.views, x.id) < std::tie(x.views, y.id); }},
    {"createtime", "a.createtime DESC, a.id",
     [](const AppRow& x, const AppRow& y) { return std::tie(y.createtime, x.id) < std::tie(x.createtime, y.id); }},
    {"", "a.id", [](const AppRow& x, const AppRow& y) { return x.id < y.id; }},
};

namespace {

const ListOrder& OrderOf(std::string_view sort) {
    for (const ListOrder& o : kOrders)
        if (o.name == sort) return o;
    return kOrders[std::size(kOrders) - 1];
}

// Below this many matches a search reads its matches from the search index
// and sorts them; from it on, matches are common enough that walking the
// list's order and comparing each row finds a page sooner.
// Either way costs a few milliseconds at the threshold: reading and sorting
// 500 matches, or walking 100,000 rows to find a page among 500.
constexpr int64_t kFewMatches = 500;
// Shorter searches have no three letters for the search index to look up.
constexpr size_t kIndexedSearchChars = 3;
constexpr int64_t kNoLimit = std::numeric_limits<int64_t>::max();
// The rows of an order a list looks at first: twice the rows up to the end
// of the page (most handhelds see most applications), at least this many.
constexpr int64_t kFirstChunk = 64;
// How far the shared engine looks into an order for a search's first page
// before it asks the search index. Counting a common word's matches there
// reads the index's whole list for the word, which grows with the catalog;
// a word one application in twenty has fills a page within this many rows,
// and a rarer one pays for reading them (about 5 ms at 100,000 applications,
// against 15 to 20 ms for counting a common word there).
constexpr int64_t kSearchProbeRows = 512;

}  // namespace

struct ListPage {
    int64_t limit = kNoLimit;
    int64_t offset = 0;
};

namespace {

ListPage PageOf(const AppFilter& f) {
    ListPage p;
    if (f.count > 0 || f.page > 0) {
        p.limit = f.count > 0 ? f.count : 25;
        p.offset = f.page > 1 ? (f.page - 1) * p.limit : 0;
    }
    return p;
}

// The rows of a page out of the rows before its end, already in order.
std::vector<AppRow> Slice(std::vector<AppRow> rows, const ListPage& page) {
    if (static_cast<uint64_t>(page.offset) >= rows.size()) return {};
    rows.erase(rows.begin(), rows.begin() + page.offset);
    if (static_cast<uint64_t>(page.limit) < rows.size()) rows.resize(static_cast<size_t>(page.limit));
    return rows;
}

std::string Quoted(std::string_view text, char quote) {
    std::string out(1, quote);
    for (char c : text) {
        if (c == quote) out.push_back(quote);
        out.push_back(c);
    }
    return out + quote;
}

std::string LikeEscaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '%' || c == '_') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

struct CatNode {
    int64_t id;
    std::string name;
    int64_t own = 0;
    std::vector<size_t> children;
};

int64_t SubtreeCount(const std::vector<CatNode>& nodes, size_t i) {
    int64_t n = nodes[i].own;
    for (size_t c : nodes[i].children) n += SubtreeCount(nodes, c);
    return n;
}

void WriteCategory(XmlWriter& xml, const std::vector<CatNode>& nodes, size_t i) {
    xml.Start("cat").Attr("id", nodes[i].id).Attr("name", nodes[i].name).Attr("count", SubtreeCount(nodes, i));
    for (size_t c : nodes[i].children) WriteCategory(xml, nodes, c);
    xml.End();
}

}  // namespace

std::string FormatRate(int64_t sum, int64_t count) {
    if (count <= 0 || sum <= 0) return "0";
    int64_t hundredths = (sum * 200 + count) / (2 * count);
    std::string s = std::to_string(hundredths / 100);
    int64_t frac = hundredths % 100;
    if (frac != 0) {
        s += '.';
        s += static_cast<char>('0' + frac / 10);
        if (frac % 10 != 0) s += static_cast<char>('0' + frac % 10);
    }
    return s;
}

void WriteApp(XmlWriter& xml, const AppRow& a, std::string_view filesUrl) {
    std::string icon = std::string(filesUrl) + a.icon;
    std::string install = a.install.find('/') != std::string::npos ? std::string(filesUrl) + a.install : a.install;
    xml.Start("app")
        .Attr("id", a.id)
        .Attr("name", a.name)
        .Attr("com", a.company)
        .Attr("icon", icon)
        .Attr("type", a.type)
        .Attr("catid", a.catid)
        .Attr("rate", FormatRate(a.rateSum, a.rates))
        .Attr("rates", a.rates)
        .Attr("reviews", a.reviews)
        .Attr("views", a.views)
        .Attr("downloads", a.downloads)
        .Attr("version", a.version)
        .Attr("revision", a.revision)
        .Attr("sysid", a.sysid)
        .Attr("exe", a.exe)
        .Attr("install", install)
        .Attr("createtime", a.createtime);
}

void Catalog::WriteCategories(XmlWriter& xml) {
    std::map<int64_t, int64_t> own;
    {
        // The counts of each set of device needs: the device filter reads
        // the same columns there as in apps.
        Stmt& s = db.Prepare(std::string("SELECT a.catid, SUM(a.apps) FROM category_counts a WHERE ") +
                             kSuitsDevice + " GROUP BY a.catid");
        BindDevice(s, device);
        while (s.Step()) own[s.Int(0)] = s.Int(1);
        s.Reset();
    }
    std::vector<CatNode> nodes;
    std::map<int64_t, size_t> index;
    std::vector<std::pair<size_t, int64_t>> parents;
    Stmt& s = db.Prepare("SELECT id, name, parent_id FROM categories ORDER BY position, id");
    while (s.Step()) {
        index[s.Int(0)] = nodes.size();
        parents.emplace_back(nodes.size(), s.IsNull(2) ? -1 : s.Int(2));
        nodes.push_back({s.Int(0), s.Text(1), own[s.Int(0)], {}});
    }
    s.Reset();
    std::vector<size_t> roots;
    for (auto [i, parent] : parents) {
        auto it = index.find(parent);
        if (it == index.end()) roots.push_back(i);
        else nodes[it->second].children.push_back(i);
    }
    xml.Start("cats");
    for (size_t r : roots) WriteCategory(xml, nodes, r);
    xml.End();
}

void Catalog::WriteTags(XmlWriter& xml) {
    Stmt& s = db.Prepare(std::string("SELECT g.name, SUM(a.apps) FROM tags g JOIN tag_counts a ON a.tag_id = g.id "
                                      "WHERE ") +
                         kSuitsDevice + " GROUP BY g.id ORDER BY g.name");
    BindDevice(s, device);
    xml.Start("tags");
    while (s.Step()) xml.Start("tag").Attr("name", s.Text(0)).Attr("weight", s.Int(1)).End();
    s.Reset();
    xml.End();
}

std::vector<AppRow> Catalog::Find(const AppFilter& f) {
    const ListOrder& order = OrderOf(f.sort);
    const ListPage page = PageOf(f);
    const bool indexed = CharCount(f.query) >= kIndexedSearchChars;
    // A tag few applications carry: its own rows, read from the tag's
    // index (a short search's walk is bounded anyway, and keeps its rule).
    if (!f.tags.empty() && (f.query.empty() || indexed) && HitCount(f, Hits::Tag) < kFewMatches)
        return FromHits(f, Hits::Tag, order, page);
    if (indexed && db.Kind() == Engine::Postgres && !f.category)
        if (auto rows = WalkFirst(f, order, page, kSearchProbeRows)) return std::move(*rows);
    // A list without pages holds every match: the search index finds them
    // sooner than a walk of the whole order does.
    if (indexed && (page.limit == kNoLimit || HitCount(f, Hits::Search) < kFewMatches))
        return FromHits(f, Hits::Search, order, page);
    if (!f.category) return Walk(f, order, std::nullopt, page);
    const std::vector<int64_t> cats = Subtree(*f.category);
    if (cats.size() <= 1) return Walk(f, order, *f.category, page);
    // Each category's list up to the end of the page, walked by its own
    // index, then merged: the work grows with the tree and the page, not
    // with the catalog.
    const ListPage head{page.limit == kNoLimit ? kNoLimit : page.offset + page.limit, 0};
    std::vector<AppRow> rows;
    for (int64_t cat : cats) {
        std::vector<AppRow> part = Walk(f, order, cat, head);
        std::move(part.begin(), part.end(), std::back_inserter(rows));
    }
    std::sort(rows.begin(), rows.end(), order.before);
    return Slice(std::move(rows), page);
}

std::string Catalog::FilterSql() const {
    // Every condition is switched off by binding NULL, so the statement
    // cache stays small whatever is asked; parameters that only meet NULL
    // checks are cast so that the shared engine knows their type. The
    // search's rule is the folded substring whichever way the rows were
    // found.
    const bool lite = db.Kind() == Engine::Sqlite;
    const std::string contains = lite ? "instr" : "strpos";
    const char* tagList = lite ? "SELECT value FROM json_each(?9)" : "SELECT json_array_elements_text(CAST(?9 AS json))";
    return std::string(kSuitsDevice) + " AND (CAST(?7 AS TEXT) IS NULL OR (?8 IN ('', 'name') AND " + contains +
           "(a.name_fold, ?7) > 0) OR (?8 IN ('', 'com') AND " + contains + "(a.company_fold, ?7) > 0)"
           " OR (?8 IN ('', 'desc') AND " + contains + "(a.desc_fold, ?7) > 0))"
           " AND (CAST(?9 AS TEXT) IS NULL OR (SELECT COUNT(*) FROM app_tags t JOIN tags g ON g.id = t.tag_id"
           " WHERE t.app_id = a.id AND g.name IN (" + tagList + ")) = ?10)"
           " AND (CAST(?11 AS TEXT) IS NULL OR (?11 = 'free' AND a.type = 'free') OR (?11 = 'paid' AND a.type <> 'free'))";
}

void Catalog::BindFilter(Stmt& s, const AppFilter& f, const ListPage& page) {
    BindDevice(s, device);
    if (!f.query.empty()) s.Bind(7, f.query);
    s.Bind(8, f.scope);
    if (!f.tags.empty()) {
        s.Bind(9, nlohmann::json(f.tags).dump());
        s.Bind(10, int64_t(f.tags.size()));
    }
    if (!f.price.empty()) s.Bind(11, f.price);
    s.Bind(12, page.limit);
    s.Bind(13, page.offset);
}

std::vector<AppRow> Catalog::Rows(Stmt& s) {
    std::vector<AppRow> apps;
    while (s.Step()) apps.push_back(ReadApp(s));
    s.Reset();
    return apps;
}

std::vector<AppRow> Catalog::Walk(const AppFilter& f, const ListOrder& order, std::optional<int64_t> category,
                                  const ListPage& page) {
    const int64_t end = page.limit == kNoLimit ? kNoLimit : page.offset + page.limit;
    // A search too short for the search index compares every row it walks;
    // without a bound, one that matches nothing would read the catalog.
    const bool shortSearch = !f.query.empty() && CharCount(f.query) < kIndexedSearchChars;
    const int64_t bound = shortSearch ? kShortSearchRows : kNoLimit;
    const int64_t first = end == kNoLimit ? kNoLimit : std::max(kFirstChunk, end * 2);
    return WalkChunks(f, order, category, page, std::min(first, bound), bound).rows;
}

std::optional<std::vector<AppRow>> Catalog::WalkFirst(const AppFilter& f, const ListOrder& order,
                                                      const ListPage& page, int64_t rows) {
    if (page.limit == kNoLimit || page.offset + page.limit > rows) return std::nullopt;
    Walked walked = WalkChunks(f, order, std::nullopt, page, rows, rows);
    if (!walked.complete) return std::nullopt;
    return std::move(walked.rows);
}

Catalog::Walked Catalog::WalkChunks(const AppFilter& f, const ListOrder& order, std::optional<int64_t> category,
                                    const ListPage& page, int64_t firstChunk, int64_t lastChunk) {
    // Within one category the condition names it alone, so that the
    // category's own index of the order is walked.
    const std::string scope = category ? " WHERE a.catid = ?6" : "";
    const std::string tail = std::string(category ? "" : "CAST(?6 AS BIGINT) IS NULL AND ") + FilterSql() +
                             " ORDER BY " + order.sql + " LIMIT ?12 OFFSET ?13";
    const int64_t end = page.limit == kNoLimit ? kNoLimit : page.offset + page.limit;
    if ((db.Kind() == Engine::Sqlite || end == kNoLimit) && lastChunk == kNoLimit) {
        // The embedded engine walks the order's index and checks the other
        // conditions on the way by itself.
        Stmt& s = db.Prepare(std::string("SELECT ") + kAppColumns + " FROM apps a" +
                             (category ? scope + " AND " : " WHERE ") + tail);
        if (category) s.Bind(6, *category);
        BindFilter(s, f, page);
        return {Rows(s), true};
    }
    // The shared engine guesses the device filter to leave almost nothing
    // and would rather sort every row; a bounded walk (on either engine)
    // must not read past its bound. So: the first rows of the order
    // alone, which it reads from the order's index, then filtered; when
    // they hold too few matches for the page, four times as many, until the
    // page is full, the order has no rows left or the walk reaches its last
    // chunk (then the answer is incomplete).
    Stmt& s = db.Prepare(std::string("SELECT ") + kAppColumns + " FROM (SELECT * FROM apps a" + scope +
                         " ORDER BY " + order.sql + " LIMIT ?14) a WHERE " + tail);
    for (int64_t chunk = firstChunk;; chunk = chunk > lastChunk / 4 ? lastChunk : chunk * 4) {
        if (category) s.Bind(6, *category);
        BindFilter(s, f, page);
        s.Bind(14, chunk);
        std::vector<AppRow> rows = Rows(s);
        if (static_cast<int64_t>(rows.size()) == page.limit) return {std::move(rows), true};
        Stmt& more = db.Prepare(std::string("SELECT COUNT(*) FROM (SELECT 1 FROM apps") +
                                (category ? " WHERE catid = ?2" : "") + " LIMIT ?1) x");
        more.Bind(1, chunk);
        if (category) more.Bind(2, *category);
        const bool exhausted = more.Step() && more.Int(0) < chunk;
        more.Reset();
        if (exhausted || chunk >= lastChunk) return {std::move(rows), exhausted};
    }
}

std::string Catalog::HitsSql(const AppFilter& f, Hits source, int parameter) const {
    const std::string text = "?" + std::to_string(parameter);
    // One tag's applications; the others a filter names are checked with
    // the rest of the filter.
    if (source == Hits::Tag)
        return "SELECT t.app_id FROM app_tags t JOIN tags g ON g.id = t.tag_id WHERE g.name = " + text;
    if (db.Kind() == Engine::Sqlite)
        return std::string("SELECT rowid FROM ") + kSearchIndex + " WHERE " + kSearchIndex + " MATCH " + text;
    std::string any;
    for (auto [name, column] : {std::pair{"name", "name_fold"}, {"com", "company_fold"}, {"desc", "desc_fold"}})
        if (f.scope.empty() || f.scope == name) any += (any.empty() ? "" : " OR ") + std::string(column) + " LIKE " + text;
    return "SELECT id FROM apps WHERE " + any;
}

void Catalog::BindHits(Stmt& s, const AppFilter& f, Hits source, int parameter) {
    if (source == Hits::Tag) {
        s.Bind(parameter, f.tags.front());
        return;
    }
    if (db.Kind() == Engine::Postgres) {
        s.Bind(parameter, "%" + LikeEscaped(f.query) + "%");
        return;
    }
    // The search text as one phrase of the trigram index, within the
    // column the search is limited to.
    const char* column = f.scope == "name" ? "name_fold" : f.scope == "com" ? "company_fold" : f.scope == "desc" ? "desc_fold" : nullptr;
    s.Bind(parameter, (column ? std::string(column) + " : " : std::string()) + Quoted(f.query, '"'));
}

int64_t Catalog::HitCount(const AppFilter& f, Hits source) {
    Stmt& s = db.Prepare("SELECT COUNT(*) FROM (" + HitsSql(f, source, 1) + " LIMIT ?2) h");
    BindHits(s, f, source, 1);
    s.Bind(2, kFewMatches);
    int64_t n = s.Step() ? s.Int(0) : 0;
    s.Reset();
    return n;
}

std::vector<AppRow> Catalog::FromHits(const AppFilter& f, Hits source, const ListOrder& order, const ListPage& page) {
    // The matches first (materialized, so that neither engine walks an
    // order instead), then the other conditions, then the sort of at most
    // kFewMatches rows.
    Stmt& s = db.Prepare("WITH hits(id) AS MATERIALIZED (" + HitsSql(f, source, 14) + ") SELECT " + kAppColumns +
                         " FROM hits h JOIN apps a ON a.id = h.id WHERE (CAST(?6 AS BIGINT) IS NULL OR a.catid IN "
                         "(SELECT descendant FROM category_tree WHERE ancestor = ?6)) AND " +
                         FilterSql() + " ORDER BY " + order.sql + " LIMIT ?12 OFFSET ?13");
    if (f.category) s.Bind(6, *f.category);
    BindHits(s, f, source, 14);
    BindFilter(s, f, page);
    return Rows(s);
}

std::vector<int64_t> Catalog::Subtree(int64_t category) {
    Stmt& s = db.Prepare("SELECT descendant FROM category_tree WHERE ancestor = ?1");
    s.BindAll(category);
    std::vector<int64_t> ids;
    while (s.Step()) ids.push_back(s.Int(0));
    s.Reset();
    return ids;
}

template <typename K>
std::optional<AppRow> Catalog::One(const char* where, const K& key) {
    Stmt& s = db.Prepare(std::string("SELECT ") + kAppColumns + " FROM apps a WHERE " + kSuitsDevice + " AND " +
                         where);
    BindDevice(s, device);
    s.Bind(6, key);
    std::optional<AppRow> row;
    if (s.Step()) row = ReadApp(s);
    s.Reset();
    return row;
}

std::optional<AppRow> Catalog::ById(int64_t id) { return One("a.id = ?6", id); }

std::optional<AppRow> Catalog::BySysid(std::string_view sysid) { return One("a.sysid = ?6", sysid); }

std::string Catalog::Description(int64_t appId) {
    Stmt& s = db.Prepare("SELECT description FROM apps WHERE id = ?1");
    s.BindAll(appId);
    std::string d = s.Step() ? s.Text(0) : std::string();
    s.Reset();
    return d;
}

std::vector<std::string> Catalog::TagsOf(int64_t appId) {
    Stmt& s = db.Prepare(
        "SELECT g.name FROM tags g JOIN app_tags t ON t.tag_id = g.id WHERE t.app_id = ?1 ORDER BY g.name");
    s.BindAll(appId);
    std::vector<std::string> out;
    while (s.Step()) out.push_back(s.Text(0));
    s.Reset();
    return out;
}

std::vector<std::string> Catalog::ScreenshotsOf(int64_t appId) {
    Stmt& s = db.Prepare("SELECT path FROM screenshots WHERE app_id = ?1 ORDER BY position");
    s.BindAll(appId);
    std::vector<std::string> out;
    while (s.Step()) out.push_back(s.Text(0));
    s.Reset();
    return out;
}

void Catalog::CountView(int64_t appId) {
    db.Prepare("UPDATE apps SET views = views + 1 WHERE id = ?1").BindAll(appId).Run();
}

void Catalog::CountDownload(int64_t appId) {
    db.Prepare("UPDATE apps SET downloads = downloads + 1 WHERE id = ?1").BindAll(appId).Run();
}

}  // namespace catalogd
