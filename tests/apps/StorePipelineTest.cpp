// The whole store logic without screens: a real catalogd on loopback, real
// downloads, the device's installer and processor as separate programs, and
// the registry they share.
#include <httplib.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "support/CabWriter.h"
#include "support/CatalogServer.h"
#include "support/ProgramRun.h"
#include "support/StoreFixture.h"
#include "support/TamperingRelay.h"
#include "apps/HeadlessStore.h"
#include "base/Text.h"
#include "formats/PackageStatement.h"
#include "net/NetServices.h"
#include "net/PartialDownload.h"

using platform::Hive;

class StorePipeline : public CatalogStoreFixture {
protected:
    void SetUp() override {
        CatalogStoreFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(apps::SignIn(u"demo", u"demo"), 0);
        ASSERT_EQ(apps::SendConfig(), 0);
    }

    // Applications the catalog offers this device, the store's own left out.
    std::vector<shared_ptr<App>> Offered(std::size_t count, int minRevision = 1) {
        std::vector<shared_ptr<App>> out;
        for (int id = 1; id <= 30 && out.size() < count; ++id) {
            shared_ptr<App> app;
            if (apps::FetchApp(id, app) == 0 && app->sysid != AppManager::kSelfSysid && app->revision >= minRevision)
                out.push_back(app);
        }
        EXPECT_EQ(out.size(), count);
        return out;
    }
    shared_ptr<App> SelfApp() {
        for (int id = 1; id <= 40; ++id) {
            shared_ptr<App> app;
            if (apps::FetchApp(id, app) == 0 && app->sysid == AppManager::kSelfSysid) return app;
        }
        ADD_FAILURE() << "the catalog has no package of the store itself";
        return nullptr;
    }

    // The seeded package of `app`, put into the cabs folder as a download would.
    std::u16string Downloaded(const App& app) {
        std::u16string name = app.install.substr(app.install.rfind(u'/') + 1);
        std::u16string target = AppManager::Instance().CabFolder() + u"\\" + name;
        std::filesystem::copy_file(catalog->Assets() / "packages" / text::Utf16ToUtf8(name), Host(target),
                                   std::filesystem::copy_options::overwrite_existing);
        return target;
    }

    bool RunJob(const std::u16string& cab, const std::u16string& sysid, int32_t revision) {
        auto result = std::make_shared<std::optional<bool>>();
        {
            // Subscribed before the worker can reach its end.
            std::lock_guard ui(services.UILock());
            auto job = AppManager::Instance().QueueInstall(cab, sysid, revision);
            SubscribeFn(job->Done, [result](InstallRequest*, bool ok) { *result = ok; });
        }
        EXPECT_TRUE(WaitIdle());
        std::lock_guard ui(services.UILock());
        return result->value_or(false);
    }

    shared_ptr<App> InstalledRecord(const std::u16string& sysid) {
        std::lock_guard ui(services.UILock());
        auto& installed = AppManager::Instance().Installed();
        auto it = installed.find(sysid);
        return it == installed.end() ? nullptr : it->second;
    }
};

TEST_F(StorePipeline, FirstInstallTakesAnApplicationOntoTheDevice) {
    shared_ptr<App> app = Offered(1)[0];
    StatusLog log;
    AppManager& manager = AppManager::Instance();
    {
        std::lock_guard ui(services.UILock());
        log.Watch(*app);
        manager.AddDownload(app);
        EXPECT_EQ(manager.Downloading().count(app->sysid), 1u);
        EXPECT_TRUE(app->IsDownloading());
    }
    ASSERT_TRUE(WaitIdle());

    // The download's first report, then every end and the install's start.
    using R = StatusLog::Report;
    std::vector<R> ends;
    for (const auto& r : log.Reports())
        if (ends.empty() || std::get<1>(r) || std::get<0>(r) == App::StatusInstall) ends.push_back(r);
    EXPECT_EQ(ends, (std::vector<R>{R(App::StatusDownload, false, true), R(App::StatusDownload, true, true),
                                    R(App::StatusInstall, false, true), R(App::StatusInstall, true, true)}));
    const auto progress = log.Progresses();
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_TRUE(progress.back() > 0.0 && progress.back() <= 1.0) << progress.back();

    EXPECT_EQ(manager.GetRevision(app->sysid), app->revision);
    shared_ptr<App> record = InstalledRecord(app->sysid);
    ASSERT_TRUE(record);
    {
        std::lock_guard ui(services.UILock());
        EXPECT_TRUE(manager.Downloading().empty());
        EXPECT_NE(record.get(), app.get()) << "a fresh record joins the installed ones";
        EXPECT_TRUE(record->inCatalog) << "and learns its catalog details";
        EXPECT_EQ(record->id, app->id);
        EXPECT_FALSE(app->IsInstalling());
    }
    // The package file is gone: the storage-card setting is off.
    EXPECT_TRUE(std::filesystem::is_empty(Host(manager.CabFolder())));
    EXPECT_FALSE(std::filesystem::exists(Host(u"\\Storage Card\\Tobrix CABs")));

    // Its program is there; removing it is the application manager's test.
    EXPECT_TRUE(std::filesystem::exists(Host(manager.FindExecutable(app->sysid, app->exe))));
}

