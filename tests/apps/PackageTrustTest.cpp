// The signed statement that makes a package trusted, and the keys a device
// trusts: every field counts, and nothing but a trusted key's signature does.
#include <gtest/gtest.h>

#include "support/StoreFixture.h"
#include "apps/PackageTrust.h"
#include "base/Text.h"
#include "formats/PackageStatement.h"

namespace {

formats::PackageStatement Sample(const formats::SigningKey& key) {
    return {7, "Vendor Notes", 3, "1.2", 10240, std::string(64, 'a'), formats::KeyIdOf(key.publicKey)};
}

}  // namespace

TEST(PackageStatement, EveryFieldIsBoundAndOnlyWhatCanBeStatedIsSigned) {
    const formats::SigningKey key = formats::GenerateSigningKey();
    const formats::PackageStatement signedOne = Sample(key);
    const std::string signature = formats::SignStatement(signedOne, key);
    ASSERT_EQ(signature.size(), 128u);
    EXPECT_TRUE(formats::StatementVerifies(signedOne, signature, key.publicKey));

    using Change = void (*)(formats::PackageStatement&);
    const std::pair<const char*, Change> changes[] = {
        {"app", [](formats::PackageStatement& s) { s.appId = 8; }},
        {"sysid", [](formats::PackageStatement& s) { s.sysid = "Vendor Notez"; }},
        {"revision", [](formats::PackageStatement& s) { s.revision = 4; }},
        {"version", [](formats::PackageStatement& s) { s.version = "1.3"; }},
        {"size", [](formats::PackageStatement& s) { s.size = 10241; }},
        {"sha256", [](formats::PackageStatement& s) { s.sha256 = std::string(63, 'a') + "b"; }},
        {"key", [](formats::PackageStatement& s) { s.keyId = std::string(16, '0'); }},
    };
    for (const auto& [field, change] : changes) {
        formats::PackageStatement s = signedOne;
        change(s);
        EXPECT_FALSE(formats::StatementVerifies(s, signature, key.publicKey)) << field;
    }
    const formats::SigningKey other = formats::GenerateSigningKey();
    EXPECT_FALSE(formats::StatementVerifies(signedOne, signature, other.publicKey)) << "another key";
    std::string flipped = signature;
    flipped[5] = flipped[5] == '0' ? '1' : '0';
    EXPECT_FALSE(formats::StatementVerifies(signedOne, flipped, key.publicKey)) << "a damaged signature";
    EXPECT_FALSE(formats::StatementVerifies(signedOne, "", key.publicKey)) << "no signature";

    // Fields that cannot be stated are never signed, so never accepted.
    const std::pair<const char*, Change> unstatable[] = {
        {"revision 0", [](formats::PackageStatement& s) { s.revision = 0; }},
        {"revision above 2^31-1", [](formats::PackageStatement& s) { s.revision = formats::kMaxRevision + 1; }},
        {"a line break in the version", [](formats::PackageStatement& s) { s.version = "1.2\nsize 1"; }},
        {"an empty install name", [](formats::PackageStatement& s) { s.sysid.clear(); }},
        {"an upper-case digest", [](formats::PackageStatement& s) { s.sha256 = std::string(64, 'A'); }},
        {"no size", [](formats::PackageStatement& s) { s.size = 0; }},
    };
    for (const auto& [what, change] : unstatable) {
        formats::PackageStatement s = Sample(key);
        change(s);
        EXPECT_FALSE(formats::CanonicalStatement(s)) << what;
        EXPECT_EQ(formats::SignStatement(s, key), "") << what;
    }
}

class TrustedKeysDevice : public StoreFixture {};

TEST_F(TrustedKeysDevice, OnlyAKeyFiledUnderItsOwnIdIsTrusted) {
    const formats::SigningKey key = formats::GenerateSigningKey(), misfiled = formats::GenerateSigningKey();
    auto keys = registry->CreateKey(platform::Hive::LocalMachine, u"Software\\Tobrix\\TrustedKeys");
    const auto hex = [](const formats::SigningKey& k) {
        return text::Utf8ToUtf16(formats::PublicKeyText(k.publicKey).substr(0, 64));
    };
    keys->WriteString(text::Utf8ToUtf16(formats::KeyIdOf(key.publicKey)), hex(key));
    // Under another id: one letter changed (a random id may begin with any of them).
    std::string other = formats::KeyIdOf(key.publicKey);
    other[0] = other[0] == 'f' ? 'e' : 'f';
    keys->WriteString(text::Utf8ToUtf16(other), hex(misfiled));
    keys->WriteString(u"0123456789abcdef", u"not a key");
    const apps::TrustedKeys trusted = apps::ReadTrustedKeys();
    // The demo key the fixture's device trusts, and the one filed rightly.
    EXPECT_EQ(trusted.size(), 2u);
    EXPECT_EQ(trusted.count(formats::KeyIdOf(key.publicKey)), 1u);
    EXPECT_EQ(trusted.count(formats::KeyIdOf(misfiled.publicKey)), 0u);

    App app;
    const formats::PackageStatement s = Sample(key);
    app.id = static_cast<int32_t>(s.appId);
    app.sysid = text::Utf8ToUtf16(s.sysid);
    app.revision = static_cast<int32_t>(s.revision);
    app.version = text::Utf8ToUtf16(s.version);
    app.packageSize = s.size;
    app.sha256 = s.sha256;
    app.packageKey = s.keyId;
    app.packageSignature = formats::SignStatement(s, key);
    EXPECT_TRUE(apps::HasTrustedStatement(app, trusted));
    const auto check = apps::DownloadCheck(app, trusted);
    EXPECT_TRUE(check(s.size, s.sha256)) << "the very bytes signed";
    EXPECT_FALSE(check(s.size, std::string(64, 'b'))) << "other bytes";
    EXPECT_FALSE(check(s.size + 1, s.sha256)) << "a longer file";
    EXPECT_FALSE(apps::HasTrustedStatement(app, {})) << "a device that trusts no key installs nothing";
}
