#include "SigningKeys.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "DemoSigningKey.h"

namespace catalogd {
namespace {

// O_EXCL: a key is never overwritten by accident (a lost catalog key means
// every device must be given a new one); the mode is the secret key's.
void WriteNew(const std::string& path, const std::string& text, mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
    const bool whole = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!whole || !synced) {
        ::unlink(path.c_str());
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace

formats::SigningKey LoadSigningKey(const std::string& path) {
    std::string text = kDemoSigningKey;
    if (!path.empty()) {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw std::runtime_error("cannot read the signing key " + path);
        std::stringstream bytes;
        bytes << in.rdbuf();
        text = bytes.str();
    }
    auto key = formats::ParseSecretKey(text);
    if (!key) throw std::runtime_error((path.empty() ? std::string("the demo key") : path) +
                                       " is not a secret key made by \"catalogd keygen\"");
    return *key;
}

std::string WriteNewKeyPair(const std::string& out) {
    const formats::SigningKey key = formats::GenerateSigningKey();
    const std::string pub = out + ".pub";
    if (::access(pub.c_str(), F_OK) == 0) throw std::runtime_error(pub + " exists already");
    WriteNew(out, formats::SecretKeyText(key), 0600);
    try {
        WriteNew(pub, formats::PublicKeyText(key.publicKey), 0644);
    } catch (...) {
        ::unlink(out.c_str());
        throw;
    }
    return formats::KeyIdOf(key.publicKey);
}

PackageSignature SignPackage(int64_t appId, const std::string& sysid, int64_t revision, const std::string& version,
                             const std::string& bytes, const formats::SigningKey& key) {
    PackageSignature s;
    s.size = static_cast<int64_t>(bytes.size());
    s.sha256 = formats::Sha256Hex(bytes);
    s.keyId = formats::KeyIdOf(key.publicKey);
    s.signature = formats::SignStatement({appId, sysid, revision, version, s.size, s.sha256, s.keyId}, key);
    if (s.signature.empty())
        throw std::runtime_error("cannot sign the package of \"" + sysid + "\" revision " + std::to_string(revision) +
                                 ": its install name, version or revision cannot be stated");
    return s;
}

}  // namespace catalogd
