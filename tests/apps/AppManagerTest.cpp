// The application manager's view of the device: installed packages, their
// revisions and programs, the Start menu, and the names that arrive from the
// network.
#include "support/StoreFixture.h"
#include "apps/PackageNames.h"
#include "base/Text.h"
#include "net/NetServices.h"
#include "platform/shell/Shell.h"

using platform::Hive;

class AppManagerDevice : public StoreFixture {};

TEST_F(AppManagerDevice, LoadsInstalledPackagesFromTheRegistry) {
    FakeInstalled(u"Vendor Notes Plus", {});
    FakeInstalled(u"Solo", {});
    AppManager& manager = AppManager::Instance();
    manager.Reset();
    std::lock_guard ui(services.UILock());
    // devicectl's ExtensionOptions and TSKAllowed are no packages.
    ASSERT_EQ(manager.Installed().size(), 2u);
    EXPECT_EQ(manager.Installed().at(u"Vendor Notes Plus")->name, u"Notes Plus");
    EXPECT_FALSE(manager.Installed().at(u"Solo")->inCatalog);
}

TEST_F(AppManagerDevice, RevisionsComeFromTheirKeysAndOnlyAsNumbers) {
    AppManager& manager = AppManager::Instance();
    FakeInstalled(u"Counted", {}, 4);
    FakeInstalled(u"Foreign", {});
    FakeInstalled(u"Texty", {});
    FakeInstalled(u"Huge", {}, 0);
    registry->OpenKey(Hive::LocalMachine, u"Security\\AppInstall\\Huge")->WriteDword(u"TobrixRevision", 0x80000000u);
    registry->OpenKey(Hive::LocalMachine, u"Security\\AppInstall\\Texty")->WriteString(u"TobrixRevision", u"9");
    registry->CreateKey(Hive::LocalMachine, u"Software\\Tobrix")->WriteDword(u"TobrixRevision", 17);
    FakeInstalled(u"Quelt Tobrix", {}, 2);
    EXPECT_EQ(manager.GetRevision(u"Counted"), 4);
    EXPECT_EQ(manager.GetRevision(u"Foreign"), 0);
    EXPECT_EQ(manager.GetRevision(u"Texty"), 0);
    EXPECT_EQ(manager.GetRevision(u"Huge"), 0) << "above the highest revision: no record of ours";
    EXPECT_EQ(manager.GetRevision(u"Missing"), 0);
    EXPECT_EQ(manager.GetRevision(u"Quelt Tobrix"), 17) << "the store's own revision lives elsewhere";

    // A sysid reaching into another key is never installed.
    FakeInstalled(u"Outer", {}, 5);
    registry->CreateKey(Hive::LocalMachine, u"Security\\AppInstall\\Outer\\Inner")->WriteDword(u"TobrixRevision", 6);
    EXPECT_FALSE(manager.IsInstalled(u"Outer\\Inner"));
    EXPECT_EQ(manager.GetRevision(u"Outer\\Inner"), 0);
    EXPECT_FALSE(manager.IsInstalled(u""));
    EXPECT_TRUE(manager.IsInstalled(u"Outer"));
}

