#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ResultCode.h"
#include "Throttle.h"

namespace catalogd {

class Db;
class HashSlots;

// What stands between the account methods and whoever calls them over the
// network. The command line and the seed use none of it.
struct AccountGuard {
    HashSlots* slots = nullptr;           // null: hash at once
    const AbuseLimits* limits = nullptr;  // null: no limits
    std::string_view address;             // the client's address; empty when not known
};

// The client version the service still serves.
inline constexpr std::string_view kClientVersion = "1.0b";

// Accounts live in the store; passwords only as libsodium password hashes.
// Mails the service would send are written to the outbox instead.
class Accounts {
public:
    explicit Accounts(Db& db, AccountGuard guard = {}) : db(db), guard(guard) {}

    // Cheap checks first, then the registrations allowed from the address,
    // and only then the hash (in a slot: kBusy when none comes free).
    ResultCode Register(std::string_view login, std::string_view password, std::string_view mail,
                        bool activate, int64_t nowMs);
    // Checks the credentials; on success `accountId` names the account. A
    // login or address past its failed tries is refused (kTooManyTries)
    // before any hashing; an unknown login (or one without a password) is
    // checked against a dummy hash, so it costs what a known one costs.
    ResultCode SignIn(std::string_view login, std::string_view password, std::string_view version,
                      int64_t& accountId, int64_t nowMs);
    // Both answer kOk whether or not the account exists, so that they do not
    // tell which logins and addresses are known; an account gets at most the
    // mails its allowance has room for.
    ResultCode RequestRestore(std::string_view loginOrMail, bool byMail, int64_t nowMs);
    ResultCode ResendActivation(std::string_view login, int64_t nowMs);
    // False when there is no such login.
    bool Activate(std::string_view login);

    // Creates an account with a ready hash (the seed uses it); an empty
    // hash makes an account nobody can sign in to.
    int64_t Insert(std::string_view login, std::string_view mail, std::string_view passHash, bool activated,
                   int64_t nowMs);

    static std::string HashPassword(std::string_view password);
    static bool IsValidLogin(std::string_view login);
    static bool IsValidMail(std::string_view mail);

private:
    void QueueMail(std::string_view to, std::string_view subject, std::string_view body, int64_t nowMs);
    // Whether the account may get one more mail now (counts it).
    bool MayMail(int64_t accountId, int64_t nowMs);
    bool Allowed(std::string_view subject, const Allowance AbuseLimits::*allowance, int64_t nowMs, bool take);
    // Runs the hashing work in a slot when there are slots; false when none came free.
    bool Hash(const std::function<void()>& work);

    Db& db;
    AccountGuard guard;
};

// `bytes` random bytes from libsodium's generator as lower-case hex digits.
std::string RandomHex(size_t bytes);

}  // namespace catalogd
