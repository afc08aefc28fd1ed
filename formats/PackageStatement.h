#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// What the catalog vouches for when it publishes a package, and the Ed25519
// signature over it. The signing side is catalogd's (seed and publish, where
// the catalog's secret key lives); the checking side is the store's, before
// a downloaded package reaches the installer. Both build the same canonical
// text from the same fields (docs/package-format.md), so nothing but the
// fields and the signature travels.
namespace formats {

struct PackageStatement {
    int64_t appId = 0;
    std::string sysid;    // the install name the package creates (UTF-8)
    int64_t revision = 0;
    std::string version;  // the version text shown to the user (UTF-8)
    int64_t size = 0;     // of the package file, in bytes
    std::string sha256;   // of the package file, 64 lowercase hexadecimal digits
    std::string keyId;    // KeyIdOf the public key that checks the signature
};

// The highest revision a device records (its registry holds a DWORD that the
// store reads as a signed number); revisions start at 1.
inline constexpr int64_t kMaxRevision = 2147483647;

// The text that is signed, or nothing when a field cannot be stated without
// ambiguity (a revision or size out of range, a control character or an
// empty install name, a digest or key id of the wrong form): such a package
// is never signed, and never accepted.
std::optional<std::string> CanonicalStatement(const PackageStatement& statement);

// A key pair; the secret key holds the public one (libsodium's layout).
struct SigningKey {
    std::string secretKey;  // 64 bytes
    std::string publicKey;  // 32 bytes
};

// A public key's id: the first 8 bytes of its SHA-256, in hexadecimal.
std::string KeyIdOf(std::string_view publicKey);

SigningKey GenerateSigningKey();

// Key files are one line of hexadecimal digits: 128 for a secret key, 64 for
// a public one. Empty when the text is not such a key.
std::optional<SigningKey> ParseSecretKey(std::string_view text);
std::optional<std::string> ParsePublicKey(std::string_view text);
// The public key held by a file that PublicKeyText wrote (catalogd keygen's
// FILE.pub); empty when it cannot be read or holds no such key.
std::optional<std::string> ReadPublicKeyFile(const std::filesystem::path& file);
std::string SecretKeyText(const SigningKey& key);
std::string PublicKeyText(std::string_view publicKey);

// The signature, 128 hexadecimal digits; empty when the statement cannot be
// stated (see CanonicalStatement).
std::string SignStatement(const PackageStatement& statement, const SigningKey& key);

// True only when the statement can be stated, its key id is the public key's
// and the signature is that key's over it.
bool StatementVerifies(const PackageStatement& statement, std::string_view signatureHex,
                       std::string_view publicKey);

// SHA-256 of bytes, in lowercase hexadecimal.
std::string Sha256Hex(std::string_view bytes);

}  // namespace formats
