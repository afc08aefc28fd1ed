#include "Seed.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

#include "Accounts.h"
#include "Artwork.h"
#include "Db.h"
#include "DeviceConfig.h"
#include "Package.h"
#include "Ratings.h"
#include "Schema.h"
#include "SeedData.h"
#include "SigningKeys.h"
#include "TextFold.h"

namespace catalogd {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kSeed = 0x7ab1e5eedULL;
constexpr int64_t kEpoch = 1199145600;  // 2008-01-01, the catalog's opening day
constexpr int64_t kSeedTimeMs = 1300000000000;

// splitmix64: tiny, and the same sequence on every machine.
class Rng {
public:
    explicit Rng(uint64_t seed) : state(seed) {}
    uint64_t Next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }

private:
    uint64_t state;
};

// One application as the seed builds it.
struct SeedApp {
    int64_t id;
    seed::AppDef def;
    std::string type;
    int revision;
    std::string version;
    std::string exe;
    std::string install;
    std::string package;
    int64_t createtime;
    PackageSignature signature;
};

std::vector<std::string> Split(std::string_view joined) {
    std::vector<std::string> parts;
    while (!joined.empty()) {
        size_t comma = joined.find(',');
        if (comma != 0) parts.emplace_back(joined.substr(0, comma));
        if (comma == std::string_view::npos) break;
        joined.remove_prefix(comma + 1);
    }
    return parts;
}

// Letters and digits only, lower case ASCII: file names that every file system takes.
std::string Slug(std::string_view name, int64_t id) {
    std::string s;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80)
            s.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    return s.empty() ? "app" + std::to_string(id) : s;
}

// A name usable as a device folder or file name.
std::string PathName(std::string_view name, int64_t id) {
    std::string s;
    for (char c : name)
        if (std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos && static_cast<unsigned char>(c) >= 0x20) s.push_back(c);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(s.begin());
    return s.empty() ? "App" + std::to_string(id) : s;
}

