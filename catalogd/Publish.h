#pragma once
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace catalogd {

class Db;

// Which application gets a new revision, and what it is.
struct PublishRequest {
    std::optional<int64_t> appId;  // one of appId and sysid names the application
    std::string sysid;
    int64_t revision = 0;               // must be greater than the current one
    std::optional<std::string> version;  // default: the seed's text for the revision
    std::string cabFile;                 // default: a cabinet built like the seed's
    std::string filesDir;                // default: the files folder the store names
    std::string signingKeyFile;          // the catalog's secret key; default: the demo key
};

struct PublishResult {
    int64_t appId = 0;
    std::string sysid;
    int64_t previousRevision = 0;
    std::string version;
    std::string package;  // the new package, relative to the store's files folder
};

// A request that cannot be carried out; the store is left as it was.
struct PublishError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Makes a newer revision of an application available: the lists and details
// show its revision and version, and "download" serves its new package. The
// previous package file stays, so that a download already running completes.
PublishResult Publish(Db& db, const PublishRequest& request);

}  // namespace catalogd
