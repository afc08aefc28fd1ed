#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "DeviceConfig.h"

namespace catalogd {

class Db;

struct Session {
    std::string id;
    int64_t accountId = 0;
    DeviceConfig device;
    // The catalog's generation when the session was looked up: read in the
    // same query, so that checking the answer cache costs no extra trip to
    // a shared store.
    int64_t catalogGeneration = 0;
};

// Sessions end after `idleMs` without a request.
class Sessions {
public:
    Sessions(Db& db, int64_t idleMs) : db(db), idleMs(idleMs) {}

    // A new session for the account, with a random 32-hex-digit id.
    std::string Open(int64_t accountId, int64_t nowMs);
    // The live session with this id, its idle clock restarted; empty when
    // the id is unknown or the session has expired (it is then removed).
    std::optional<Session> Touch(std::string_view id, int64_t nowMs);
    void Configure(std::string_view id, const DeviceConfig& device);
    // Drops every expired session; sign-in calls it so the table stays small.
    void Sweep(int64_t nowMs);

private:
    int64_t Granularity() const { return idleMs / 4 < 1000 ? idleMs / 4 : 1000; }

    Db& db;
    int64_t idleMs;
};

}  // namespace catalogd
