#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "ResultCode.h"

namespace catalogd {

class Db;

// The client version the service still serves.
inline constexpr std::string_view kClientVersion = "1.0b";

// Accounts live in the store; passwords only as libsodium password hashes.
// Mails the service would send are written to the outbox instead.
class Accounts {
public:
    explicit Accounts(Db& db) : db(db) {}

    ResultCode Register(std::string_view login, std::string_view password, std::string_view mail,
                        bool activate, int64_t nowMs);
    // Checks the credentials; on success `accountId` names the account.
    ResultCode SignIn(std::string_view login, std::string_view password, std::string_view version,
                      int64_t& accountId);
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

    Db& db;
};

// `bytes` random bytes from libsodium's generator as lower-case hex digits.
std::string RandomHex(size_t bytes);

}  // namespace catalogd
