#include "Accounts.h"

#include <sodium.h>

#include <stdexcept>

#include "Db.h"
#include "base/Text.h"

namespace catalogd {
namespace {

constexpr size_t kMaxLoginChars = 64;
constexpr size_t kMaxPasswordBytes = 1024;
constexpr size_t kMaxMailBytes = 254;

void EnsureSodium() {
    if (sodium_init() < 0) throw std::runtime_error("libsodium cannot start");
}

}  // namespace

std::string RandomHex(size_t bytes) {
    EnsureSodium();
    std::string raw(bytes, '\0');
    randombytes_buf(raw.data(), raw.size());
    std::string hex(bytes * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
    hex.pop_back();
    return hex;
}

std::string Accounts::HashPassword(std::string_view password) {
    EnsureSodium();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw std::runtime_error("out of memory while hashing a password");
    return hash;
}

bool Accounts::IsValidLogin(std::string_view login) {
    std::u16string wide = text::Utf8ToUtf16(login);
    if (wide.empty() || wide.size() > kMaxLoginChars) return false;
    if (wide.front() == u' ' || wide.back() == u' ') return false;
    for (char16_t c : wide)
        if (c < 0x20 || c == 0x7F || c == 0xFFFD) return false;
    return true;
}

bool Accounts::IsValidMail(std::string_view mail) {
    if (mail.size() > kMaxMailBytes) return false;
    size_t at = mail.rfind('@');
    if (at == std::string_view::npos || at == 0) return false;
    std::string_view domain = mail.substr(at + 1);
    size_t dot = domain.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == domain.size()) return false;
    for (char c : mail)
        if (c == ' ' || static_cast<unsigned char>(c) < 0x20) return false;
    return true;
}

int64_t Accounts::Insert(std::string_view login, std::string_view mail, std::string_view passHash,
                         bool activated, int64_t nowMs) {
    return *db.QueryInt(
        "INSERT INTO accounts(login, mail, pass_hash, activated, created) VALUES(?1, ?2, ?3, ?4, ?5) RETURNING id",
        login, mail, passHash, int64_t(activated ? 1 : 0), nowMs);
}

ResultCode Accounts::Register(std::string_view login, std::string_view password, std::string_view mail,
                              bool activate, int64_t nowMs) {
    if (!IsValidLogin(login) || password.empty() || password.size() > kMaxPasswordBytes || !IsValidMail(mail))
        return kBadParameter;
    // Hash before the transaction: it takes a noticeable moment on purpose,
    // and other writers should not wait for it.
    std::string hash = HashPassword(password);
    Transaction tx(db);
    if (db.QueryInt("SELECT id FROM accounts WHERE login = ?1", login)) return kLoginTaken;
    if (db.QueryInt("SELECT id FROM accounts WHERE mail = ?1", mail)) return kMailTaken;
    Insert(login, mail, hash, activate, nowMs);
    if (!activate) {
        QueueMail(mail, "Activate your account",
                  "Your account \"" + std::string(login) +
                      "\" has been created. It becomes usable once it is activated.",
                  nowMs);
    }
    tx.Commit();
    return kOk;
}

ResultCode Accounts::SignIn(std::string_view login, std::string_view password, std::string_view version,
                            int64_t& accountId) {
    if (version != kClientVersion) return kOldClient;
    Stmt& s = db.Prepare("SELECT id, pass_hash, activated FROM accounts WHERE login = ?1");
    s.BindAll(login);
    if (!s.Step()) return kWrongCredentials;
    int64_t id = s.Int(0);
    std::string hash = s.Text(1);
    bool activated = s.Int(2) != 0;
    s.Reset();
    EnsureSodium();
    if (hash.empty() || password.size() > kMaxPasswordBytes ||
        crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) != 0)
        return kWrongCredentials;
    if (!activated) return kNotActivated;
    accountId = id;
    return kOk;
}

ResultCode Accounts::RequestRestore(std::string_view loginOrMail, bool byMail, int64_t nowMs) {
    Stmt& s = db.Prepare(byMail ? "SELECT login, mail FROM accounts WHERE mail = ?1"
                                : "SELECT login, mail FROM accounts WHERE login = ?1");
    s.BindAll(loginOrMail);
    if (!s.Step()) return kNoSuchAccount;
    std::string login = s.Text(0);
    std::string mail = s.Text(1);
    s.Reset();
    QueueMail(mail, "Choose a new password",
              "A new password was asked for the account \"" + login + "\". Reset code: " + RandomHex(8) +
                  ". If you did not ask for it, ignore this mail.",
              nowMs);
    return kOk;
}

ResultCode Accounts::ResendActivation(std::string_view login, int64_t nowMs) {
    Stmt& s = db.Prepare("SELECT login, mail, activated FROM accounts WHERE login = ?1");
    s.BindAll(login);
    if (!s.Step()) return kNoSuchAccount;
    std::string name = s.Text(0);
    std::string mail = s.Text(1);
    bool activated = s.Int(2) != 0;
    s.Reset();
    // An active account needs no second mail; the answer is the same so that
    // the reply does not reveal more than the sign-in already did.
    if (!activated)
        QueueMail(mail, "Activate your account",
                  "Your account \"" + name + "\" waits for activation.", nowMs);
    return kOk;
}

bool Accounts::Activate(std::string_view login) {
    return db.QueryInt("UPDATE accounts SET activated = 1 WHERE login = ?1 RETURNING id", login).has_value();
}

void Accounts::QueueMail(std::string_view to, std::string_view subject, std::string_view body, int64_t nowMs) {
    db.Prepare("INSERT INTO outbox(time, recipient, subject, body) VALUES(?1, ?2, ?3, ?4)")
        .BindAll(nowMs, to, subject, body)
        .Run();
}

}  // namespace catalogd
