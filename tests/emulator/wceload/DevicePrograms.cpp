// The device's own programs as the store reaches them: through the process
// and shell services, as separate processes on the same device root.
#include <csignal>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "support/CabWriter.h"
#include "DeviceFixture.h"
#include "pkg/Manifest.h"
#include "pkg/PackageInstaller.h"
#include "platform/process/Process.h"
#include "platform/shell/Shell.h"

using platform::Hive;
using testing_cab::SetupXml;
using testing_cab::WriteCab;

namespace {

int RunInstaller(const std::u16string& commandLine) {
    auto process = platform::CreateDeviceProcess(u"\\Windows\\wceload.exe", commandLine);
    EXPECT_TRUE(process);
    int code = -1;
    if (process) {
        EXPECT_TRUE(process->Wait(&code));
    }
    return code;
}

}  // namespace

TEST(CommandLine, SplitsLikeTheDevicesPrograms) {
    using V = std::vector<std::u16string>;
    EXPECT_EQ(platform::SplitCommandLine(u"/delete 0 \"\\Program Files\\Tobrix\\cabs\\a b.cab\""),
              (V{u"/delete", u"0", u"\\Program Files\\Tobrix\\cabs\\a b.cab"}));
    EXPECT_EQ(platform::SplitCommandLine(u"  a\\\"b  \"\"  c\\d\\ "), (V{u"a\"b", u"", u"c\\d\\"}));
    EXPECT_EQ(platform::SplitCommandLine(u"x;rm -rf /&y|z"), (V{u"x;rm", u"-rf", u"/&y|z"}));
    EXPECT_TRUE(platform::SplitCommandLine(u"   ").empty());
}

class DevicePrograms : public DeviceFixture {};

TEST_F(DevicePrograms, InstallerProgramInstallsAndKeepsOrDeletesThePackage) {
    auto cab = Host("\\My Documents\\notes.cab");
    WriteCab(cab, {{"_setup.xml", SetupXml("Vendor Notes", "%CE1%\\Vendor Notes", {{"notes.exe", "N"}})},
                   {"N", "program"}});
    EXPECT_EQ(RunInstaller(u"/delete 0 \"\\My Documents\\notes.cab\""), 0);
    EXPECT_TRUE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\Vendor Notes"));
    EXPECT_TRUE(std::filesystem::exists(cab));

    // Without "/delete 0" the installer removes the package it installed.
    EXPECT_EQ(RunInstaller(u"\"\\My Documents\\notes.cab\""), 0);
    EXPECT_FALSE(std::filesystem::exists(cab));

    WriteCab(cab, {{"_setup.xml", "<broken"}});
    EXPECT_NE(RunInstaller(u"/delete 0 \"\\My Documents\\notes.cab\""), 0);
    EXPECT_NE(RunInstaller(u"/delete 0 \"\\My Documents\\missing.cab\""), 0);
    EXPECT_TRUE(std::filesystem::exists(cab)) << "a failed installation keeps the package";
}

TEST_F(DevicePrograms, ProvisioningProcessorRemovesPackagesByInstallName) {
    auto cab = Host("\\My Documents\\p.cab");
    WriteCab(cab, {{"_setup.xml", SetupXml("A&B \"Tools\"", "%CE1%\\AB", {{"ab.exe", "X"}})}, {"X", "x"}});
    ASSERT_EQ(RunInstaller(u"/delete 0 \"\\My Documents\\p.cab\""), 0);
    ASSERT_TRUE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\A&B \"Tools\""));
    // Named without being asked to go: it stays.
    platform::ProcessProvisioningDocument(u"<wap-provisioningdoc><characteristic type=\"UnInstall\"><characteristic "
                                          u"type=\"A&amp;B &quot;Tools&quot;\"><parm name=\"keep\" value=\"1\" />"
                                          u"</characteristic></characteristic></wap-provisioningdoc>", 1);
    EXPECT_TRUE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\A&B \"Tools\""));

    const std::u16string doc =
        u"<wap-provisioningdoc>\t\t<characteristic type=\"UnInstall\">\t\t<characteristic "
        u"type=\"A&amp;B &quot;Tools&quot;\">\t\t<parm name=\"uninstall\" value=\"1\" />\t\t</characteristic>\t\t"
        u"</characteristic>\t\t</wap-provisioningdoc>";
    std::u16string result;
    EXPECT_EQ(platform::ProcessProvisioningDocument(doc, 1, &result), platform::kProvisionOk);
    EXPECT_NE(result.find(u"status"), std::u16string::npos);
    EXPECT_FALSE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\A&B \"Tools\""));
    EXPECT_FALSE(std::filesystem::exists(Host("\\Program Files\\AB\\ab.exe")));

    EXPECT_LT(platform::ProcessProvisioningDocument(doc, 1), 0) << "nothing left to remove";
    EXPECT_EQ(platform::ProcessProvisioningDocument(u"<wap-provisioningdoc><oops", 1),
              platform::kProvisionBadDocument);
}

