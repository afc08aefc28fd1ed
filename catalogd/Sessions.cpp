#include "Sessions.h"

#include <algorithm>

#include "Accounts.h"
#include "Db.h"

namespace catalogd {

std::string Sessions::Open(int64_t accountId, int64_t nowMs) {
    std::string id = RandomHex(16);
    db.Prepare("INSERT INTO sessions(id, account_id, last_seen) VALUES(?1, ?2, ?3)").BindAll(id, accountId, nowMs).Run();
    return id;
}

std::optional<Session> Sessions::Touch(std::string_view id, int64_t nowMs) {
    Stmt& s = db.Prepare(
        "SELECT account_id, last_seen, configured, locale, osver, os_bit, short_side, long_side, features, "
        "(SELECT generation FROM catalog_state) FROM sessions WHERE id = ?1");
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
    s.Reset();
    // Every request is a read of the session, but writing its clock each
    // time would turn all reads into writes; a coarse clock is enough, and
    // the expiry allows for its coarseness so that no session ends early.
    int64_t granularity = Granularity();
    if (nowMs - lastSeen > idleMs + granularity) {
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
    db.Prepare("DELETE FROM sessions WHERE last_seen < ?1").BindAll(nowMs - idleMs - Granularity()).Run();
}

}  // namespace catalogd
