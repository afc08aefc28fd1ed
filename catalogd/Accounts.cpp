#include "Accounts.h"

#include <sodium.h>

#include <stdexcept>

#include "Db.h"
#include "HashSlots.h"
#include "base/Text.h"

namespace catalogd {
namespace {

constexpr size_t kMaxLoginChars = 64;
constexpr size_t kMaxPasswordBytes = 1024;
constexpr size_t kMaxMailBytes = 254;

constexpr std::string_view kSignInSubject = "signin-addr";
constexpr std::string_view kRegisterSubject = "reg-addr";

void EnsureSodium() {
    if (sodium_init() < 0) throw std::runtime_error("libsodium cannot start");
}

// A hash of a password nobody knows, made the way every account's is, so
// that checking against it costs what checking a real one does.
const std::string& DummyHash() {
    static const std::string hash = Accounts::HashPassword(RandomHex(16));
    return hash;
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
    if (!Allowed(kRegisterSubject, &AbuseLimits::registrationsPerAddress, nowMs, true)) return kTooManyTries;
    // A taken login or address is answered before the costly hash.
    if (db.QueryInt("SELECT id FROM accounts WHERE login = ?1", login)) return kLoginTaken;
    if (db.QueryInt("SELECT id FROM accounts WHERE mail = ?1", mail)) return kMailTaken;
    // Hash before the transaction: it takes a noticeable moment on purpose,
    // and other writers should not wait for it.
    std::string hash;
    if (!Hash([&] { hash = HashPassword(password); })) return kBusy;
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
                            int64_t& accountId, int64_t nowMs) {
    if (version != kClientVersion) return kOldClient;
    const std::string loginSubject = LoginSubject("signin-login", login);
    if (!Allowed(loginSubject, &AbuseLimits::signInPerLogin, nowMs, false) ||
        !Allowed(kSignInSubject, &AbuseLimits::signInPerAddress, nowMs, false))
        return kTooManyTries;
    Stmt& s = db.Prepare("SELECT id, pass_hash, activated FROM accounts WHERE login = ?1");
    s.BindAll(login);
    const bool found = s.Step();
    const int64_t id = found ? s.Int(0) : 0;
    const std::string hash = found ? s.Text(1) : std::string();
    const bool activated = found && s.Int(2) != 0;
    s.Reset();
    // Whether the login exists (or has a password at all) must not show in
    // the time the answer takes: a miss is checked against a dummy.
    bool match = false;
    if (!Hash([&] {
            const std::string& against = hash.empty() ? DummyHash() : hash;
            const std::string_view tried = password.substr(0, kMaxPasswordBytes);
            match = crypto_pwhash_str_verify(against.c_str(), tried.data(), tried.size()) == 0 && !hash.empty() &&
                    password.size() <= kMaxPasswordBytes;
        }))
        return kBusy;
    if (!match) {
        Allowed(loginSubject, &AbuseLimits::signInPerLogin, nowMs, true);
        Allowed(kSignInSubject, &AbuseLimits::signInPerAddress, nowMs, true);
        return kWrongCredentials;
    }
    Throttle(db).Clear(loginSubject);
    if (!activated) return kNotActivated;
    accountId = id;
    return kOk;
}

ResultCode Accounts::RequestRestore(std::string_view loginOrMail, bool byMail, int64_t nowMs) {
    Stmt& s = db.Prepare(byMail ? "SELECT id, login, mail FROM accounts WHERE mail = ?1"
                                : "SELECT id, login, mail FROM accounts WHERE login = ?1");
    s.BindAll(loginOrMail);
    if (!s.Step()) return kOk;
    const int64_t id = s.Int(0);
    std::string login = s.Text(1);
    std::string mail = s.Text(2);
    s.Reset();
    if (!MayMail(id, nowMs)) return kOk;
    QueueMail(mail, "Choose a new password",
              "A new password was asked for the account \"" + login + "\". Reset code: " + RandomHex(8) +
                  ". If you did not ask for it, ignore this mail.",
              nowMs);
    return kOk;
}

ResultCode Accounts::ResendActivation(std::string_view login, int64_t nowMs) {
    Stmt& s = db.Prepare("SELECT id, login, mail, activated FROM accounts WHERE login = ?1");
    s.BindAll(login);
    if (!s.Step()) return kOk;
    const int64_t id = s.Int(0);
    std::string name = s.Text(1);
    std::string mail = s.Text(2);
    bool activated = s.Int(3) != 0;
    s.Reset();
    // An active account needs no second mail; the answer is the same so that
    // the reply does not reveal more than the sign-in already did.
    if (!activated && MayMail(id, nowMs))
        QueueMail(mail, "Activate your account",
                  "Your account \"" + name + "\" waits for activation.", nowMs);
    return kOk;
}

bool Accounts::MayMail(int64_t accountId, int64_t nowMs) {
    return Allowed("mail:" + std::to_string(accountId), &AbuseLimits::mailsPerAccount, nowMs, true);
}

bool Accounts::Allowed(std::string_view subject, const Allowance AbuseLimits::*allowance, int64_t nowMs, bool take) {
    if (!guard.limits) return true;
    std::string full(subject);
    // The per-address subjects are named here, where the address is known.
    if (subject == kSignInSubject || subject == kRegisterSubject) {
        if (guard.address.empty()) return true;
        full += ":" + std::string(guard.address);
    }
    Throttle throttle(db);
    const Allowance& a = guard.limits->*allowance;
    return take ? throttle.Take(full, a, nowMs) : !throttle.Exhausted(full, a, nowMs);
}

bool Accounts::Hash(const std::function<void()>& work) {
    if (!guard.slots) {
        work();
        return true;
    }
    return guard.slots->Run(work);
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