TEST_F(DevicePrograms, ProgramsWithoutAHostProgramGoToTheLaunchLog) {
    std::ofstream(Host("\\Program Files\\notes.exe")) << "x";
    auto process = platform::CreateDeviceProcess(u"\\PROGRAM FILES\\Notes.exe", u"--start here");
    ASSERT_TRUE(process);
    int code = -1;
    EXPECT_TRUE(process->Wait(&code));
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(platform::CreateDeviceProcess(u"\\Program Files\\missing.exe", u""));
    EXPECT_TRUE(platform::ShellExecute(u"open", u"\\Program Files\\notes.exe"));
    EXPECT_FALSE(platform::ShellExecute(u"edit", u"\\Program Files\\notes.exe"));

    std::string log = Read(root / "launch.log");
    // Two lines, each "<time>\t<path>\t<command line>".
    ASSERT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
    EXPECT_NE(log.find("\t\\PROGRAM FILES\\Notes.exe\t--start here\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\t\\Program Files\\notes.exe\t\n"), std::string::npos) << log;
    EXPECT_TRUE(log.rfind("20", 0) == 0 && log.find('Z') < log.find('\t')) << log;
}

TEST_F(DevicePrograms, UrlsGoToTheBrowserCommandAsOneArgument) {
    auto out = root / "browser.txt";
    auto device = platform::CurrentDevice();
    device.MutableInfo().browserCommand = std::string(RECORD_ARGS_PATH) + " \"" + out.string() + "\"";
    platform::SetCurrentDevice(device);
    const std::u16string url = u"http://127.0.0.1/a?x=1&y=$(touch pwned);z";
    ASSERT_TRUE(platform::ShellExecute(u"open", url));
    ASSERT_TRUE(Eventually([&] { return std::filesystem::exists(out); }));
    EXPECT_EQ(Read(out), "http://127.0.0.1/a?x=1&y=$(touch pwned);z\n");
    EXPECT_FALSE(std::filesystem::exists("pwned"));

    device.MutableInfo().browserCommand.clear();
    platform::SetCurrentDevice(device);
    EXPECT_FALSE(platform::ShellExecute(u"open", u"https://example.invalid/"));
    EXPECT_NE(Read(root / "launch.log").find("https://example.invalid/"), std::string::npos);
}

TEST_F(DevicePrograms, SpecialFoldersAndShortcuts) {
    EXPECT_EQ(platform::GetSpecialFolderPath(platform::kFolderPrograms), u"\\Windows\\Start Menu\\Programs");
    EXPECT_EQ(platform::GetSpecialFolderPath(platform::kFolderStartMenu), u"\\Windows\\Start Menu");
    EXPECT_FALSE(platform::GetSpecialFolderPath(12345));

    const std::u16string lnk = u"\\Windows\\Start Menu\\Programs\\Calc.lnk";
    ASSERT_TRUE(platform::CreateShortcut(lnk, u"\"\\Windows\\calc.exe\""));
    EXPECT_EQ(ReadDevice("\\Windows\\Start Menu\\Programs\\Calc.lnk"), "19#\"\\Windows\\calc.exe\"");
    EXPECT_EQ(platform::ReadShortcutTarget(lnk), u"\"\\Windows\\calc.exe\"");
    EXPECT_FALSE(platform::CreateShortcut(lnk, u"\\Windows\\other.exe")) << "an existing shortcut stays";
    EXPECT_FALSE(platform::CreateShortcut(u"\\No Such Folder\\x.lnk", u"\\x.exe"));
    std::ofstream(Host("\\My Documents\\plain.txt")) << "no shortcut here";
    EXPECT_FALSE(platform::ReadShortcutTarget(u"\\My Documents\\plain.txt"));

    EXPECT_TRUE(platform::ShellDeleteTree(u"\\Windows\\Start Menu"));
    EXPECT_FALSE(std::filesystem::exists(Host("\\Windows\\Start Menu")));
    EXPECT_TRUE(platform::ShellDeleteTree(u"\\Windows\\Start Menu")) << "nothing left to delete is fine";
    EXPECT_FALSE(platform::ShellDeleteTree(u"\\"));
    EXPECT_FALSE(platform::ShellDeleteTree(u"\\..\\.."));
    EXPECT_TRUE(std::filesystem::exists(root / "device.json"));
}