// The Start menu's shortcuts name programs in nested folders; a package's
// program is the hint's, else the first shortcut's, and is started through
// the shell.
TEST_F(AppManagerDevice, ProgramsAreFoundByHintOrStartMenuAndLaunchedThroughTheShell) {
    FakeInstalled(u"Notes", {u"\\Program Files\\Notes\\setup.exe", u"\\Program Files\\Notes\\notes.exe"});
    WriteFile(u"\\Program Files\\Notes\\notes.exe", "program");
    AppManager& manager = AppManager::Instance();
    manager.Reset();
    EXPECT_EQ(manager.FindExecutable(u"Notes", u"notes.exe"), u"\\Program Files\\Notes\\notes.exe");
    EXPECT_EQ(manager.FindExecutable(u"Notes", u"other.exe"), u"");
    EXPECT_EQ(manager.FindExecutable(u"Notes", u""), u"") << "no hint and no shortcut: nothing to start";
    EXPECT_EQ(manager.FindExecutable(u"Missing", u"notes.exe"), u"");
    // The first qualifying name in enumeration order wins.
    EXPECT_EQ(manager.FindExecutable(u"Notes", u".exe"), u"\\Program Files\\Notes\\setup.exe");
    manager.Launch(u"Notes", u"notes.exe");
    manager.Launch(u"Notes", u"missing.exe");  // starts nothing
    const std::string log = ReadAll(root / "launch.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("\\Program Files\\Notes\\notes.exe"), std::string::npos);

    WriteFile(u"\\Windows\\Start Menu\\Programs\\Notes.lnk", "31#\"\\Program Files\\Notes\\notes.exe\"");
    WriteFile(u"\\Windows\\Start Menu\\Programs\\Games\\Cards\\Solitaire.lnk", "20#\\Windows\\solitaire.exe -x");
    WriteFile(u"\\Windows\\Start Menu\\Programs\\Games\\Plain.lnk", "12#plain.exe");
    WriteFile(u"\\Windows\\Start Menu\\Programs\\readme.txt", "no program here");
    WriteFile(u"\\Windows\\Start Menu\\Programs\\noslash.lnk", "notes.exe");
    manager.Reset();
    std::vector<std::u16string> exes = manager.shortcutExes;
    std::sort(exes.begin(), exes.end());
    EXPECT_EQ(exes, (std::vector<std::u16string>{u"notes.exe", u"plain.exe", u"solitaire.exe"}));
    EXPECT_EQ(manager.FindExecutable(u"Notes", u""), u"\\Program Files\\Notes\\notes.exe");
    // Scanning again appends again: the list is never cleared.
    manager.ScanStartMenu();
    EXPECT_EQ(manager.shortcutExes.size(), 6u);
}

TEST_F(AppManagerDevice, InstalledChangedFiresBeforeAddingAndBeforeRemoving) {
    AppManager& manager = AppManager::Instance();
    std::vector<std::pair<bool, bool>> seen;  // (added, in the map at that moment)
    SubscribeFn(manager.InstalledChanged, [&](const shared_ptr<App>& app, bool added) {
        seen.emplace_back(added, manager.Installed().count(app->sysid) == 1);
    });
    std::lock_guard ui(services.UILock());
    manager.AddInstalled(u"Vendor Notes");
    ASSERT_EQ(manager.Installed().size(), 1u);
    EXPECT_TRUE(manager.Installed().at(u"Vendor Notes")->detailsRequest) << "the new record asks the catalog";
    manager.RemoveInstalled(u"Vendor Notes");
    manager.RemoveInstalled(u"Vendor Notes");  // not there: no event
    EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>{{true, false}, {false, true}}));
}

TEST_F(AppManagerDevice, UninstallRemovesThroughTheProcessorAndReportsFailure) {
    FakeInstalled(u"Vendor Notes", {u"\\Program Files\\Notes\\notes.exe"});
    AppManager& manager = AppManager::Instance();
    manager.Reset();
    StatusLog log;
    shared_ptr<App> app;
    {
        std::lock_guard ui(services.UILock());
        app = manager.Installed().at(u"Vendor Notes");
        log.Watch(*app);
        app->Uninstall();
        EXPECT_TRUE(app->IsUninstalling() || log.Result(App::StatusUninstall).has_value());
    }
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(log.Result(App::StatusUninstall), true);
    EXPECT_FALSE(manager.IsInstalled(u"Vendor Notes"));
    {
        std::lock_guard ui(services.UILock());
        EXPECT_EQ(manager.Installed().count(u"Vendor Notes"), 0u);
        EXPECT_FALSE(app->IsUninstalling());
        // Removing it again fails: the record is gone from the device already.
        app->Uninstall();
    }
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(log.Result(App::StatusUninstall), false);
    EXPECT_EQ(log.Reports().front(), StatusLog::Report(App::StatusUninstall, false, true));
}

TEST_F(AppManagerDevice, HostileSysidsAreNeitherInstalledNorRemoved) {
    // "A\B" would be the subkey B of the package A.
    FakeInstalled(u"A", {}, 3);
    registry->CreateKey(Hive::LocalMachine, u"Security\\AppInstall\\A\\B");
    AppManager& manager = AppManager::Instance();
    auto cab = AppManager::Instance().CabFolder() + u"\\a.cab";
    WriteFile(cab, "not looked at");
    bool removed = true, installed = true;
    {
        std::lock_guard ui(services.UILock());
        shared_ptr<UninstallRequest> removal = manager.QueueUninstall(u"A\\B");
        shared_ptr<InstallRequest> install = manager.QueueInstall(cab, u"A\\B", 9);
        SubscribeFn(removal->Done, [&](UninstallRequest*, bool ok) { removed = ok; });
        SubscribeFn(install->Done, [&](InstallRequest*, bool ok) { installed = ok; });
    }
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(removed);
    EXPECT_FALSE(installed);
    EXPECT_TRUE(registry->OpenKey(Hive::LocalMachine, u"Security\\AppInstall\\A\\B"));
    EXPECT_EQ(manager.GetRevision(u"A"), 3) << "no revision written through the other key";
    EXPECT_FALSE(std::filesystem::exists(root / "launch.log"));
}

