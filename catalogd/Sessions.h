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

// How long sessions live and how many an account keeps.
struct SessionRules {
    int64_t idleMs = 30 * 60 * 1000;           // without a request
    int64_t lifetimeMs = 24 * 60 * 60 * 1000;  // however busy (0: no limit)
    int perAccount = 5;                        // live at once (0: no limit)
};

// Sessions end after `idleMs` without a request, and `lifetimeMs` after they
// were handed out whatever their use, so that a stolen id is not good for
// ever; an account keeps at most `perAccount` of them.
class Sessions {
public:
    Sessions(Db& db, SessionRules rules) : db(db), rules(rules) {}

    // A new session for the account, with a random 32-hex-digit id; the
    // account's oldest sessions beyond the limit end.
    std::string Open(int64_t accountId, int64_t nowMs);
    // The live session with this id, its idle clock restarted; empty when
    // the id is unknown or the session has expired (it is then removed).
    std::optional<Session> Touch(std::string_view id, int64_t nowMs);
    void Configure(std::string_view id, const DeviceConfig& device);
    // Drops every expired session; the server calls it on a timer.
    void Sweep(int64_t nowMs);

private:
    int64_t Granularity() const { return rules.idleMs / 4 < 1000 ? rules.idleMs / 4 : 1000; }
    bool Expired(int64_t created, int64_t lastSeen, int64_t nowMs) const;

    Db& db;
    SessionRules rules;
};

}  // namespace catalogd