TEST_F(StorePipeline, TwoInstallsRunTheirInstallersOneAfterTheOther) {
    auto apps = Offered(2);
    AppManager& manager = AppManager::Instance();
    std::vector<std::pair<int, bool>> done;  // job index, the other job's installer running at that time
    std::vector<shared_ptr<InstallRequest>> jobs;
    {
        std::lock_guard ui(services.UILock());
        for (int i = 0; i < 2; ++i) {
            jobs.push_back(manager.QueueInstall(Downloaded(*apps[i]), apps[i]->sysid, apps[i]->revision));
            SubscribeFn(jobs.back()->Done, [&, i](InstallRequest*, bool ok) {
                EXPECT_TRUE(ok);
                std::lock_guard queue(manager.installLock);
                bool otherRunning = i == 0 && manager.installQueue.size() == 2 &&
                                    manager.installQueue[1]->worker.joinable();
                done.emplace_back(i, otherRunning);
            });
        }
        EXPECT_TRUE(jobs[0]->worker.joinable());
        EXPECT_FALSE(jobs[1]->worker.joinable()) << "the second waits behind the first";
    }
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(done, (std::vector<std::pair<int, bool>>{{0, false}, {1, false}}));
    EXPECT_EQ(manager.GetRevision(apps[0]->sysid), apps[0]->revision);
    EXPECT_EQ(manager.GetRevision(apps[1]->sysid), apps[1]->revision);
    // An update is never in `downloading`, so jobs of their own add no records.
    EXPECT_TRUE(manager.Installed().empty());
}

TEST_F(StorePipeline, StorageCardSettingKeepsPackagesOnTheCard) {
    auto apps = Offered(3);
    AppManager& manager = AppManager::Instance();
    Kestrum::Instance().keepPackagesOnCard = 1;
    const auto onCard = [this](const std::u16string& cab) {
        return Host(u"\\Storage Card\\Tobrix CABs\\" + cab.substr(cab.rfind(u'\\') + 1));
    };

    std::u16string first = Downloaded(*apps[0]);
    ASSERT_TRUE(RunJob(first, apps[0]->sysid, apps[0]->revision));
    EXPECT_TRUE(std::filesystem::exists(onCard(first)));
    EXPECT_FALSE(std::filesystem::exists(Host(first)));

    // A package of that name on the card already: the card keeps its copy.
    std::u16string second = Downloaded(*apps[1]);
    std::ofstream(onCard(second)) << "older copy";
    ASSERT_TRUE(RunJob(second, apps[1]->sysid, apps[1]->revision));
    EXPECT_EQ(ReadAll(onCard(second)), "older copy");
    EXPECT_FALSE(std::filesystem::exists(Host(second)));

    // No card in the device: the package is deleted.
    platform::DeviceRoot device = platform::CurrentDevice();
    device.MutableInfo().storageCards.clear();
    platform::SetCurrentDevice(device);
    std::u16string third = Downloaded(*apps[2]);
    ASSERT_TRUE(RunJob(third, apps[2]->sysid, apps[2]->revision));
    EXPECT_FALSE(std::filesystem::exists(Host(third)));
    EXPECT_FALSE(std::filesystem::exists(onCard(third)));
    EXPECT_EQ(manager.GetRevision(apps[2]->sysid), apps[2]->revision);
}

