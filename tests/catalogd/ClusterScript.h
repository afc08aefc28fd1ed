#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "TestCatalog.h"

namespace catalogd::test {

// What a test says when this machine cannot run a PostgreSQL server.
inline constexpr const char* kNoPostgresServer =
    "PostgreSQL server programs not found (Debian package postgresql); the shared-store tests are skipped";

// scripts/catalog-cluster.sh as a test runs it: in a folder of its own,
// stopped at the end, and by the script's own watcher should the test
// program die first.
class ClusterScript {
public:
    struct Result {
        int status = -1;
        bool missingPrograms = false;
        std::string out;
        std::string lastLine;
    };

    ClusterScript() = default;
    ~ClusterScript() { Stop(); }
    ClusterScript(const ClusterScript&) = delete;
    ClusterScript& operator=(const ClusterScript&) = delete;

    // "start" or "db" with further options; the folder goes in after the command.
    Result Run(std::vector<std::string> args);
    void Stop();
    const std::filesystem::path& Dir() const { return dir.Path(); }
    // Lines of a file the script wrote into its folder.
    std::vector<std::string> Lines(const std::string& name) const;

private:
    TempDir dir;
    bool used = false;
};

}  // namespace catalogd::test
