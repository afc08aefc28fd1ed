#pragma once
#include <cstdint>
#include <string>

#include "formats/PackageStatement.h"

namespace catalogd {

// Loads the catalog's secret key from a file written by KeygenCommand; an
// empty path means the demo key that ships in the tree (data/keys), which
// vouches for nothing outside make run and the tests. Throws with a clear
// reason when the file cannot be read or holds no key.
formats::SigningKey LoadSigningKey(const std::string& path);

// Writes a new key pair: `out` (the secret key, readable by its owner only)
// and `out`.pub. Refuses to overwrite either file. Returns the key's id.
std::string WriteNewKeyPair(const std::string& out);

// What the catalog stores beside a package, so that every answer about it
// can carry the signature without the secret key being at hand.
struct PackageSignature {
    int64_t size = 0;
    std::string sha256, keyId, signature;
};

// Signs the statement over one package's bytes; throws when the fields
// cannot be stated (see formats::CanonicalStatement).
PackageSignature SignPackage(int64_t appId, const std::string& sysid, int64_t revision, const std::string& version,
                             const std::string& bytes, const formats::SigningKey& key);

}  // namespace catalogd