TEST_F(StorePipeline, FailedInstallationsCreateNoKeyAndDisposeOfTheFile) {
    auto apps = Offered(2);
    AppManager& manager = AppManager::Instance();
    const std::u16string junk = manager.CabFolder() + u"\\junk.cab";
    WriteFile(junk, "MSCF and then nothing of a cabinet");
    EXPECT_FALSE(RunJob(junk, apps[0]->sysid, 3));
    EXPECT_FALSE(manager.IsInstalled(apps[0]->sysid));
    EXPECT_FALSE(std::filesystem::exists(Host(junk)));

    // A cabinet cut short.
    std::u16string cut = Downloaded(*apps[0]);
    std::filesystem::resize_file(Host(cut), std::filesystem::file_size(Host(cut)) / 2);
    EXPECT_FALSE(RunJob(cut, apps[0]->sysid, 3));
    EXPECT_FALSE(manager.IsInstalled(apps[0]->sysid));
    EXPECT_FALSE(std::filesystem::exists(Host(cut)));

    // The installer succeeds, but not with the package the job expects.
    EXPECT_FALSE(RunJob(Downloaded(*apps[1]), apps[0]->sysid, 3));
    EXPECT_TRUE(manager.IsInstalled(apps[1]->sysid));
    EXPECT_EQ(manager.GetRevision(apps[1]->sysid), 0) << "no revision for a failed job";

    // A package file that is not there: the installer is not even started.
    EXPECT_FALSE(RunJob(manager.CabFolder() + u"\\gone.cab", apps[0]->sysid, 3));

    // A damaged update leaves the installed version and its key in place:
    // that key is no proof of success, and the revision stays.
    ASSERT_TRUE(RunJob(Downloaded(*apps[0]), apps[0]->sysid, 4));
    WriteFile(junk, "still no cabinet");
    EXPECT_FALSE(RunJob(junk, apps[0]->sysid, 5));
    EXPECT_TRUE(manager.IsInstalled(apps[0]->sysid));
    EXPECT_EQ(manager.GetRevision(apps[0]->sysid), 4);
    // A good one replaces it.
    EXPECT_TRUE(RunJob(Downloaded(*apps[0]), apps[0]->sysid, 6));
    EXPECT_EQ(manager.GetRevision(apps[0]->sysid), 6);
}

TEST_F(StorePipeline, UpdatesAreCountedForStrictlyNewerRecordedRevisions) {
    auto apps = Offered(5, 2);
    AppManager& manager = AppManager::Instance();
    FakeInstalled(apps[0]->sysid, {}, apps[0]->revision - 1);  // counted
    FakeInstalled(apps[1]->sysid, {}, apps[1]->revision);      // same revision
    FakeInstalled(apps[2]->sysid, {});                         // installed by other means
    FakeInstalled(apps[3]->sysid, {}, apps[3]->revision + 1);  // newer than the catalog
    FakeInstalled(apps[4]->sysid, {}, apps[4]->revision - 1);  // counted, then removed
    manager.Reset();
    int changes = 0;
    SubscribeFn(manager.UpdatesChanged, [&] { ++changes; });

    manager.CheckForUpdates();
    ASSERT_TRUE(WaitIdle());
    manager.CheckForUpdates();  // asks nobody again
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(manager.UpdateCount(), 2);
    EXPECT_EQ(changes, 2);

    // Removing a counted package lowers the count; an uncounted one does not.
    shared_ptr<App> counted = InstalledRecord(apps[4]->sysid), other = InstalledRecord(apps[2]->sysid);
    {
        std::lock_guard ui(services.UILock());
        counted->Uninstall();
    }
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(manager.UpdateCount(), 1);
    {
        std::lock_guard ui(services.UILock());
        other->Uninstall();
    }
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(manager.UpdateCount(), 1);

    // Starting the update takes it off the count at once; the revision moves
    // only when the update is installed, and the record stays the one record.
    shared_ptr<App> updatable = InstalledRecord(apps[0]->sysid);
    StatusLog log;
    {
        std::lock_guard ui(services.UILock());
        log.Watch(*updatable);
        manager.StartUpdate(updatable.get());
        EXPECT_EQ(manager.UpdateCount(), 0);
        EXPECT_EQ(manager.GetRevision(apps[0]->sysid), apps[0]->revision - 1);
    }
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(log.Result(App::StatusInstall), true);
    EXPECT_EQ(manager.GetRevision(apps[0]->sysid), apps[0]->revision);
    std::lock_guard ui(services.UILock());
    EXPECT_EQ(manager.Installed().count(apps[0]->sysid), 1u);
    EXPECT_EQ(manager.Installed().at(apps[0]->sysid).get(), updatable.get());
    EXPECT_TRUE(manager.Downloading().empty());
}

