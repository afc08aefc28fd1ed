#pragma once

namespace catalogd {

class Db;

// Creates every table the service uses (idempotent).
void CreateSchema(Db& db);

// Removes all rows of every table: the seed starts from an empty store so
// that seeding twice gives the same catalog.
void ClearAll(Db& db);

}  // namespace catalogd
