#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace catalogd {

class Db;

// How many attempts a subject may make in a window.
struct Allowance {
    int64_t count;
    int64_t windowMs;
};

// The service's allowances against guessing and flooding. Every instance
// behind the proxy must be started with the same ones.
struct AbuseLimits {
    // Failed sign-ins per login, and per client address (over all logins).
    Allowance signInPerLogin{5, 15 * 60 * 1000};
    Allowance signInPerAddress{30, 15 * 60 * 1000};
    // Registrations per client address: each one may tell whether a login or
    // a mail address is taken, so guessing them that way is slowed as well.
    Allowance registrationsPerAddress{30, 60 * 60 * 1000};
    // Mails (restore, activation) per account.
    Allowance mailsPerAccount{3, 60 * 60 * 1000};
    // Feedback rows per session, and per account and day.
    Allowance feedbackPerSession{10, 24 * 60 * 60 * 1000};
    Allowance feedbackPerDay{30, 24 * 60 * 60 * 1000};
};

// Counts attempts per subject ("signin-login:demo", "mail:42", ...) in fixed
// windows, in the store, so that every instance sees the same counts. A
// window starts with the first attempt after the previous one ended.
class Throttle {
public:
    explicit Throttle(Db& db) : db(db) {}

    // Attempts counted in the subject's current window (0 when none is open).
    int64_t Count(std::string_view subject, int64_t nowMs);
    bool Exhausted(std::string_view subject, const Allowance& allowance, int64_t nowMs) {
        return Count(subject, nowMs) >= allowance.count;
    }
    // Counts one attempt; returns the count including it.
    int64_t Add(std::string_view subject, const Allowance& allowance, int64_t nowMs);
    // Counts one attempt and tells whether it was within the allowance.
    bool Take(std::string_view subject, const Allowance& allowance, int64_t nowMs) {
        return Add(subject, allowance, nowMs) <= allowance.count;
    }
    void Clear(std::string_view subject);
    // Drops the rows whose window has ended.
    void Sweep(int64_t nowMs);

private:
    Db& db;
};

// The subject of a login: logins compare without regard to letter case.
std::string LoginSubject(std::string_view kind, std::string_view login);

}  // namespace catalogd
