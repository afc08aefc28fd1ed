// catalogd: the reference catalog service of the store.
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <thread>

#include "Accounts.h"
#include "base/OptionParser.h"
#include "Db.h"
#include "Publish.h"
#include "Schema.h"
#include "Seed.h"
#include "Server.h"
#include "SigningKeys.h"

namespace {

using namespace catalogd;

constexpr const char* kDbHelp = "Store: a database file, or a postgresql://user@host/name URL for a shared store";

bool SplitListen(const std::string& listen, std::string& host, int& port) {
    size_t colon = listen.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    host = listen.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    try {
        size_t used = 0;
        port = std::stoi(listen.substr(colon + 1), &used);
        return used == listen.size() - colon - 1 && port >= 0 && port <= 65535;
    } catch (const std::exception&) {
        return false;
    }
}

// SIGINT and SIGTERM are taken by one thread that stops the server, so that
// every request in progress still gets its answer and the store closes cleanly.
int Serve(const std::string& dbPath, ServerOptions options) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    Server server(dbPath, options);
    if (!server.HasCatalog())
        std::fprintf(stderr, "catalogd: %s holds no catalog yet; fill it with \"catalogd seed\"\n",
                     PrintableLocation(dbPath).c_str());
    int port = server.Bind();
    std::fprintf(stderr, "catalogd: serving %s on http://%s:%d/\n", PrintableLocation(dbPath).c_str(),
                 options.host.c_str(), port);
    std::thread waiter([&] {
        int sig = 0;
        sigwait(&signals, &sig);
        server.Stop();
    });
    server.Run();
    // Run() may also end on its own; wake the waiter in that case.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    std::fprintf(stderr, "catalogd: stopped\n");
    return 0;
}

int SeedCommand(const std::string& dbPath, std::string assets, int apps, const std::string& signingKey) {
    if (assets.empty() && IsPostgresLocation(dbPath)) {
        std::cerr << "catalogd: a shared store needs --assets, the folder every instance serves the files from\n";
        return 2;
    }
    if (assets.empty()) {
        std::filesystem::path p(dbPath);
        assets = (p.parent_path() / (p.stem().string() + "-files")).string();
    }
    Db db(dbPath);
    SeedCatalog(db, {assets, apps, signingKey});
    std::cout << "catalogd: seeded " << PrintableLocation(dbPath) << " (files in " << assets << ")\n";
    return 0;
}

int KeygenCommand(const std::string& out) {
    const std::string id = WriteNewKeyPair(out);
    std::cout << "catalogd: wrote the secret key " << out << " and the public key " << out << ".pub (key id " << id
              << ")\n";
    return 0;
}

int ActivateCommand(const std::string& dbPath, const std::string& login) {
    Db db(dbPath);
    CreateSchema(db);
    if (!Accounts(db).Activate(login)) {
        std::cerr << "catalogd: no account \"" << login << "\"\n";
        return 1;
    }
    std::cout << "catalogd: activated " << login << "\n";
    return 0;
}

