#pragma once
#include <string>

namespace catalogd {

class Db;

// Creates every table the service uses and adds the columns a store made by
// an older version lacks; idempotent, on either engine, from one description.
// Runs as a write transaction of its own.
void CreateSchema(Db& db);

// Removes all rows of every table: the seed starts from an empty store so
// that seeding twice gives the same catalog.
void ClearAll(Db& db);

// Moves the catalog's generation on. Every change of what the cached answers
// say (a publish, a rating, a new seed) calls it in the same transaction, so
// that every instance drops its cached answers before it answers again.
void MarkCatalogChanged(Db& db);

// After rows were inserted with their keys given (the seed, a copy), new
// rows get keys after the highest one.
void NumberAfterExisting(Db& db);

// Replaces what `to` holds with everything `from` holds (a store of either
// engine, of this version or an older one), in one transaction. A non-empty
// `filesDir` is recorded as the folder of the copied store's files.
void CopyStore(Db& from, Db& to, const std::string& filesDir);

}  // namespace catalogd
