// The store's own package as the build makes it (with a stand-in program),
// installed by the device's installer and removed by its provisioning
// processor, with Pindle doing its part inside both.
#include <algorithm>
#include <tuple>
#include <vector>

#include "SetupFixture.h"
#include "core/Kestrum.h"

using platform::Hive;

namespace {

constexpr std::u16string_view kProgramFolder = u"\\Program Files\\Tobrix";
constexpr std::u16string_view kStartInfo = u"Security\\Shell\\StartInfo\\Start\\Tobrix.lnk";
constexpr std::u16string_view kCommandKey = u"tobrix\\Shell\\Open\\Command";
constexpr std::u16string_view kProtocolKey = u"Software\\Microsoft\\Shell\\URLProtocols\\tobrix";
const std::string kShortcutText = "34#\"\\Program Files\\Tobrix\\tobrix.exe\"";

// The document the store sends to remove a package.
std::u16string RemovalDocument() {
    return u"<wap-provisioningdoc>\t\t<characteristic type=\"UnInstall\">\t\t<characteristic type=\"Quelt Tobrix\">"
           u"\t\t<parm name=\"uninstall\" value=\"1\" />\t\t</characteristic>\t\t</characteristic>\t\t"
           u"</wap-provisioningdoc>";
}

}  // namespace

class StorePackage : public SetupFixture {
protected:
    int InstallStore() {
        std::filesystem::copy_file(STORE_PACKAGE, Host(u"\\My Documents\\QueltTobrix.cab"),
                                   std::filesystem::copy_options::overwrite_existing);
        auto process =
            platform::CreateDeviceProcess(u"\\Windows\\wceload.exe", u"/delete 0 \"\\My Documents\\QueltTobrix.cab\"");
        int code = -1;
        EXPECT_TRUE(process && process->Wait(&code));
        return code;
    }
    int32_t RemoveStore() { return platform::ProcessProvisioningDocument(RemovalDocument(), 1); }
    std::u16string InFolder(std::u16string_view name) const {
        return std::u16string(kProgramFolder) + u"\\" + std::u16string(name);
    }
    // What the store leaves for a later removal to find.
    void UseStore() const {
        Write(InFolder(u"settings.dat"), "settings");
        Write(InFolder(u"cabs\\Vendor Notes.cab"), "a package that was never installed");
        Write(InFolder(u"pictures\\0123456789abcdef0123456789abcdef.pic"), "a kept icon");
    }
};

TEST_F(StorePackage, InstallsTheStoreAndItsEntriesAndOpensTobrixLinks) {
    ASSERT_EQ(InstallStore(), 0);
    ASSERT_TRUE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\Quelt Tobrix"));
    EXPECT_EQ(StringValue(Hive::LocalMachine, u"Security\\AppInstall\\Quelt Tobrix", u"InstallDir"), kProgramFolder);

    EXPECT_TRUE(Exists(InFolder(u"icon.png")));
    EXPECT_EQ(Read(Host(InFolder(u"localization.xml"))), Read(TOBRIX_SOURCE_DIR "/data/localization.xml"));

    EXPECT_EQ(StoreRevision(), 17u);
    EXPECT_EQ(StringValue(Hive::LocalMachine, kStartInfo, u"Icon"), u"\\Program Files\\Tobrix\\icon.png");
    EXPECT_EQ(Read(Host(u"\\Windows\\Start Menu\\Programs\\Tobrix.lnk")), kShortcutText);
    EXPECT_EQ(StringValue(Hive::ClassesRoot, u"tobrix", u""), u"Tobrix Protocol");
    EXPECT_EQ(StringValue(Hive::ClassesRoot, kCommandKey, u""), u"\"\\Program Files\\Tobrix\\Tobrix.exe\" \"%1\"");
    EXPECT_TRUE(KeyExists(Hive::LocalMachine, kProtocolKey));
    EXPECT_EQ(BoxLog(), "") << "installing asks nothing";

    // A link starts the installed program through the registered command; the
    // store's own command-line rule finds the application id in what arrives.
    platform::Process store;
    ASSERT_TRUE(platform::ShellExecute(u"open", u"tobrix://42/", {}, &store));
    int code = -1;
    ASSERT_TRUE(store.Wait(&code));
    EXPECT_EQ(code, 0);
    std::string commandLine = Read(root / "standin.log");
    EXPECT_EQ(commandLine, "\"tobrix://42/\"");
    EXPECT_EQ(AppIdFromCommandLine(U16(commandLine)), u"42");
}

