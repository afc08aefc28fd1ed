#pragma once
#include <string>

namespace catalogd {

class Db;

// The rating order's first key over a row of apps: the average in
// hundredths, rounded half up as the answers show it, cut into 0.05 steps
// (averages within a step count as equal); -1 without ratings. Integer
// arithmetic, the same on both engines.
inline constexpr const char* kRateRank =
    "CASE WHEN rates > 0 THEN ((rate_sum * 200 + rates) / (2 * rates)) / 5 ELSE -1 END";

// The keyword search's index over the folded name, company and description:
// a trigram full-text table on the embedded engine, trigram indexes on the
// shared one.
inline constexpr const char* kSearchIndex = "apps_search";

// Creates every table the service uses and adds the columns a store made by
// an older version lacks; idempotent, on either engine, from one description.
// Runs as a write transaction of its own.
void CreateSchema(Db& db);

// After the categories were replaced: makes the table of each category's
// descendants again.
void CategoriesChanged(Db& db);

// Removes all rows of every table: the seed starts from an empty store so
// that seeding twice gives the same catalog.
void ClearAll(Db& db);

// Makes the category and tag counts again from the applications. A bulk
// load does it at its end; whatever else adds or removes applications or
// tags, or changes an application's category or device needs, must call it
// in the same transaction.
void RecountCatalog(Db& db);
// Moves the catalog's generation on. Every change of what the cached answers
// say (a publish, a rating, a new seed) calls it in the same transaction, so
// that every instance drops its cached answers before it answers again.
void MarkCatalogChanged(Db& db);

// Around a whole catalog written row by row (a seed, a copy), inside the
// writer's transaction. The shared engine's substring indexes, kept row by
// row, make such a load many times slower: they are dropped at the start and
// built once at the end. The embedded engine's index is kept as before.
void BeginBulkLoad(Db& db);
void EndBulkLoad(Db& db);

// After rows were inserted with their keys given (the seed, a copy), new
// rows get keys after the highest one.
void NumberAfterExisting(Db& db);

// After a whole catalog was written: brings the engine's planning
// statistics up to date.
void Analyze(Db& db);

// Replaces what `to` holds with everything `from` holds (a store of either
// engine, of this version or an older one), in one transaction. A non-empty
// `filesDir` is recorded as the folder of the copied store's files.
void CopyStore(Db& from, Db& to, const std::string& filesDir);

}  // namespace catalogd
