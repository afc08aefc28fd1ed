#include "Catalog.h"

#include <nlohmann/json.hpp>

#include <limits>
#include <map>

#include "Db.h"
#include "XmlWriter.h"

namespace catalogd {
namespace {

constexpr const char* kAppColumns =
    "a.id, a.catid, a.name, a.company, a.icon, a.type, a.rate_sum, a.rates, a.reviews, a.views, a.downloads, "
    "a.version, a.revision, a.sysid, a.exe, a.install, a.package, a.createtime, a.sha256, a.package_size, a.package_key, a.package_sig";

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
    return r;
}

// Rating order: averages within the same 0.05 step count as equal, and then
// the application more people rated comes first. The step is taken of the
// average as it is sent (two decimals), so a client sees the order it gets.
const char* OrderBy(std::string_view sort) {
    // Integer arithmetic only: the average in hundredths, rounded half up as
    // FormatRate rounds it, then cut into 0.05 steps.
    if (sort == "rates")
        return "CASE WHEN a.rates > 0 THEN ((a.rate_sum * 200 + a.rates) / (2 * a.rates)) / 5 ELSE -1 END DESC, "
               "a.rates DESC, a.id";
    if (sort == "downloads") return "a.downloads DESC, a.id";
    if (sort == "views") return "a.views DESC, a.id";
    if (sort == "createtime") return "a.createtime DESC, a.id";
    return "a.id";
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
        Stmt& s = db.Prepare(std::string("SELECT a.catid, COUNT(*) FROM apps a WHERE ") + kSuitsDevice +
                             " GROUP BY a.catid");
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
    Stmt& s = db.Prepare(std::string("SELECT g.name, COUNT(*) FROM tags g JOIN app_tags t ON t.tag_id = g.id "
                                      "JOIN apps a ON a.id = t.app_id WHERE ") +
                         kSuitsDevice + " GROUP BY g.id ORDER BY g.name");
    BindDevice(s, device);
    xml.Start("tags");
    while (s.Step()) xml.Start("tag").Attr("name", s.Text(0)).Attr("weight", s.Int(1)).End();
    s.Reset();
    xml.End();
}

std::vector<AppRow> Catalog::Find(const AppFilter& f) {
    // One statement per sort order; every other condition is switched off by
    // binding NULL, so the statement cache stays small whatever is asked.
    // Parameters that only meet NULL checks are cast so that the shared
    // engine knows their type.
    const bool lite = db.Kind() == Engine::Sqlite;
    const char* contains = lite ? "instr" : "strpos";
    const char* tagList = lite ? "SELECT value FROM json_each(?9)" : "SELECT json_array_elements_text(CAST(?9 AS json))";
    std::string sql = std::string("WITH RECURSIVE sub(id) AS (SELECT CAST(?6 AS BIGINT) WHERE CAST(?6 AS BIGINT) IS "
                                  "NOT NULL UNION ALL SELECT c.id FROM categories c JOIN sub ON c.parent_id = sub.id) "
                                  "SELECT ") +
                      kAppColumns + " FROM apps a WHERE " + kSuitsDevice +
                      " AND (CAST(?6 AS BIGINT) IS NULL OR a.catid IN (SELECT id FROM sub))"
                      " AND (CAST(?7 AS TEXT) IS NULL OR (?8 IN ('', 'name') AND " + contains + "(a.name_fold, ?7) > 0)"
                      " OR (?8 IN ('', 'com') AND " + contains + "(a.company_fold, ?7) > 0)"
                      " OR (?8 IN ('', 'desc') AND " + contains + "(a.desc_fold, ?7) > 0))"
                      " AND (CAST(?9 AS TEXT) IS NULL OR (SELECT COUNT(*) FROM app_tags t JOIN tags g ON g.id = t.tag_id"
                      " WHERE t.app_id = a.id AND g.name IN (" + tagList + ")) = ?10)"
                      " AND (CAST(?11 AS TEXT) IS NULL OR (?11 = 'free' AND a.type = 'free') OR (?11 = 'paid' AND a.type <> 'free'))"
                      " ORDER BY " +
                      OrderBy(f.sort) + " LIMIT ?12 OFFSET ?13";
    Stmt& s = db.Prepare(sql);
    BindDevice(s, device);
    if (f.category) s.Bind(6, *f.category);
    if (!f.query.empty()) s.Bind(7, f.query);
    s.Bind(8, f.scope);
    if (!f.tags.empty()) {
        s.Bind(9, nlohmann::json(f.tags).dump());
        s.Bind(10, int64_t(f.tags.size()));
    }
    if (!f.price.empty()) s.Bind(11, f.price);
    // "No limit" in words both engines take.
    int64_t limit = std::numeric_limits<int64_t>::max();
    int64_t offset = 0;
    if (f.count > 0 || f.page > 0) {
        limit = f.count > 0 ? f.count : 25;
        offset = f.page > 1 ? (f.page - 1) * limit : 0;
    }
    s.Bind(12, limit);
    s.Bind(13, offset);
    std::vector<AppRow> apps;
    while (s.Step()) apps.push_back(ReadApp(s));
    s.Reset();
    return apps;
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