TEST_F(StorePackage, RemovalKeepsOrDeletesTheSettingsAsAnsweredAndAlwaysTheDownloads) {
    for (const char* answer : {"yes", "no"}) {
        SCOPED_TRACE(answer);
        ASSERT_EQ(InstallStore(), 0);
        UseStore();
        Answer({answer});
        ASSERT_EQ(RemoveStore(), platform::kProvisionOk);

        EXPECT_FALSE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\Quelt Tobrix"));
        EXPECT_EQ(Exists(InFolder(u"settings.dat")), std::string(answer) == "yes");
        EXPECT_FALSE(Exists(InFolder(u"cabs")));
        EXPECT_FALSE(Exists(InFolder(u"pictures")));
        EXPECT_FALSE(Exists(InFolder(u"Tobrix.exe")));
        EXPECT_FALSE(Exists(u"\\Windows\\Start Menu\\Programs\\Tobrix.lnk"));
        EXPECT_FALSE(KeyExists(Hive::LocalMachine, kStartInfo));
        // The revision and the protocol outlive the package.
        EXPECT_EQ(StoreRevision(), 17u);
        EXPECT_TRUE(KeyExists(Hive::ClassesRoot, kCommandKey));
        EXPECT_TRUE(KeyExists(Hive::LocalMachine, kProtocolKey));
        EXPECT_NE(BoxLog().find(std::string("Info\tDo you want to keep settings for future installations?\t") +
                                answer + "\tscript\n"),
                  std::string::npos)
            << BoxLog();
    }
}

TEST_F(StorePackage, InstallingOverAnInstallationRewritesTheRevisionAndKeepsTheSettings) {
    ASSERT_EQ(InstallStore(), 0);
    UseStore();
    ASSERT_TRUE(registry->OpenKey(Hive::LocalMachine, u"Software\\Tobrix")->WriteDword(u"TobrixRevision", 23));

    // The installer removes the old version first, through its Pindle: the
    // user is asked, and nobody answering keeps the settings.
    ASSERT_EQ(InstallStore(), 0);
    EXPECT_EQ(StoreRevision(), 17u);
    EXPECT_EQ(Read(Host(InFolder(u"settings.dat"))), "settings");
    EXPECT_FALSE(Exists(InFolder(u"cabs")));
    EXPECT_EQ(Read(Host(u"\\Windows\\Start Menu\\Programs\\Tobrix.lnk")), kShortcutText);
    EXPECT_TRUE(KeyExists(Hive::LocalMachine, kStartInfo));
    std::string log = BoxLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("\tyes\tdefault\n"), std::string::npos) << log;
}

// The launcher of a Pocket PC lists programs in Start menu\Programs; every
// other platform type gets its entry in the Start menu itself.
TEST_F(StorePackage, PutsTheShortcutWhereTheLauncherLooks) {
    const std::u16string programs = u"\\Windows\\Start Menu\\Programs\\Tobrix.lnk";
    const std::u16string start = u"\\Windows\\Start Menu\\Tobrix.lnk";
    for (const auto& [platformType, shortcut, elsewhere] :
         {std::tuple{"pocketpc", programs, start}, {"Smartphone", start, programs}}) {
        TearDown();
        MakeDevice(platformType);
        ASSERT_EQ(InstallStore(), 0) << platformType;
        EXPECT_EQ(Read(Host(shortcut)), kShortcutText) << platformType;
        EXPECT_FALSE(Exists(elsewhere)) << platformType;
    }
}