TEST_F(StorePipeline, StoresOwnUpdateIsOfferedOnceAndKeepsItsRevisionRight) {
    shared_ptr<App> self = SelfApp();
    ASSERT_TRUE(self);
    AppManager& manager = AppManager::Instance();
    FakeInstalled(AppManager::kSelfSysid, {});
    registry->CreateKey(Hive::LocalMachine, u"Software\\Tobrix")->WriteDword(u"TobrixRevision", 1);
    manager.Reset();
    services.SetPopupAnswer(std::nullopt);  // the question stays open
    int myApplications = 0;
    SubscribeFn(manager.ShowMyApplications, [&] { ++myApplications; });

    // A package whose name merely mentions the store counts as an update of
    // its own but is not offered as the store's.
    FakeInstalled(u"Acme TobrixTheme", {}, 1);
    shared_ptr<App> theme = make_shared_obj<App>(*self);
    theme->sysid = u"Acme TobrixTheme";
    SignAsCatalog(*theme);
    {
        std::lock_guard ui(services.UILock());
        manager.OnAppStatus(theme.get(), App::StatusDetails, true, 1.0, true);
    }
    EXPECT_EQ(manager.UpdateCount(), 1);
    EXPECT_TRUE(services.Popups().empty());

    manager.CheckForUpdates();
    ASSERT_TRUE(WaitIdle());
    shared_ptr<App> record = InstalledRecord(AppManager::kSelfSysid);
    {
        // A second details answer counts again but asks no second time.
        std::lock_guard ui(services.UILock());
        record->detailsRequest = nullptr;
        record->RequestDetails();
    }
    ASSERT_TRUE(WaitIdle());
    auto popups = services.Popups();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].title, 8);
    EXPECT_EQ(popups[0].button1, 1);
    EXPECT_EQ(popups[0].button2, 2);
    EXPECT_NE(popups[0].text.find(self->version), std::u16string::npos);
    EXPECT_EQ(popups[0].text.find(u"--ver--"), std::u16string::npos);

    EXPECT_EQ(services.AnswerPopups(0), 1u);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(myApplications, 1);
    EXPECT_EQ(manager.GetRevision(AppManager::kSelfSysid), self->revision)
        << "after a successful update the store's revision is the installed one";

    // A failed installation of the store gives the old revision back.
    const std::u16string junk = manager.CabFolder() + u"\\junk.cab";
    WriteFile(junk, "not a cabinet");
    EXPECT_FALSE(RunJob(junk, AppManager::kSelfSysid, self->revision + 7));
    EXPECT_EQ(manager.GetRevision(AppManager::kSelfSysid), self->revision);
}

TEST_F(StorePipeline, HostileNamesFromTheCatalogNeverLeaveTheCabsFolder) {
    shared_ptr<App> app = Offered(1)[0];
    AppManager& manager = AppManager::Instance();
    struct Case {
        std::u16string install, sysid;
    };
    // The names themselves are PackageNames' table; here only that both
    // ways of naming a download go through it.
    const std::vector<Case> cases = {
        {u"..\\..\\..\\Windows\\evil.cab", app->sysid},
        {u"http://elsewhere/evil.cab", u"..\\..\\evil"},
    };
    for (const auto& c : cases) {
        shared_ptr<App> hostile = make_shared_obj<App>(*app);
        hostile->install = c.install;
        hostile->sysid = c.sysid;
        StatusLog log;
        {
            std::lock_guard ui(services.UILock());
            log.Watch(*hostile);
            manager.AddDownload(hostile);
        }
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(log.Result(App::StatusDownload), false) << text::Utf16ToUtf8(c.install);
        EXPECT_FALSE(log.Result(App::StatusInstall).has_value());
    }
    EXPECT_FALSE(std::filesystem::exists(Host(u"\\Windows\\evil.cab")));
    EXPECT_TRUE(std::filesystem::is_empty(Host(manager.CabFolder())));
    EXPECT_FALSE(manager.IsInstalled(app->sysid));
}

