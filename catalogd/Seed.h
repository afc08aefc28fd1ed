#pragma once
#include <string>

namespace catalogd {

class Db;

struct SeedOptions {
    std::string assetsDir;  // icons/, shots/ and packages/ are (re)made below it
    int apps = 0;           // how many catalog applications besides the store's own; 0 for all
};

// Fills the store with the sample catalog: categories, applications with
// drawn icons and screenshots and real packages, reviewers and their
// reviews, and the demo account "demo" / "demo". Everything the store held
// before is removed. The same options always give the same catalog and the
// same files (only the demo account's password hash differs: it is salted).
void SeedCatalog(Db& db, const SeedOptions& options);

// Install name, revision and version of the store's own package in the
// sample catalog (a newer revision than any shipped build, so that the
// store offers to update itself).
inline constexpr const char* kStoreSysid = "Quelt Tobrix";
inline constexpr int kStoreRevision = 5;
inline constexpr const char* kStoreVersion = "1.5";

}  // namespace catalogd
