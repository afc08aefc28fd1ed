#pragma once
#include <cstdint>
#include <string>

namespace catalogd {

class Db;

// Enough for the largest catalogs a handheld ever browsed; copies share
// their files, so the bound is about the store's size, not the disk's.
inline constexpr int kMaxSeedApps = 100000;

struct SeedOptions {
    std::string assetsDir;  // icons/, shots/ and packages/ are (re)made below it
    // How many catalog applications besides the store's own; 0 for the whole
    // sample. More than the sample adds numbered copies of its applications,
    // which share the pictures and package of the application they copy.
    int apps = 0;
    // The catalog's secret key (catalogd keygen); empty: the demo key.
    std::string signingKeyFile;
};

// Fills the store with the sample catalog: categories, applications with
// drawn icons and screenshots and real packages, reviewers and their
// reviews, and the demo account "demo" / "demo". Everything the store held
// before is removed. The same options always give the same catalog and the
// same files (only the demo account's password hash differs: it is salted).
void SeedCatalog(Db& db, const SeedOptions& options);

// What a sample package is made from: the application's catalog record.
struct SamplePackage {
    int64_t id = 0;
    std::string sysid;  // the install name the package creates
    std::string name, company, exe, version;
};

// A cabinet made the way the seed makes them, with a payload of its own for
// each revision of the application.
std::string SampleCabinet(const SamplePackage& app, int64_t revision);
// The seed's version text for a revision ("2.1" for revision 5).
std::string SampleVersion(int64_t revision);

// Install name, revision and version of the store's own package in the
// sample catalog (a newer revision than any shipped build, so that the
// store offers to update itself).
inline constexpr const char* kStoreSysid = "Quelt Tobrix";
inline constexpr int kStoreRevision = 5;
inline constexpr const char* kStoreVersion = "1.5";

}  // namespace catalogd