TEST_F(AppManagerDevice, WaitingForIdleWhileJobsAreQueuedFromSeveralThreadsNeitherHangsNorLosesAJob) {
    constexpr int kQueuers = 3, kJobsEach = 6;
    for (int t = 0; t < kQueuers; ++t)
        for (int j = 0; j < kJobsEach; ++j) FakeInstalled(u"Pkg " + text::ToU16(t * kJobsEach + j), {});
    AppManager& manager = AppManager::Instance();
    std::atomic<int> installsDone{0}, removalsDone{0}, removalsOk{0}, installsOk{0};
    std::atomic<bool> queuing{true};
    // Waits for idle over and over while the queues fill and drain, as the
    // tool, Reset and the destructor do while workers queue more.
    std::thread waiter([&] {
        while (queuing) manager.WaitIdle(std::chrono::milliseconds(1));
    });
    std::vector<std::thread> queuers;
    for (int t = 0; t < kQueuers; ++t) {
        queuers.emplace_back([&, t] {
            for (int j = 0; j < kJobsEach; ++j) {
                std::lock_guard ui(services.UILock());
                auto removal = manager.QueueUninstall(u"Pkg " + text::ToU16(t * kJobsEach + j));
                SubscribeFn(removal->Done, [&](UninstallRequest*, bool ok) {
                    ++removalsDone;
                    removalsOk += ok;
                });
                // No package file: the job fails at once, which keeps the
                // install queue turning over quickly.
                auto install = manager.QueueInstall(manager.CabFolder() + u"\\missing.cab", u"Pkg Missing", 1);
                SubscribeFn(install->Done, [&](InstallRequest*, bool ok) {
                    ++installsDone;
                    installsOk += ok;
                });
            }
        });
    }
    for (auto& q : queuers) q.join();
    // A bound against a hang, not a speed: it took over a minute with four
    // busy loops beside the suite on two cores; the case's own limit is five.
    const bool idle = manager.WaitIdle(std::chrono::seconds(240));
    queuing = false;
    waiter.join();
    ASSERT_TRUE(idle);
    EXPECT_EQ(installsDone, kQueuers * kJobsEach);
    EXPECT_EQ(installsOk, 0);
    EXPECT_EQ(removalsDone, kQueuers * kJobsEach);
    EXPECT_EQ(removalsOk, kQueuers * kJobsEach);
    for (int i = 0; i < kQueuers * kJobsEach; ++i) EXPECT_FALSE(manager.IsInstalled(u"Pkg " + text::ToU16(i)));
}

TEST(PackageNames, DownloadNamesStayInsideTheCabsFolder) {
    using apps::PackageFileName;
    EXPECT_EQ(PackageFileName(u"notes_12.cab", u"Vendor Notes"), u"notes_12.cab");
    EXPECT_EQ(PackageFileName(u"packages/notes.cab", u"Vendor Notes"), u"Vendor Notes.cab");
    EXPECT_EQ(PackageFileName(u"http://host/x/notes.cab", u"Vendor Notes"), u"Vendor Notes.cab");
    for (std::u16string install : {u"", u"..", u"..\\..\\Windows\\x.cab", u"\\Windows\\x.cab", u"C:x.cab",
                                   u"a..b.cab", u"COM1:", u"con.cab", u"nul", u"a\tb.cab", u"a\nb.cab"})
        EXPECT_FALSE(PackageFileName(install, u"Vendor Notes")) << text::Utf16ToUtf8(install);
    // In the URL case the sysid makes the name.
    for (std::u16string sysid : {u"..", u"a\\b", u"a:b", u"", u"x\x01"})
        EXPECT_FALSE(PackageFileName(u"http://h/p.cab", sysid)) << text::Utf16ToUtf8(sysid);
    EXPECT_TRUE(apps::IsSafeSysid(u"Vendor Notes & Co. <2>"));
    EXPECT_FALSE(apps::IsSafeSysid(std::u16string(256, u'x')));
}

TEST(UninstallDocument, IsOneLineWithTheSysidEscaped) {
    EXPECT_EQ(UninstallRequest::ProvisioningDocument(u"Vendor Notes"),
              u"<wap-provisioningdoc>\t\t<characteristic type=\"UnInstall\">\t\t<characteristic type=\"Vendor "
              u"Notes\">\t\t<parm name=\"uninstall\" value=\"1\" />\t\t</characteristic>\t\t</characteristic>\t\t"
              u"</wap-provisioningdoc>");
    // A crafted name cannot close the attribute and add a second package.
    std::u16string doc = UninstallRequest::ProvisioningDocument(
        u"x\"><parm name=\"uninstall\" value=\"1\"/></characteristic><characteristic type='Other'>&");
    EXPECT_EQ(doc.find(u"type='Other'"), std::u16string::npos);
    EXPECT_NE(doc.find(u"x&quot;&gt;&lt;parm name=&quot;uninstall&quot;"), std::u16string::npos);
    EXPECT_NE(doc.find(u"type=&apos;Other&apos;&gt;&amp;\">"), std::u16string::npos);
}
