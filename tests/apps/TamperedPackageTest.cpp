// Someone on the link between the store and its catalog changes what the
// catalog says about a package, or the package itself. Whatever they do,
// nothing new is installed, no code of the package runs, the store says the
// package could not be verified, and what was installed before still runs.
#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "support/CabWriter.h"
#include "support/CatalogServer.h"
#include "support/ProgramRun.h"
#include "support/StoreFixture.h"
#include "support/TamperingRelay.h"
#include "apps/HeadlessStore.h"
#include "base/Text.h"
#include "formats/PackageStatement.h"

namespace {

// A package of the right install name whose setup extension would log every
// call it gets into the device's extension.log.
std::string HostilePackage(const std::string& sysid, const std::filesystem::path& work) {
    const auto cab = work / "hostile.cab";
    testing_cab::WriteCab(cab, {{"_setup.xml", testing_cab::SetupXml(sysid, "%CE1%\\Hostile", {{"run.exe", "RUN"}},
                                                                     {}, "setup.so")},
                                {"RUN", "payload"},
                                {"setup.so", ReadAll(TEST_EXTENSION_PATH)}});
    std::string bytes = ReadAll(cab);
    std::filesystem::remove(cab);
    return bytes;
}

struct Attack {
    const char* name;
    // What the relay does to the answers about the target application.
    std::function<void(const std::string& method, TamperingRelay::Answer&)> rewrite;
};

}  // namespace

class TamperedPackage : public StoreFixture {
protected:
    static void SetUpTestSuite() {
        catalog = new CatalogServer();
        relay = new TamperingRelay(catalog->Port());
    }
    static void TearDownTestSuite() {
        delete relay;
        delete catalog;
    }
    void SetUp() override {
        ASSERT_TRUE(catalog->Running()) << catalog->Error();
        relay->SetRule(nullptr);
        baseUrl = relay->BaseUrl();
        StoreFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(apps::SignIn(u"demo", u"demo"), 0);
        ASSERT_EQ(apps::SendConfig(), 0);
        for (int id = 1; id <= 30 && offered.size() < 2; ++id) {
            shared_ptr<App> app;
            if (apps::FetchApp(id, app) == 0 && app->sysid != AppManager::kSelfSysid) offered.push_back(app);
        }
        ASSERT_EQ(offered.size(), 2u);
    }
    void TearDown() override {
        relay->SetRule(nullptr);
        StoreFixture::TearDown();
    }

    // Installs `app` through the store as a user would; true when it is on the device.
    bool Install(const shared_ptr<App>& app) {
        {
            std::lock_guard ui(services.UILock());
            AppManager::Instance().AddDownload(app);
        }
        EXPECT_TRUE(WaitIdle());
        return AppManager::Instance().IsInstalled(app->sysid);
    }

    static inline CatalogServer* catalog = nullptr;
    static inline TamperingRelay* relay = nullptr;
    std::vector<shared_ptr<App>> offered;
};

TEST_F(TamperedPackage, NothingTheCatalogDidNotSignIsInstalled) {
    const shared_ptr<App> before = offered[0], target = offered[1];
    ASSERT_TRUE(Install(before)) << "an honest line installs";
    const auto beforeExe = AppManager::Instance().FindExecutable(before->sysid, before->exe);
    ASSERT_FALSE(beforeExe.empty());
    const std::string beforeBytes = Read(Host(beforeExe));

    const std::string id = std::to_string(target->id);
    const std::string hostile = HostilePackage(text::Utf16ToUtf8(target->sysid), root);
    const formats::SigningKey untrusted = formats::GenerateSigningKey();
    const auto package = [](TamperingRelay::Answer& a, const char* attribute, const std::string& value) {
        a.body = TamperingRelay::ReplaceAttribute(a.body, "<package ", attribute, value);
    };
    // Each field a statement binds is PackageStatement's table; here one
    // changed field stands for them, beside the ways around the statement.
    const Attack attacks[] = {
        {"the package element dropped",
         [](const std::string& method, TamperingRelay::Answer& a) {
             // Found by hand, not with <regex>: its matcher's template code,
             // instantiated here, would also serve the HTTP library's own
             // patterns, which ThreadSanitizer cannot follow.
             const size_t at = a.body.find("<package ");
             if (method == "appdetails" && at != std::string::npos) a.body.erase(at, a.body.find("/>", at) + 2 - at);
         }},
        {"the revision changed",
         [&](const std::string& method, TamperingRelay::Answer& a) {
             if (method == "appdetails")
                 a.body = TamperingRelay::ReplaceAttribute(a.body, "<app ", "revision",
                                                           std::to_string(target->revision + 1));
         }},
        {"signed with a key the device does not trust",
         [&](const std::string& method, TamperingRelay::Answer& a) {
             formats::PackageStatement s = apps::AnnouncedStatement(*target);
             s.size = static_cast<int64_t>(hostile.size());
             s.sha256 = formats::Sha256Hex(hostile);
             s.keyId = formats::KeyIdOf(untrusted.publicKey);
             if (method == "appdetails") {
                 package(a, "sha256", s.sha256);
                 package(a, "size", std::to_string(s.size));
                 package(a, "key", s.keyId);
                 package(a, "signature", formats::SignStatement(s, untrusted));
             }
             if (method == "download") a.body = hostile;
         }},
        {"a package that names a setup extension",
         [&](const std::string& method, TamperingRelay::Answer& a) {
             if (method == "download") a.body = hostile;
         }},
    };
    for (const Attack& attack : attacks) {
        SCOPED_TRACE(attack.name);
        relay->SetRule([&](const std::string& query, TamperingRelay::Answer& a) {
            if (TamperingRelay::QueryValue(query, "appid") != id && query.find(text::Utf16ToUtf8(target->sysid)) ==
                                                                        std::string::npos)
                return;
            for (const char* method : {"appdetails", "download"})
                if (query.find(method) != std::string::npos) attack.rewrite(method, a);
        });
        const size_t told = services.Errors().size();
        shared_ptr<App> app;
        ASSERT_EQ(apps::FetchApp(target->id, app), 0);
        EXPECT_FALSE(Install(app));
        const auto errors = services.Errors();
        EXPECT_EQ(std::vector<int32_t>(errors.begin() + static_cast<std::ptrdiff_t>(std::min(told, errors.size())),
                                       errors.end()),
                  std::vector<int32_t>{AppManager::kUnverified})
            << "the user is told why";
        EXPECT_FALSE(std::filesystem::exists(root / "extension.log")) << "no code of the package ran";
        EXPECT_TRUE(std::filesystem::is_empty(Host(AppManager::Instance().CabFolder()))) << "the file is deleted";
        EXPECT_EQ(Read(Host(beforeExe)), beforeBytes) << "what was installed before still runs";
        EXPECT_EQ(AppManager::Instance().GetRevision(before->sysid), before->revision);
        std::lock_guard ui(services.UILock());
        AppManager::Instance().Downloading().clear();
    }
    relay->SetRule(nullptr);
    shared_ptr<App> honest;
    ASSERT_EQ(apps::FetchApp(target->id, honest), 0);
    EXPECT_TRUE(Install(honest)) << "and the same application installs once the line is honest";
    EXPECT_EQ(AppManager::Instance().GetRevision(target->sysid), target->revision);
}