// What a killed store left in its download folder once it runs again and the
// catalog has accepted the device: a package still offered goes on from its
// bytes and is installed; bytes nobody can name or want go, and so do those
// of an update that is no longer newer than what is installed.
TEST_F(StorePipeline, InterruptedDownloadsGoOnOnceTheCatalogAcceptsTheDevice) {
    const auto offered = Offered(2);
    const shared_ptr<App> app = offered[0], current = offered[1];
    AppManager& manager = AppManager::Instance();
    // An update broken off once, its package since installed at the
    // catalog's revision by other means: its bytes are nobody's any more.
    FakeInstalled(current->sysid, {}, current->revision);
    manager.Reset();
    const std::u16string name = app->install.substr(app->install.rfind(u'/') + 1);
    const auto cabs = Host(manager.CabFolder());
    const auto target = cabs / text::Utf16ToUtf8(name);
    const std::string package = ReadAll(catalog->Assets() / "packages" / text::Utf16ToUtf8(name));
    // The first half, as a killed download leaves it, and what the server
    // said of the file.
    httplib::Client client("127.0.0.1", catalog->Port());
    auto head = client.Get("/files/packages/" + text::Utf16ToUtf8(name));
    ASSERT_TRUE(head && head->has_header("ETag"));
    std::ofstream(net::PartialFileOf(target), std::ios::binary) << package.substr(0, package.size() / 2);
    ASSERT_TRUE(net::WriteIdentity(net::IdentityFileOf(target), {int64_t(package.size()), head->get_header_value("ETag"),
                                                                  text::Utf16ToUtf8(app->sysid)}));
    ASSERT_TRUE(net::WriteIdentity(net::IdentityFileOf(cabs / "gone.cab"), {10, "\"x\"", "Nobody Makes This"}));
    std::ofstream(net::PartialFileOf(cabs / "gone.cab")) << "12345";
    std::ofstream(net::PartialFileOf(cabs / "nameless.cab")) << "no identity";
    ASSERT_TRUE(net::WriteIdentity(net::IdentityFileOf(cabs / "current.cab"),
                                   {10, "\"x\"", text::Utf16ToUtf8(current->sysid)}));
    std::ofstream(net::PartialFileOf(cabs / "current.cab")) << "12345";

    manager.CheckForUpdates();
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(manager.IsInstalled(app->sysid));
    EXPECT_EQ(manager.GetRevision(app->sysid), app->revision);
    EXPECT_TRUE(std::filesystem::is_empty(cabs));
    EXPECT_TRUE(services.Errors().empty());
    std::lock_guard ui(services.UILock());
    EXPECT_TRUE(manager.Downloading().empty());
}

TEST_F(StorePipeline, CommandLineToolDrivesTheSameManager) {
    shared_ptr<App> app = Offered(1)[0];
    std::string errors;
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "store");
        args.insert(args.end(), {"--base", text::Utf16ToUtf8(baseUrl), "--device-root", root.string(), "--login", "demo",
                                 "--password", "demo", "--localization",
                                 std::string(TOBRIX_SOURCE_DIR) + "/data/localization.xml"});
        const Captured tool = RunCaptured(TOBRIXCTL_PATH, args);
        errors = tool.err;
        std::vector<nlohmann::json> lines;
        std::istringstream out(tool.out);
        for (std::string line; std::getline(out, line);) lines.push_back(nlohmann::json::parse(line));
        return std::make_pair(tool.exitCode, lines);
    };

    // Events and their order are the manager's (the first install's test);
    // here that the tool signs in, installs and reports the device's state.
    auto [code, lines] = run({"install", std::to_string(app->id)});
    ASSERT_EQ(code, 0) << errors;
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], (nlohmann::json{{"event", "auth"}, {"code", 0}}));
    const auto& state = lines.back();
    ASSERT_EQ(state["installed"].size(), 1u);
    EXPECT_EQ(state["installed"][0]["installedRevision"], app->revision);
    EXPECT_TRUE(AppManager::Instance().IsInstalled(app->sysid));

    std::tie(code, lines) = run({"uninstall", text::Utf16ToUtf8(app->sysid)});
    EXPECT_EQ(code, 0) << errors;
    EXPECT_TRUE(lines.back()["installed"].empty());
    EXPECT_FALSE(AppManager::Instance().IsInstalled(app->sysid));

    EXPECT_EQ(run({"uninstall", text::Utf16ToUtf8(app->sysid)}).first, 1) << "nothing to remove";
    EXPECT_EQ(run({"install", "99999"}).first, 1) << "no such application";
}

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

// Someone on the link between the store and its catalog, once signed in,
// changes what the catalog says about a package, or the package itself.
// Whatever they do, nothing new is installed, no code of the package runs,
// the store says the package could not be verified, and what was installed
// before still runs.
class TamperedPackage : public StorePipeline {
protected:
    void SetUp() override {
        StorePipeline::SetUp();
        relay = std::make_unique<TamperingRelay>(catalog->Port());
        SetCatalogBaseUrl(relay->BaseUrl());
    }
    void TearDown() override {
        StorePipeline::TearDown();
        relay.reset();
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

    std::unique_ptr<TamperingRelay> relay;
};

TEST_F(TamperedPackage, NothingTheCatalogDidNotSignIsInstalled) {
    const auto offered = Offered(2);
    const shared_ptr<App> before = offered[0], target = offered[1];
    ASSERT_TRUE(Install(before)) << "an honest line installs";
    const auto beforeExe = AppManager::Instance().FindExecutable(before->sysid, before->exe);
    ASSERT_FALSE(beforeExe.empty());
    const std::string beforeBytes = ReadAll(Host(beforeExe));

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
        EXPECT_EQ(ReadAll(Host(beforeExe)), beforeBytes) << "what was installed before still runs";
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
