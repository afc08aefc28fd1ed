#include "Throttle.h"

#include "Db.h"
#include "TextFold.h"

namespace catalogd {

int64_t Throttle::Count(std::string_view subject, int64_t nowMs) {
    return db.QueryInt("SELECT count FROM throttle WHERE subject = ?1 AND expires > ?2", subject, nowMs).value_or(0);
}

int64_t Throttle::Add(std::string_view subject, const Allowance& allowance, int64_t nowMs) {
    // One statement, so that instances counting at the same moment never
    // lose each other's attempts.
    return *db.QueryInt(
        "INSERT INTO throttle(subject, expires, count) VALUES(?1, ?3, 1) ON CONFLICT(subject) DO UPDATE SET "
        "count = CASE WHEN throttle.expires <= ?2 THEN 1 ELSE throttle.count + 1 END, "
        "expires = CASE WHEN throttle.expires <= ?2 THEN ?3 ELSE throttle.expires END RETURNING count",
        subject, nowMs, nowMs + allowance.windowMs);
}

void Throttle::Clear(std::string_view subject) {
    db.Prepare("DELETE FROM throttle WHERE subject = ?1").BindAll(subject).Run();
}

void Throttle::Sweep(int64_t nowMs) { db.Prepare("DELETE FROM throttle WHERE expires <= ?1").BindAll(nowMs).Run(); }

std::string LoginSubject(std::string_view kind, std::string_view login) {
    return std::string(kind) + ":" + FoldCase(login);
}

}  // namespace catalogd
