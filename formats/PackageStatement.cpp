#include "PackageStatement.h"

#include <sodium.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace formats {
namespace {

// Names the form, so that a signature over another kind of text, or over a
// later form of this one, can never pass for one over this form.
constexpr std::string_view kHeader = "tobrix-package-statement 1\n";

void StartSodium() {
    if (sodium_init() < 0) throw std::runtime_error("libsodium cannot start");
}

bool IsLowerHex(std::string_view text, size_t digits) {
    if (text.size() != digits) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// Neither a line break nor any other control character: every field is one
// line of the statement, so no field can pretend to end early.
bool IsOneLine(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    return true;
}

std::string ToHex(std::string_view bytes) {
    std::string hex(2 * bytes.size() + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    hex.pop_back();
    return hex;
}

std::optional<std::string> FromHex(std::string_view text, size_t bytes) {
    // One line, as the key files are written; a trailing line break is fine.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.remove_suffix(1);
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    if (!IsLowerHex(lower, 2 * bytes)) return std::nullopt;
    std::string out(bytes, '\0');
    size_t written = 0;
    if (sodium_hex2bin(reinterpret_cast<unsigned char*>(out.data()), bytes, lower.data(), lower.size(), nullptr,
                       &written, nullptr) != 0 ||
        written != bytes)
        return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> CanonicalStatement(const PackageStatement& s) {
    if (s.appId <= 0 || s.revision <= 0 || s.revision > kMaxRevision || s.size <= 0) return std::nullopt;
    if (s.sysid.empty() || !IsOneLine(s.sysid) || !IsOneLine(s.version)) return std::nullopt;
    if (!IsLowerHex(s.sha256, 64) || !IsLowerHex(s.keyId, 16)) return std::nullopt;
    std::string text(kHeader);
    text += "app " + std::to_string(s.appId) + "\n";
    text += "sysid " + s.sysid + "\n";
    text += "revision " + std::to_string(s.revision) + "\n";
    text += "version " + s.version + "\n";
    text += "size " + std::to_string(s.size) + "\n";
    text += "sha256 " + s.sha256 + "\n";
    text += "key " + s.keyId + "\n";
    return text;
}

std::string Sha256Hex(std::string_view bytes) {
    StartSodium();
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return ToHex(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest));
}

std::string KeyIdOf(std::string_view publicKey) { return Sha256Hex(publicKey).substr(0, 16); }

SigningKey GenerateSigningKey() {
    StartSodium();
    SigningKey key;
    key.publicKey.resize(crypto_sign_PUBLICKEYBYTES);
    key.secretKey.resize(crypto_sign_SECRETKEYBYTES);
    crypto_sign_keypair(reinterpret_cast<unsigned char*>(key.publicKey.data()),
                        reinterpret_cast<unsigned char*>(key.secretKey.data()));
    return key;
}

std::optional<SigningKey> ParseSecretKey(std::string_view text) {
    auto secret = FromHex(text, crypto_sign_SECRETKEYBYTES);
    if (!secret) return std::nullopt;
    StartSodium();
    SigningKey key;
    key.secretKey = std::move(*secret);
    key.publicKey.resize(crypto_sign_PUBLICKEYBYTES);
    crypto_sign_ed25519_sk_to_pk(reinterpret_cast<unsigned char*>(key.publicKey.data()),
                                 reinterpret_cast<const unsigned char*>(key.secretKey.data()));
    return key;
}

std::optional<std::string> ParsePublicKey(std::string_view text) { return FromHex(text, crypto_sign_PUBLICKEYBYTES); }

std::optional<std::string> ReadPublicKeyFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ParsePublicKey(text);
}

std::string SecretKeyText(const SigningKey& key) { return ToHex(key.secretKey) + "\n"; }

std::string PublicKeyText(std::string_view publicKey) { return ToHex(publicKey) + "\n"; }

std::string SignStatement(const PackageStatement& statement, const SigningKey& key) {
    if (key.secretKey.size() != crypto_sign_SECRETKEYBYTES || statement.keyId != KeyIdOf(key.publicKey)) return {};
    const auto text = CanonicalStatement(statement);
    if (!text) return {};
    StartSodium();
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(text->data()), text->size(),
                         reinterpret_cast<const unsigned char*>(key.secretKey.data()));
    return ToHex(std::string_view(reinterpret_cast<const char*>(signature), sizeof signature));
}

bool StatementVerifies(const PackageStatement& statement, std::string_view signatureHex,
                       std::string_view publicKey) {
    if (publicKey.size() != crypto_sign_PUBLICKEYBYTES || statement.keyId != KeyIdOf(publicKey)) return false;
    const auto text = CanonicalStatement(statement);
    const auto signature = FromHex(signatureHex, crypto_sign_BYTES);
    if (!text || !signature || signatureHex.size() != 2 * crypto_sign_BYTES) return false;
    StartSodium();
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature->data()),
                                       reinterpret_cast<const unsigned char*>(text->data()), text->size(),
                                       reinterpret_cast<const unsigned char*>(publicKey.data())) == 0;
}

}  // namespace formats