std::string Payload(Rng& rng, std::string_view sysid, size_t size) {
    std::string bytes = "MZ";
    bytes += "\nSample program of the catalog: ";
    bytes += sysid;
    bytes += "\n";
    while (bytes.size() < size) bytes.push_back(static_cast<char>(rng.Next() & 0xFF));
    return bytes;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

PackageLayout PackageFor(const SamplePackage& app, Rng& rng) {
    std::string folder = PathName(app.name, app.id);
    std::string slug = Slug(app.name, app.id);
    std::string source = slug.substr(0, 8);
    std::transform(source.begin(), source.end(), source.begin(), [](char c) { return std::toupper(c); });

    PackageLayout layout;
    layout.installName = app.sysid;
    layout.installDir = "%CE1%\\" + folder;
    layout.files.push_back({app.exe, source + ".001", Payload(rng, app.sysid, 2048 + rng.Below(24 * 1024))});
    if (rng.Below(3) == 0)
        layout.files.push_back({slug + "cfg.exe", source + ".002", Payload(rng, app.sysid, 1024 + rng.Below(4096))});
    layout.shortcutName = folder + ".lnk";
    layout.shortcutTarget = app.exe;
    layout.registryKey = "HKLM\\Software\\" + PathName(app.company, app.id) + "\\" + folder;
    layout.registryValues = {{"Version", app.version, false}, {"Runs", "0", true}};
    return layout;
}

std::string Description(const SeedApp& app) {
    std::string d = std::string(app.def.name) + " by " + std::string(app.def.company) + ".--br--" +
                    std::string(seed::CategoryBlurb(app.def.category)) + "--br--";
    if (!app.def.needs.empty()) d += "Needs: " + std::string(app.def.needs) + ".--br--";
    d += "Version " + app.version + ": faster start and smaller memory use.";
    return d;
}

int64_t EditionMask(std::string_view editions) {
    int64_t mask = 0;
    for (std::string_view code : kEditions)
        if (!editions.empty() && code.ends_with(editions)) mask |= EditionBit(code);
    return mask;
}

int64_t FeatureMask(std::string_view needs) {
    int64_t mask = 0;
    for (const auto& f : Split(needs)) mask |= FeatureBit(f);
    return mask;
}

// Applications in round-robin order over their categories, so that any
// prefix of the list spans the whole tree.
std::vector<seed::AppDef> Interleaved() {
    std::map<int, std::vector<seed::AppDef>> byCategory;
    for (const auto& a : seed::Apps()) byCategory[a.category].push_back(a);
    std::vector<seed::AppDef> out;
    for (size_t round = 0; out.size() < seed::Apps().size(); ++round)
        for (auto& [cat, list] : byCategory)
            if (round < list.size()) out.push_back(list[round]);
    return out;
}

// The first `count` applications (all of the sample for 0). A catalog
// larger than the sample goes on with numbered copies ("Block Drop 2", then
// "Block Drop 3" after a whole round), in the same round-robin order, so
// that long lists can be tried; each copy has its own install name, type,
// age, counts and ratings, and shares the pictures and the package of the
// sample application it copies (see Seeder::AddCopy). `names` owns the
// copies' names.
std::vector<seed::AppDef> CatalogApps(int count, std::deque<std::string>& names) {
    std::vector<seed::AppDef> defs = Interleaved();
    const size_t sample = defs.size();
    const size_t wanted = count > 0 ? static_cast<size_t>(count) : sample;
    if (wanted <= sample) {
        defs.resize(wanted);
        return defs;
    }
    for (size_t i = sample; i < wanted; ++i) {
        seed::AppDef copy = defs[i % sample];
        names.push_back(std::string(copy.name) + " " + std::to_string(i / sample + 1));
        copy.name = names.back();
        defs.push_back(copy);
    }
    return defs;
}

class Seeder {
public:
    // The key first: a key that cannot be read stops the seed before the
    // old catalog's files are gone.
    Seeder(Db& db, const SeedOptions& options)
        : db(db), root(options.assetsDir), key(LoadSigningKey(options.signingKeyFile)) {}

    void Run(int count) {
        for (const char* sub : {"icons", "shots", "packages"}) {
            fs::remove_all(root / sub);
            fs::create_directories(root / sub);
        }
        CreateSchema(db);
        Transaction tx(db);
        ClearAll(db);
        BeginBulkLoad(db);
        MarkCatalogChanged(db);
        db.Prepare("INSERT INTO meta(key, value) VALUES('assets', ?1)").BindAll(fs::absolute(root).string()).Run();
        for (const auto& c : seed::Categories()) {
            Stmt& s = db.Prepare("INSERT INTO categories(id, parent_id, position, name) VALUES(?1, ?2, ?3, ?4)");
            s.BindAll(int64_t(c.id), int64_t(c.parent), int64_t(c.id), c.name);
            if (c.parent == 0) s.BindNull(2);
            s.Run();
        }
        CategoriesChanged(db);
        Accounts accounts(db);
        accounts.Insert("demo", "demo@example.org", Accounts::HashPassword("demo"), true, kSeedTimeMs);
        for (size_t i = 0; i < seed::ReviewerLogins().size(); ++i)
            reviewers.push_back(accounts.Insert(seed::ReviewerLogins()[i],
                                                "reviewer" + std::to_string(i + 1) + "@example.org", "", true,
                                                kSeedTimeMs));
        std::deque<std::string> names;
        std::vector<seed::AppDef> defs = CatalogApps(count, names);
        const size_t sample = std::min(defs.size(), seed::Apps().size());
        for (size_t i = 0; i < sample; ++i) drawn.push_back(AddApp(static_cast<int64_t>(i + 1), defs[i], nullptr));
        for (size_t i = sample; i < defs.size(); ++i)
            AddCopy(static_cast<int64_t>(i + 1), defs[i], drawn[i % sample]);
        seed::AppDef store{14, "Tobrix", "Quelt", "online,store,system", "", "", 0, 0};
        AddApp(static_cast<int64_t>(defs.size() + 1), store, &store);
        NumberAfterExisting(db);
        EndBulkLoad(db);
        tx.Commit();
        Analyze(db);
    }

private:
    // What a copy takes over from the sample application it copies.
    struct Drawn {
        int revision = 0;
        std::string version, exe, package, icon, cabinet;
        std::vector<std::string> shots;
    };

    Drawn AddApp(int64_t id, const seed::AppDef& def, const seed::AppDef* storeDef) {
        Rng rng(kSeed ^ (static_cast<uint64_t>(id) * 0x100000001B3ULL));
        SeedApp app{id, def, "", 0, "", "", "", "", 0, {}};
        app.type = storeDef ? "free" : kTypes[rng.Below(10)];
        app.revision = storeDef ? kStoreRevision : 1 + rng.Below(9);
        app.version = storeDef ? kStoreVersion : SampleVersion(app.revision);
        std::string slug = Slug(def.name, id);
        app.exe = storeDef ? "Tobrix.exe" : slug + ".exe";
        std::string cab = storeDef ? "tobrix.cab" : slug + "_" + std::to_string(id) + ".cab";
        app.package = "packages/" + cab;
        // Half of the packages are announced by URL, half by file name.
        app.install = (storeDef || id % 2 == 0) ? app.package : cab;
        app.createtime = kEpoch + rng.Below(3 * 365 * 86400);

        const std::string sysid = std::string(def.company) + " " + std::string(def.name);
        SamplePackage sample{id, sysid, std::string(def.name), std::string(def.company), app.exe, app.version};
        const std::string cabinet = BuildCabinet(PackageFor(sample, rng));
        WriteFile(root / app.package, cabinet);
        app.signature = SignPackage(id, sysid, app.revision, app.version, cabinet, key);
        double hue = rng.Below(360);
        std::string icon = "icons/" + std::to_string(id) + ".png";
        WriteFile(root / icon, EncodePng(DrawIcon(hue, rng.Below(5))));

        InsertApp(app, icon, rng);
        InsertTags(id, def.tags);
        Drawn files{app.revision, app.version, app.exe, app.package, icon, cabinet, {}};
        int shots = 1 + rng.Below(4);
        for (int n = 0; n < shots; ++n) {
            bool jpeg = n % 2 == 1;
            std::string path = "shots/" + std::to_string(id) + "-" + std::to_string(n + 1) + (jpeg ? ".jpg" : ".png");
            Canvas c = DrawScreenshot(hue, rng.Below(4), rng.Next());
            WriteFile(root / path, jpeg ? EncodeJpeg(c, 85) : EncodePng(c));
            files.shots.push_back(path);
        }
        InsertShots(id, files.shots);
        AddRatings(app, rng);
        return files;
    }

    // A numbered copy: drawing pictures and building a package for each of
    // a hundred thousand applications would take the best part of an hour
    // and gigabytes, so a copy announces the files of the sample application
    // it copies (the package installs under that application's name) with a
    // statement of its own, signed for its id and install name.
    void AddCopy(int64_t id, const seed::AppDef& def, const Drawn& of) {
        Rng rng(kSeed ^ (static_cast<uint64_t>(id) * 0x100000001B3ULL));
        SeedApp app{id, def, "", of.revision, of.version, of.exe, "", of.package, 0, {}};
        app.type = kTypes[rng.Below(10)];
        app.install = id % 2 == 0 ? of.package : of.package.substr(of.package.rfind('/') + 1);
        app.createtime = kEpoch + rng.Below(3 * 365 * 86400);
        const std::string sysid = std::string(def.company) + " " + std::string(def.name);
        app.signature = SignPackage(id, sysid, app.revision, app.version, of.cabinet, key);
        InsertApp(app, of.icon, rng);
        InsertTags(id, def.tags);
        InsertShots(id, of.shots);
        AddRatings(app, rng);
    }

    void InsertShots(int64_t appId, const std::vector<std::string>& paths) {
        for (size_t n = 0; n < paths.size(); ++n)
            db.Prepare("INSERT INTO screenshots(app_id, position, path) VALUES(?1, ?2, ?3)")
                .BindAll(appId, int64_t(n), paths[n])
                .Run();
    }

    void InsertApp(const SeedApp& app, const std::string& icon, Rng& rng) {
        const seed::AppDef& d = app.def;
        int64_t views = 100 + rng.Below(20000);
        int64_t downloads = views * (10 + rng.Below(50)) / 100;
        int64_t minShort = std::min(d.minWidth, d.minHeight);
        int64_t minLong = std::max(d.minWidth, d.minHeight);
        std::string desc = Description(app);
        std::string sysid = std::string(d.company) + " " + std::string(d.name);
        db.Prepare(
              "INSERT INTO apps(id, catid, name, company, description, icon, type, version, revision, sysid, exe, "
              "install, package, createtime, views, downloads, os_mask, min_short, min_long, features, name_fold, "
              "company_fold, desc_fold, sha256, package_size, package_key, package_sig) VALUES(?1, ?2, ?3, ?4, ?5, ?6, "
              "?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22, ?23, ?24, ?25, ?26, ?27)")
            .BindAll(app.id, int64_t(d.category), d.name, d.company, desc, icon, app.type, app.version,
                     int64_t(app.revision), sysid, app.exe, app.install, app.package, app.createtime, views, downloads,
                     EditionMask(d.editions), minShort, minLong, FeatureMask(d.needs), FoldCase(d.name),
                     FoldCase(d.company), FoldCase(desc), app.signature.sha256, app.signature.size,
                     app.signature.keyId, app.signature.signature)
            .Run();
    }

    void InsertTags(int64_t appId, std::string_view tags) {
        for (const auto& tag : Split(tags)) {
            auto it = tagIds.find(tag);
            if (it == tagIds.end()) {
                it = tagIds.emplace(tag, *db.QueryInt("INSERT INTO tags(name) VALUES(?1) RETURNING id", tag)).first;
            }
            db.Prepare("INSERT INTO app_tags(app_id, tag_id) VALUES(?1, ?2)").BindAll(appId, it->second).Run();
        }
    }

    // Anonymous ratings from before the reviewers' time plus a few reviews.
    void AddRatings(const SeedApp& app, Rng& rng) {
        double quality = 2.0 + rng.Below(300) / 100.0;
        int64_t anonymous = rng.Below(10) == 0 ? 0 : rng.Below(400);
        int64_t sum = std::clamp<int64_t>(static_cast<int64_t>(quality * anonymous + 0.5), anonymous, 5 * anonymous);
        int64_t count = anonymous;
        int64_t reviews = 0;
        int n = rng.Below(6);
        int first = rng.Below(static_cast<int>(reviewers.size()));
        for (int k = 0; k < n; ++k) {
            int64_t account = reviewers[(first + k) % reviewers.size()];
            int stars = std::clamp(static_cast<int>(quality + 0.5) + rng.Below(3) - 1, 1, 5);
            const auto& texts = seed::ReviewTexts();
            std::string text = rng.Below(4) == 0 ? "" : std::string(texts[rng.Below(static_cast<int>(texts.size()))]);
            int64_t time = (app.createtime + 86400 * (k + 1)) * 1000;
            db.Prepare("INSERT INTO ratings(account_id, app_id, stars, text, time) VALUES(?1, ?2, ?3, ?4, ?5)")
                .BindAll(account, app.id, int64_t(stars), text, time)
                .Run();
            sum += stars;
            ++count;
            if (!text.empty()) ++reviews;
        }
        db.Prepare("UPDATE apps SET rate_sum = ?2, rates = ?3, reviews = ?4 WHERE id = ?1")
            .BindAll(app.id, sum, count, reviews)
            .Run();
        StoreRateRank(db, app.id);
    }

    static constexpr const char* kTypes[] = {"free", "free", "free", "free", "paid",
                                             "paid", "trial", "trial", "demo", "free"};

    Db& db;
    fs::path root;
    const formats::SigningKey key;
    std::vector<Drawn> drawn;  // the sample's applications, in the order of their ids
    std::vector<int64_t> reviewers;
    std::map<std::string, int64_t> tagIds;
};

}  // namespace

std::string SampleCabinet(const SamplePackage& app, int64_t revision) {
    // Seeded from the application and the revision: each revision gets its
    // own payload, and building it again gives the same bytes.
    Rng rng(kSeed ^ (static_cast<uint64_t>(app.id) * 0x100000001B3ULL) ^
            (static_cast<uint64_t>(revision) * 0x9E3779B97F4A7C15ULL));
    return BuildCabinet(PackageFor(app, rng));
}

std::string SampleVersion(int64_t revision) {
    return std::to_string(1 + revision / 4) + "." + std::to_string(revision % 4);
}

void SeedCatalog(Db& db, const SeedOptions& options) {
    if (options.assetsDir.empty()) throw std::runtime_error("no folder for the catalog's files");
    Seeder(db, options).Run(options.apps);
}

}  // namespace catalogd
