#include "apps/PackageTrust.h"

#include "base/Text.h"
#include "net/App.h"
#include "platform/registry/Registry.h"

namespace apps {
namespace {

bool SignedByTrustedKey(const formats::PackageStatement& statement, const std::string& signature,
                        const TrustedKeys& keys) {
    const auto key = keys.find(statement.keyId);
    return key != keys.end() && formats::StatementVerifies(statement, signature, key->second);
}

}  // namespace

TrustedKeys ReadTrustedKeys() {
    TrustedKeys keys;
    auto folder = platform::OpenRegistryKey(platform::Hive::LocalMachine, kTrustedKeysKey);
    if (!folder) return keys;
    std::u16string name;
    for (uint32_t i = 0; folder->EnumValue(i, name); ++i) {
        std::u16string text;
        if (!folder->ReadString(name, text)) continue;
        const auto publicKey = formats::ParsePublicKey(text::Utf16ToUtf8(text));
        const std::string id = text::Utf16ToUtf8(name);
        if (publicKey && formats::KeyIdOf(*publicKey) == id) keys.emplace(id, *publicKey);
    }
    return keys;
}

formats::PackageStatement AnnouncedStatement(const App& app) {
    return {app.id,          text::Utf16ToUtf8(app.sysid), app.revision,  text::Utf16ToUtf8(app.version),
            app.packageSize, app.sha256,                   app.packageKey};
}

bool HasTrustedStatement(const App& app, const TrustedKeys& keys) {
    return SignedByTrustedKey(AnnouncedStatement(app), app.packageSignature, keys);
}

std::function<bool(int64_t, const std::string&)> DownloadCheck(const App& app, TrustedKeys keys) {
    return [statement = AnnouncedStatement(app), signature = app.packageSignature,
            keys = std::move(keys)](int64_t size, const std::string& sha256) mutable {
        // The file's own size and digest go into the statement: a signature
        // over any other bytes does not verify.
        statement.size = size;
        statement.sha256 = sha256;
        return SignedByTrustedKey(statement, signature, keys);
    };
}

}  // namespace apps