// The installer killed (the power gone) at several points of its work: the
// next installer run takes back what it had begun, down to the file it had
// put aside and the value it had overwritten, or, once the package's key
// existed, keeps the installation and completes its record.
TEST_F(DevicePrograms, AnInstallationCutShortIsSettledByTheNextInstallerRun) {
    std::ofstream(Host("\\Windows\\shared.dll")) << "the device's own";
    registry->CreateKey(Hive::LocalMachine, u"Software\\Shared")->WriteString(u"Mode", u"old");
    const std::string extras =
        "<characteristic type=\"FileOperation\"><characteristic type=\"%CE2%\" translation=\"install\">"
        "<characteristic type=\"shared.dll\" translation=\"install\"><characteristic type=\"Extract\">"
        "<parm name=\"Source\" value=\"S\"/></characteristic></characteristic></characteristic></characteristic>"
        "<characteristic type=\"Registry\"><characteristic type=\"HKLM\\Software\\Shared\">"
        "<parm name=\"Mode\" value=\"new\"/></characteristic>"
        "<characteristic type=\"HKLM\\Software\\Vendor\\Notes\"><parm name=\"Runs\" value=\"1\"/>"
        "</characteristic></characteristic>";
    WriteCab(Host("\\My Documents\\notes.cab"),
             {{"_setup.xml", SetupXml("Vendor Notes", "%CE1%\\Vendor Notes", {{"notes.exe", "N"}}, extras)},
              {"N", "program"},
              {"S", "the package's"}});
    const auto before = Tree();
    auto mode = [&] {
        std::u16string text;
        registry->OpenKey(Hive::LocalMachine, u"Software\\Shared")->ReadString(u"Mode", text);
        return text;
    };
    auto killedAt = [&](const char* point) {
        ::setenv("TOBRIX_CRASH_AT", point, 1);
        const int code = RunInstaller(u"/delete 0 \"\\My Documents\\notes.cab\"");
        ::unsetenv("TOBRIX_CRASH_AT");
        return code == 128 + SIGKILL;
    };

    for (const char* point : {"replace:manifest.json", "installer-applied"}) {
        ASSERT_TRUE(killedAt(point)) << point;
        EXPECT_NE(Tree(), before) << point << ": the kill left work undone";
        pkg::RecoverInterruptedInstallations();
        EXPECT_EQ(Tree(), before) << point;
        EXPECT_EQ(ReadDevice("\\Windows\\shared.dll"), "the device's own") << point;
        EXPECT_EQ(mode(), u"old") << point;
        EXPECT_FALSE(KeyExists(Hive::LocalMachine, u"Software\\Vendor")) << point;
        EXPECT_FALSE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\Vendor Notes")) << point;
    }

    ASSERT_TRUE(killedAt("installer-committed"));
    // Settled by the next installation of anything, as on the device.
    EXPECT_EQ(RunInstaller(u"/delete 0 \"\\My Documents\\notes.cab\""), 0);
    EXPECT_TRUE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\Vendor Notes"));
    auto manifest = pkg::LoadManifest(u"Vendor Notes");
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->installer, 0);
    EXPECT_EQ(ReadDevice("\\Program Files\\Vendor Notes\\notes.exe"), "program");
    for (const auto& entry : Tree()) EXPECT_EQ(entry.find("~staging-"), std::string::npos) << entry;
}
