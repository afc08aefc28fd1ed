#pragma once
#include <sys/file.h>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/process/Process.h"

// A real catalogd on loopback for one test program: the sample catalog is
// seeded once into the build tree (shared by every test program, guarded by
// a lock), copied to a private database, and served on a port the system
// chooses.
class CatalogServer {
public:
    // `serveArgs` are added to catalogd's "serve" command line.
    explicit CatalogServer(std::vector<std::string> serveArgs = {}) : CatalogServer(kSuiteApps, std::move(serveArgs)) {}
    // A catalog of `apps` applications besides the store's own, seeded once
    // into a cache of its own.
    CatalogServer(int apps, std::vector<std::string> serveArgs);
    ~CatalogServer();
    CatalogServer(const CatalogServer&) = delete;
    CatalogServer& operator=(const CatalogServer&) = delete;

    bool Running() const { return port > 0 && process.has_value(); }
    int Port() const { return port; }
    std::u16string BaseUrl() const;
    // Stops the service with a signal and waits for it to end; the database
    // and the port number stay for Restart.
    void Stop(int signal = SIGTERM);
    // Serves the same database on the same port again, with `serveArgs` in
    // place of the first ones; false when it cannot.
    bool Restart(std::vector<std::string> serveArgs = {});
    // Folder of the seeded packages, icons and screenshots.
    const std::filesystem::path& Assets() const { return assets; }
    const std::string& Error() const { return error; }
    // How many requests of the API method `method` ("config", "getapps"), or
    // with no method of any kind (files included), the service has answered
    // since it last started, read from its request log.
    int Requests(const std::string& method = "") const;
    // The server's private database (for catalogd's own commands).
    std::filesystem::path Database() const { return work / "catalog.db"; }
    std::filesystem::path DbPath() const { return Database(); }

private:
    static constexpr int kSuiteApps = 24;
    bool Seed();
    bool Serve();

    std::vector<std::string> serveArgs;
    int apps;
    std::filesystem::path cache, work, assets;
    std::optional<platform::Process> process;
    int port = 0;
    std::string error;
};
