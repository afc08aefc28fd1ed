#include "Sessions.h"

#include <algorithm>
#include <cstdint>

#include "Accounts.h"
#include "Db.h"

namespace catalogd {

std::string Sessions::Open(int64_t accountId, int64_t nowMs) {
    std::string id = RandomHex(16);
    Transaction tx(db);
    db.Prepare("INSERT INTO sessions(id, account_id, last_seen, created) VALUES(?1, ?2, ?3, ?3)")
        .BindAll(id, accountId, nowMs)
        .Run();
    if (rules.perAccount > 0)
        db.Prepare(
              "DELETE FROM sessions WHERE account_id = ?1 AND id NOT IN (SELECT id FROM sessions "
              "WHERE account_id = ?1 ORDER BY created DESC, id = ?2 DESC LIMIT ?3)")
            .BindAll(accountId, id, int64_t(rules.perAccount))
            .Run();
    tx.Commit();
    return id;
}

bool Sessions::Expired(int64_t created, int64_t lastSeen, int64_t nowMs) const {
    // Every request is a read of the session, but writing its clock each
    // time would turn all reads into writes; a coarse clock is enough, and
    // the expiry allows for its coarseness so that no session ends early.
    return nowMs - lastSeen > rules.idleMs + Granularity() || (rules.lifetimeMs > 0 && nowMs - created > rules.lifetimeMs);
}

std::optional<Session> Sessions::Touch(std::string_view id, int64_t nowMs) {
    Stmt& s = db.Prepare(
        "SELECT account_id, last_seen, configured, locale, osver, os_bit, short_side, long_side, features, "
        "(SELECT generation FROM catalog_state), created FROM sessions WHERE id = ?1");
    s.BindAll(id);
    if (!s.Step()) return std::nullopt;
    Session session;
    session.id = id;
    session.accountId = s.Int(0);
    int64_t lastSeen = s.Int(1);
    DeviceConfig& d = session.device;
    d.configured = s.Int(2) != 0;
    d.locale = s.Text(3);
    d.osver = s.Text(4);
    d.osBit = s.Int(5);
    d.shortSide = s.Int(6);
    d.longSide = s.Int(7);
    d.features = s.Int(8);
    session.catalogGeneration = s.Int(9);
    const int64_t created = s.Int(10);
    s.Reset();
    const int64_t granularity = Granularity();
    if (Expired(created, lastSeen, nowMs)) {
        db.Prepare("DELETE FROM sessions WHERE id = ?1").BindAll(id).Run();
        return std::nullopt;
    }
    if (nowMs - lastSeen >= granularity)
        db.Prepare("UPDATE sessions SET last_seen = ?2 WHERE id = ?1").BindAll(id, nowMs).Run();
    return session;
}

void Sessions::Configure(std::string_view id, const DeviceConfig& d) {
    db.Prepare(
          "UPDATE sessions SET configured = 1, locale = ?2, osver = ?3, os_bit = ?4, short_side = ?5, "
          "long_side = ?6, features = ?7 WHERE id = ?1")
        .BindAll(id, d.locale, d.osver, d.osBit, d.shortSide, d.longSide, d.features)
        .Run();
}

void Sessions::Sweep(int64_t nowMs) {
    db.Prepare("DELETE FROM sessions WHERE last_seen < ?1 OR created < ?2")
        .BindAll(nowMs - rules.idleMs - Granularity(), rules.lifetimeMs > 0 ? nowMs - rules.lifetimeMs : INT64_MIN)
        .Run();
}

}  // namespace catalogd