int PublishCommand(const std::string& dbPath, const PublishRequest& request) {
    if (!IsPostgresLocation(dbPath) && !std::filesystem::is_regular_file(dbPath)) {
        std::cerr << "catalogd: no store at " << dbPath << "\n";
        return 1;
    }
    Db db(dbPath);
    try {
        PublishResult r = Publish(db, request);
        std::cout << "catalogd: published \"" << r.sysid << "\" (id " << r.appId << ") revision " << request.revision
                  << " (was " << r.previousRevision << "), version " << r.version << ", package " << r.package << "\n";
    } catch (const PublishError& e) {
        std::cerr << "catalogd: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

int CopyCommand(const std::string& fromPath, const std::string& toPath, const std::string& filesDir) {
    if (!IsPostgresLocation(fromPath) && !std::filesystem::is_regular_file(fromPath)) {
        std::cerr << "catalogd: no store at " << fromPath << "\n";
        return 1;
    }
    Db from(fromPath);
    Db to(toPath);
    CopyStore(from, to, filesDir);
    std::cout << "catalogd: copied " << PrintableLocation(fromPath) << " to " << PrintableLocation(toPath) << "\n";
    return 0;
}

std::string UtcTime(int64_t ms) {
    std::time_t t = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return buf;
}

int OutboxCommand(const std::string& dbPath) {
    Db db(dbPath);
    CreateSchema(db);
    Stmt& s = db.Prepare("SELECT time, recipient, subject, body FROM outbox ORDER BY id");
    while (s.Step()) {
        std::cout << "To: " << s.Text(1) << "\nDate: " << UtcTime(s.Int(0)) << "\nSubject: " << s.Text(2) << "\n\n"
                  << s.Text(3) << "\n----\n";
    }
    s.Reset();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    OptionParser app("catalogd: the catalog service of the store (accounts, catalog, packages)");
    app.RequireCommand();

    std::string dbPath;
    std::string listen = "127.0.0.1:8080";
    ServerOptions options;
    double idleSeconds = 1800;
    OptionParser& serve = app.AddCommand("serve", "Answer catalog requests over HTTP");
    serve.Add("--db", dbPath, kDbHelp).Required();
    serve.Add("--listen", listen, "Address and port (port 0: any free port)").ShowDefault();
    serve.Add("--prefix", options.service.prefix, "Path text before the method in the .php form");
    serve.Add("--session-idle", idleSeconds, "Seconds after which an unused session ends").ShowDefault().Positive();
    double lifetimeSeconds = static_cast<double>(options.service.sessionLifetimeMs) / 1000;
    serve.Add("--session-lifetime", lifetimeSeconds, "Seconds after sign-in at which a session ends however used")
        .ShowDefault()
        .Positive();
    serve.Add("--sessions-per-account", options.service.sessionsPerAccount,
              "Live sessions an account keeps; a new sign-in ends the oldest beyond it")
        .ShowDefault()
        .Range(1, 1000);
    serve.Add("--hash-slots", options.hashSlots, "Password hashes at once (0: fitted to the machine)")
        .ShowDefault()
        .Range(0, 64);
    serve.Add("--reg-per-address", options.service.limits.registrationsPerAddress.count,
              "Registrations a client address may make in an hour")
        .ShowDefault()
        .Range(int64_t(1), int64_t(1) << 30);
    serve.AddFlag("--behind-proxy", options.trustForwarded,
                  "Take the client's address from the X-Real-IP header the proxy in front sets");
    serve.AddFlag("--auto-activate", options.service.autoActivate, "Activate new accounts at once");
    serve.AddFlag("--quiet", options.quiet, "Do not log requests");
    serve.Add("--threads", options.threads, "Worker threads").ShowDefault().Range(1, 256);
    serve.Add("--db-connections", options.dbConnections,
              "Database connections open at once; requests beyond wait for one (0: threads + 2)")
        .ShowDefault()
        .Range(0, 1024);
    double cacheSeconds = 0;
    serve.Add("--cache-ttl", cacheSeconds,
              "Seconds an answer that is the same for every session with the same device is used again "
              "(0: not at all)")
        .ShowDefault()
        .NonNegative();
    serve.Add("--files", options.filesDir,
              "The folder of packages and pictures where this instance sees it (default: the seed's)");
    serve.Add("--package-rate", options.packageRate,
              "Send package downloads at most this many bytes per second (0: no limit)")
        .ShowDefault()
        .NonNegative();

    constexpr const char* kSigningKeyHelp =
        "The catalog's secret key from \"catalogd keygen\" (default: the demo key of the source tree, which "
        "vouches for nothing)";
    std::string seedDb, assets, seedKey;
    int apps = 0;
    OptionParser& seed = app.AddCommand("seed", "Fill a store with the sample catalog (replaces its content)");
    seed.Add("--db", seedDb, kDbHelp).Required();
    seed.Add("--assets", assets,
             "Folder for icons, screenshots and packages (default: next to a store file; required for a "
             "PostgreSQL store)");
    seed.Add("--apps", apps,
             "Number of applications besides the store's own (default: the whole sample; more adds "
             "numbered copies, which share the icon, screenshots and package of the sample application "
             "they copy so that 100000 take seconds)")
        .Range(0, kMaxSeedApps);
    seed.Add("--signing-key", seedKey, kSigningKeyHelp).ExistingFile();

    std::string keygenOut;
    OptionParser& keygen = app.AddCommand("keygen", "Make the catalog's signing key pair (Ed25519)");
    keygen.Add("--out", keygenOut, "The secret key's file (mode 0600); the public key goes to FILE.pub").Required();

    std::string userDb, login;
    OptionParser& user = app.AddCommand("user", "Manage accounts");
    user.RequireCommand();
    OptionParser& activate = user.AddCommand("activate", "Activate an account");
    activate.Add("LOGIN", login, "Login").Required();
    activate.Add("--db", userDb, kDbHelp).Required();

    std::string outboxDb;
    OptionParser& outbox = app.AddCommand("outbox", "Print the mails the service would have sent");
    outbox.Add("--db", outboxDb, kDbHelp).Required();

    std::string copyFrom, copyTo, copyFiles;
    OptionParser& copy = app.AddCommand("copy", "Copy a whole store into another one (e.g. onto a shared store)");
    copy.Add("--db", copyFrom, "The store to copy: " + std::string(kDbHelp)).Required();
    copy.Add("--to", copyTo, "The store to replace with the copy, of either kind").Required();
    copy.Add("--files", copyFiles, "Where the copy's files are (default: where the original's are)");

    std::string publishDb, publishVersion;
    PublishRequest publish;
    int64_t publishId = 0;
    OptionParser& pub = app.AddCommand("publish", "Make a newer revision of a package available");
    pub.Add("--db", publishDb, kDbHelp).Required();
    pub.Add("--files", publish.filesDir, "The files folder where this machine sees it (default: the seed's)");
    auto byId = pub.Add("--appid", publishId, "The application's id").Positive();
    auto bySysid = pub.Add("--sysid", publish.sysid, "The application's install name");
    byId.Excludes(bySysid);
    pub.Add("--revision", publish.revision, "The new revision, greater than the current one").Required();
    auto version = pub.Add("--version", publishVersion, "Version text (default: made from the revision)");
    pub.Add("--cab", publish.cabFile, "The new package (default: one built like the sample packages)").ExistingFile();
    pub.Add("--signing-key", publish.signingKeyFile, kSigningKeyHelp).ExistingFile();

    if (auto status = app.Parse(argc, argv)) return *status;
    try {
        if (serve.Chosen()) {
            if (!SplitListen(listen, options.host, options.port)) {
                std::cerr << "catalogd: --listen wants HOST:PORT, got \"" << listen << "\"\n";
                return 2;
            }
            options.service.sessionIdleMs = static_cast<int64_t>(idleSeconds * 1000);
            options.service.sessionLifetimeMs = std::max<int64_t>(1, static_cast<int64_t>(lifetimeSeconds * 1000));
            options.cacheTtlMs = static_cast<int64_t>(cacheSeconds * 1000);
            if (options.service.sessionIdleMs < 1) options.service.sessionIdleMs = 1;
            return Serve(dbPath, options);
        }
        if (seed.Chosen()) return SeedCommand(seedDb, assets, apps, seedKey);
        if (keygen.Chosen()) return KeygenCommand(keygenOut);
        if (activate.Chosen()) return ActivateCommand(userDb, login);
        if (outbox.Chosen()) return OutboxCommand(outboxDb);
        if (copy.Chosen()) return CopyCommand(copyFrom, copyTo, copyFiles);
        if (pub.Chosen()) {
            if (!byId.Given() && !bySysid.Given()) {
                std::cerr << "catalogd: publish needs --appid or --sysid\n";
                return 2;
            }
            if (byId.Given()) publish.appId = publishId;
            if (version.Given()) publish.version = publishVersion;
            return PublishCommand(publishDb, publish);
        }
    } catch (const std::exception& e) {
        std::cerr << "catalogd: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
