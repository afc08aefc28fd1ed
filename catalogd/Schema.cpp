#include "Schema.h"

#include <set>
#include <vector>

#include "Db.h"

namespace catalogd {
namespace {

// Column types in the store's own terms; each engine spells them its way.
enum class Type {
    Key,         // the row's number, given by the store when not given
    Int,         // 64 bits: times are milliseconds
    Text,        // compared and sorted byte by byte on both engines
    NoCaseText,  // compared without regard to letter case (logins, mail addresses)
};

struct Column {
    const char* name;
    Type type;
    // Constraints both engines read alike. A column added to a table that
    // already exists in stores out there must either allow NULL or carry a
    // DEFAULT: it is added to them by ALTER TABLE.
    const char* constraints = "";
    // For a column added to stores made before it: an expression over the
    // row's other columns that gives the existing rows their value (instead
    // of the DEFAULT, which only suits new rows).
    const char* backfill = nullptr;
};

struct Table {
    const char* name;
    std::vector<Column> columns;
    const char* tableConstraints = nullptr;  // e.g. a primary key over two columns
};

struct Index {
    const char* name;
    const char* table;
    const char* columns;
};

// A count table's columns: what is counted, the device needs of apps
// (the columns the device filter reads), and the number of applications.
std::vector<Column> CountColumns(const char* key) {
    return {{key, Type::Int, "NOT NULL"},
            {"os_mask", Type::Int, "NOT NULL"},
            {"min_short", Type::Int, "NOT NULL"},
            {"min_long", Type::Int, "NOT NULL"},
            {"features", Type::Int, "NOT NULL"},
            {"apps", Type::Int, "NOT NULL"}};
}

// The whole store, parents before children. A new column goes at the end of
// its table: CreateSchema adds it to stores made before it existed.
const std::vector<Table>& Tables() {
    static const std::vector<Table> tables = {
        {"meta", {{"key", Type::Text, "PRIMARY KEY"}, {"value", Type::Text, "NOT NULL"}}},
        {"accounts",
         {{"id", Type::Key},
          {"login", Type::NoCaseText, "NOT NULL UNIQUE"},
          {"mail", Type::NoCaseText, "NOT NULL UNIQUE"},
          {"pass_hash", Type::Text, "NOT NULL"},
          {"activated", Type::Int, "NOT NULL DEFAULT 0"},
          {"created", Type::Int, "NOT NULL"}}},
        {"sessions",
         {{"id", Type::Text, "PRIMARY KEY"},
          {"account_id", Type::Int, "NOT NULL REFERENCES accounts(id) ON DELETE CASCADE"},
          {"last_seen", Type::Int, "NOT NULL"},
          {"configured", Type::Int, "NOT NULL DEFAULT 0"},
          {"locale", Type::Text, "NOT NULL DEFAULT ''"},
          {"osver", Type::Text, "NOT NULL DEFAULT ''"},
          {"os_bit", Type::Int, "NOT NULL DEFAULT 0"},
          {"short_side", Type::Int, "NOT NULL DEFAULT 0"},
          {"long_side", Type::Int, "NOT NULL DEFAULT 0"},
          {"features", Type::Int, "NOT NULL DEFAULT 0"},
          // --- sessions' absolute lifetime ---
          // When the session was handed out. Sessions from before the column
          // count from when they were last used.
          {"created", Type::Int, "NOT NULL DEFAULT 0", "last_seen"}}},
        {"outbox",
         {{"id", Type::Key},
          {"time", Type::Int, "NOT NULL"},
          {"recipient", Type::Text, "NOT NULL"},
          {"subject", Type::Text, "NOT NULL"},
          {"body", Type::Text, "NOT NULL"}}},
        {"categories",
         {{"id", Type::Key},
          {"parent_id", Type::Int, "REFERENCES categories(id)"},
          {"position", Type::Int, "NOT NULL"},
          {"name", Type::Text, "NOT NULL"}}},
        {"apps",
         {{"id", Type::Key},
          {"catid", Type::Int, "NOT NULL REFERENCES categories(id)"},
          {"name", Type::Text, "NOT NULL"},
          {"company", Type::Text, "NOT NULL"},
          {"description", Type::Text, "NOT NULL"},
          {"icon", Type::Text, "NOT NULL"},
          {"type", Type::Text, "NOT NULL"},
          {"version", Type::Text, "NOT NULL"},
          {"revision", Type::Int, "NOT NULL"},
          {"sysid", Type::Text, "NOT NULL UNIQUE"},
          {"exe", Type::Text, "NOT NULL"},
          {"install", Type::Text, "NOT NULL"},
          {"package", Type::Text, "NOT NULL"},
          {"createtime", Type::Int, "NOT NULL"},
          {"views", Type::Int, "NOT NULL DEFAULT 0"},
          {"downloads", Type::Int, "NOT NULL DEFAULT 0"},
          {"rate_sum", Type::Int, "NOT NULL DEFAULT 0"},
          {"rates", Type::Int, "NOT NULL DEFAULT 0"},
          {"reviews", Type::Int, "NOT NULL DEFAULT 0"},
          {"os_mask", Type::Int, "NOT NULL DEFAULT 0"},
          {"min_short", Type::Int, "NOT NULL DEFAULT 0"},
          {"min_long", Type::Int, "NOT NULL DEFAULT 0"},
          {"features", Type::Int, "NOT NULL DEFAULT 0"},
          {"name_fold", Type::Text, "NOT NULL"},
          {"company_fold", Type::Text, "NOT NULL"},
          {"desc_fold", Type::Text, "NOT NULL"},
          // The package's digest; a store made before it gets the column, and
          // its packages are announced without one until published again.
          {"sha256", Type::Text, "NOT NULL DEFAULT ''"},
          // The catalog's signed statement about the package (size, key id and
          // signature; the other fields it covers are the row's). Made where the
          // secret key is, at seed and publish time; a row without one is
          // refused by every store until it is published again.
          {"package_size", Type::Int, "NOT NULL DEFAULT 0"},
          {"package_key", Type::Text, "NOT NULL DEFAULT ''"},
          {"package_sig", Type::Text, "NOT NULL DEFAULT ''"},
          // The rating order's first key (see kRateRank), kept with every
          // rating so that the list by rating walks an index.
          {"rate_rank", Type::Int, "NOT NULL DEFAULT -1", kRateRank}}},
        {"tags", {{"id", Type::Key}, {"name", Type::Text, "NOT NULL UNIQUE"}}},
        {"app_tags",
         {{"app_id", Type::Int, "NOT NULL REFERENCES apps(id)"}, {"tag_id", Type::Int, "NOT NULL REFERENCES tags(id)"}},
         "PRIMARY KEY(app_id, tag_id)"},
        {"screenshots",
         {{"app_id", Type::Int, "NOT NULL REFERENCES apps(id)"},
          {"position", Type::Int, "NOT NULL"},
          {"path", Type::Text, "NOT NULL"}},
         "PRIMARY KEY(app_id, position)"},
        {"ratings",
         {{"account_id", Type::Int, "NOT NULL REFERENCES accounts(id)"},
          {"app_id", Type::Int, "NOT NULL REFERENCES apps(id)"},
          {"stars", Type::Int, "NOT NULL"},
          {"text", Type::Text, "NOT NULL"},
          {"time", Type::Int, "NOT NULL"}},
         "PRIMARY KEY(account_id, app_id)"},
        {"feedback",
         {{"id", Type::Key},
          {"account_id", Type::Int, "NOT NULL REFERENCES accounts(id)"},
          {"app_id", Type::Int, "NOT NULL REFERENCES apps(id)"},
          {"text", Type::Text, "NOT NULL"},
          {"time", Type::Int, "NOT NULL"}}},
        // Every category with each category below it, and with itself: a
        // category's applications without walking the tree per request.
        // Made again from the categories whenever they may have changed.
        {"category_tree",
         {{"ancestor", Type::Int, "NOT NULL REFERENCES categories(id)"},
          {"descendant", Type::Int, "NOT NULL REFERENCES categories(id)"}},
         "PRIMARY KEY(ancestor, descendant)"},
        // How many applications of each category, and of each tag, a kind of
        // device sees: one row per category (tag) and set of device needs,
        // so that the category and tag lists sum a few rows instead of
        // counting the catalog. Made again by RecountCatalog.
        {"category_counts", CountColumns("catid"), "PRIMARY KEY(catid, os_mask, min_short, min_long, features)"},
        {"tag_counts", CountColumns("tag_id"), "PRIMARY KEY(tag_id, os_mask, min_short, min_long, features)"},
        // One row: the number every change of what the answers say moves on.
        {"catalog_state", {{"generation", Type::Int, "NOT NULL"}}},
        // --- abuse limits ---
        // Counts of attempts in a window, per subject ("signin-login:...",
        // "signin-addr:...", "restore:...", ...): in the store, so that every
        // instance behind the proxy sees the same counts. A row whose window
        // has passed counts as zero and is swept.
        {"throttle",
         {{"subject", Type::Text, "PRIMARY KEY"},
          {"expires", Type::Int, "NOT NULL"},
          {"count", Type::Int, "NOT NULL"}}},
    };
    return tables;
}

const Index kIndexes[] = {
    // A list is read by walking the index of its order, alone or within one
    // category, and stops after its page; filters the index cannot carry
    // (device, price, tags, a search too common for the search index) are
    // checked on the way.
    {"apps_by_cat_id", "apps", "catid, id"},
    {"apps_by_rating", "apps", "rate_rank DESC, rates DESC, id"},
    {"apps_by_downloads", "apps", "downloads DESC, id"},
    {"apps_by_views", "apps", "views DESC, id"},
    {"apps_by_age", "apps", "createtime DESC, id"},
    {"apps_by_cat_rating", "apps", "catid, rate_rank DESC, rates DESC, id"},
    {"apps_by_cat_downloads", "apps", "catid, downloads DESC, id"},
    {"apps_by_cat_views", "apps", "catid, views DESC, id"},
    {"apps_by_cat_age", "apps", "catid, createtime DESC, id"},
    {"app_tags_by_tag", "app_tags", "tag_id"},
    {"ratings_by_app", "ratings", "app_id, time"},
    // --- abuse limits ---
    {"sessions_by_account", "sessions", "account_id, created"},
};

// Indexes of older versions that a newer one covers.
const char* const kRetiredIndexes[] = {"apps_by_cat"};

// The keyword search's index: over the folded texts a search compares, on
// each engine the index that finds substrings (three letters or more).
struct SearchIndex {
    const char* name;
    const char* table;
    const char* key;
    std::vector<const char*> columns;
};

const SearchIndex& Search() {
    static const SearchIndex search{kSearchIndex, "apps", "id", {"name_fold", "company_fold", "desc_fold"}};
    return search;
}

std::string Joined(const std::vector<const char*>& names, const char* prefix) {
    std::string out;
    for (const char* n : names) out += (out.empty() ? "" : ", ") + std::string(prefix) + n;
    return out;
}

bool SqliteTableExists(Db& db, const char* name) {
    return db.QueryInt("SELECT COUNT(*) FROM sqlite_master WHERE name = ?1", name).value_or(0) > 0;
}

// An index of the text itself (not of words), kept by triggers, so that it
// finds what a substring comparison finds.
void CreateSqliteSearch(Db& db, const SearchIndex& x) {
    const std::string name = x.name, cols = Joined(x.columns, "");
    const bool fresh = !SqliteTableExists(db, x.name);
    db.Exec("CREATE VIRTUAL TABLE IF NOT EXISTS " + name + " USING fts5(" + cols + ", content='" + x.table +
            "', content_rowid='" + x.key + "', tokenize='trigram case_sensitive 1')");
    const std::string add = "INSERT INTO " + name + "(rowid, " + cols + ") VALUES(new." + x.key + ", " +
                            Joined(x.columns, "new.") + ");";
    const std::string remove = "INSERT INTO " + name + "(" + name + ", rowid, " + cols + ") VALUES('delete', old." +
                               x.key + ", " + Joined(x.columns, "old.") + ");";
    const std::string on = std::string(" ON ") + x.table + " BEGIN ";
    db.Exec("CREATE TRIGGER IF NOT EXISTS " + name + "_add AFTER INSERT" + on + add + " END");
    db.Exec("CREATE TRIGGER IF NOT EXISTS " + name + "_remove AFTER DELETE" + on + remove + " END");
    db.Exec("CREATE TRIGGER IF NOT EXISTS " + name + "_change AFTER UPDATE OF " + cols + on + remove + add + " END");
    // A store made before the index: fill it from the rows there are.
    if (fresh) db.Exec("INSERT INTO " + name + "(" + name + ") VALUES('rebuild')");
}

// Without a list of pending entries: a search would read all of it, row by
// row, and a seed or a copy leaves it thousands of rows long.
void CreatePostgresSearch(Db& db, const SearchIndex& x) {
    db.Exec("CREATE EXTENSION IF NOT EXISTS pg_trgm");
    for (const char* c : x.columns) {
        const std::string index = std::string(x.name) + "_" + c;
        db.Exec("CREATE INDEX IF NOT EXISTS " + index + " ON " + x.table + " USING gin (" + c +
                " gin_trgm_ops) WITH (fastupdate = off)");
        db.Exec("ALTER INDEX " + index + " SET (fastupdate = off)");
        db.Exec("SELECT gin_clean_pending_list('" + index + "')");
    }
}

void RebuildCategoryTree(Db& db) {
    db.Exec("DELETE FROM category_tree");
    // UNION, not UNION ALL: a parent loop in a damaged store ends instead
    // of growing without end.
    db.Exec("INSERT INTO category_tree(ancestor, descendant) WITH RECURSIVE t(ancestor, descendant) AS ("
            "SELECT id, id FROM categories UNION SELECT t.ancestor, c.id FROM categories c "
            "JOIN t ON c.parent_id = t.descendant) SELECT ancestor, descendant FROM t");
}

// The tables ClearAll leaves alone: the generation must keep counting up so
// that every instance drops what it kept from the old catalog.
bool KeptByClear(const Table& t) { return std::string_view(t.name) == "catalog_state"; }

std::string TypeName(Type type, Engine engine) {
    const bool lite = engine == Engine::Sqlite;
    switch (type) {
        case Type::Key: return lite ? "INTEGER PRIMARY KEY" : "BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY";
        case Type::Int: return lite ? "INTEGER" : "BIGINT";
        case Type::Text: return lite ? "TEXT" : "TEXT COLLATE \"C\"";
        case Type::NoCaseText: return lite ? "TEXT COLLATE NOCASE" : "CITEXT";
    }
    return {};
}

std::string ColumnSql(const Column& c, Engine engine) {
    std::string sql = std::string(c.name) + " " + TypeName(c.type, engine);
    if (*c.constraints) sql += std::string(" ") + c.constraints;
    return sql;
}

std::set<std::string> ExistingColumns(Db& db, const Table& t) {
    Stmt& s = db.Prepare(db.Kind() == Engine::Sqlite
                             ? "SELECT name FROM pragma_table_info(?1)"
                             : "SELECT column_name FROM information_schema.columns "
                               "WHERE table_schema = current_schema() AND table_name = ?1");
    s.BindAll(t.name);
    std::set<std::string> names;
    while (s.Step()) names.insert(s.Text(0));
    s.Reset();
    return names;
}

void CreateOrExtend(Db& db, const Table& t) {
    std::string sql = std::string("CREATE TABLE IF NOT EXISTS ") + t.name + "(";
    for (size_t i = 0; i < t.columns.size(); ++i) sql += (i ? ", " : "") + ColumnSql(t.columns[i], db.Kind());
    if (t.tableConstraints) sql += std::string(", ") + t.tableConstraints;
    db.Exec(sql + ")");
    std::set<std::string> existing = ExistingColumns(db, t);
    for (const Column& c : t.columns)
        if (!existing.contains(c.name)) {
            db.Exec(std::string("ALTER TABLE ") + t.name + " ADD COLUMN " + ColumnSql(c, db.Kind()));
            if (c.backfill)
                db.Exec(std::string("UPDATE ") + t.name + " SET " + c.name + " = " + c.backfill);
        }
}

}  // namespace

void CreateSchema(Db& db) {
    // Under the writers' lock: instances starting together take turns.
    Transaction tx(db);
    if (db.Kind() == Engine::Postgres) db.Exec("CREATE EXTENSION IF NOT EXISTS citext");
    for (const Table& t : Tables()) CreateOrExtend(db, t);
    for (const Index& i : kIndexes)
        db.Exec(std::string("CREATE INDEX IF NOT EXISTS ") + i.name + " ON " + i.table + "(" + i.columns + ")");
    for (const char* name : kRetiredIndexes) db.Exec(std::string("DROP INDEX IF EXISTS ") + name);
    if (db.Kind() == Engine::Sqlite) CreateSqliteSearch(db, Search());
    else CreatePostgresSearch(db, Search());
    // Cheap (a few dozen categories), and it mends a tree that an older
    // version's copy or seed left empty.
    RebuildCategoryTree(db);
    // A store made before the counts: count what it holds.
    if (!db.QueryInt("SELECT 1 FROM category_counts LIMIT 1") && db.QueryInt("SELECT 1 FROM apps LIMIT 1"))
        RecountCatalog(db);
    db.Exec("INSERT INTO catalog_state(generation) SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM catalog_state)");
    tx.Commit();
}

void CategoriesChanged(Db& db) { RebuildCategoryTree(db); }

void ClearAll(Db& db) {
    if (db.Kind() == Engine::Postgres) {
        // One statement for all of them, so that foreign keys are satisfied,
        // and numbering starts again at 1 as it does on the embedded engine.
        std::string sql = "TRUNCATE ";
        bool first = true;
        for (const Table& t : Tables()) {
            if (KeptByClear(t)) continue;
            sql += (first ? "" : ", ") + std::string(t.name);
            first = false;
        }
        db.Exec(sql + " RESTART IDENTITY");
        return;
    }
    // Children before parents, because foreign keys are enforced.
    const auto& tables = Tables();
    for (auto t = tables.rbegin(); t != tables.rend(); ++t)
        if (!KeptByClear(*t)) db.Exec(std::string("DELETE FROM ") + t->name);
}

void RecountCatalog(Db& db) {
    const std::string needs = "a.os_mask, a.min_short, a.min_long, a.features";
    const std::string columns = "os_mask, min_short, min_long, features, apps";
    db.Exec("DELETE FROM category_counts");
    db.Exec("INSERT INTO category_counts(catid, " + columns + ") SELECT a.catid, " + needs +
            ", COUNT(*) FROM apps a GROUP BY a.catid, " + needs);
    db.Exec("DELETE FROM tag_counts");
    db.Exec("INSERT INTO tag_counts(tag_id, " + columns + ") SELECT t.tag_id, " + needs +
            ", COUNT(*) FROM app_tags t JOIN apps a ON a.id = t.app_id GROUP BY t.tag_id, " + needs);
}

void MarkCatalogChanged(Db& db) { db.Exec("UPDATE catalog_state SET generation = generation + 1"); }

void NumberAfterExisting(Db& db) {
    // The embedded engine numbers on from the highest row by itself.
    if (db.Kind() != Engine::Postgres) return;
    for (const Table& t : Tables())
        for (const Column& c : t.columns)
            if (c.type == Type::Key)
                db.Exec(std::string("SELECT setval(pg_get_serial_sequence('") + t.name + "', '" + c.name +
                        "'), COALESCE((SELECT MAX(" + c.name + ") FROM " + t.name + "), 0) + 1, false)");
}

void BeginBulkLoad(Db& db) {
    if (db.Kind() == Engine::Sqlite) return;
    for (const char* c : Search().columns) db.Exec(std::string("DROP INDEX IF EXISTS ") + Search().name + "_" + c);
}

void EndBulkLoad(Db& db) {
    if (db.Kind() != Engine::Sqlite) CreatePostgresSearch(db, Search());
    RecountCatalog(db);
}

void CopyStore(Db& from, Db& to, const std::string& filesDir) {
    CreateSchema(to);
    Transaction tx(to);
    ClearAll(to);
    BeginBulkLoad(to);
    for (const Table& t : Tables()) {
        if (KeptByClear(t)) continue;
        // A store from an older version lacks some columns; they take their
        // defaults, or the value their backfill gives the rows of such a store.
        std::set<std::string> present = ExistingColumns(from, t);
        std::string names, numbers;
        int count = 0;
        for (const Column& c : t.columns) {
            if (!present.contains(c.name)) continue;
            names += (count ? ", " : "") + std::string(c.name);
            numbers += (count ? ", ?" : "?") + std::to_string(count + 1);
            ++count;
        }
        if (count == 0) continue;
        Stmt& read = from.Prepare("SELECT " + names + " FROM " + t.name);
        Stmt& write = to.Prepare(std::string("INSERT INTO ") + t.name + "(" + names + ") VALUES(" + numbers + ")");
        while (read.Step()) {
            // Text in and out works for every column type on both engines.
            for (int i = 0; i < count; ++i) {
                if (read.IsNull(i)) write.BindNull(i + 1);
                else write.Bind(i + 1, read.Text(i));
            }
            write.Run();
            write.Reset();
        }
        read.Reset();
        for (const Column& c : t.columns)
            if (c.backfill && !present.contains(c.name))
                to.Exec(std::string("UPDATE ") + t.name + " SET " + c.name + " = " + c.backfill);
    }
    if (!filesDir.empty())
        to.Prepare("UPDATE meta SET value = ?1 WHERE key = 'assets'").BindAll(filesDir).Run();
    RebuildCategoryTree(to);
    NumberAfterExisting(to);
    EndBulkLoad(to);
    MarkCatalogChanged(to);
    tx.Commit();
    Analyze(to);
}

void Analyze(Db& db) {
    // The shared engine plans by what it knows of the rows; a catalog
    // written in one go would otherwise be planned as an empty one until
    // its background statistics catch up. A seed updates every row it
    // inserted, and the dead versions left behind would be read by every
    // walk until the background cleaner came by.
    if (db.Kind() == Engine::Postgres) db.Exec("VACUUM ANALYZE");
}

}  // namespace catalogd
