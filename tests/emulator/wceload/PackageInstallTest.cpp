#include <gtest/gtest.h>

#include "support/CabWriter.h"
#include "formats/CabinetWriter.h"
#include "DeviceFixture.h"
#include "pkg/Manifest.h"
#include "pkg/PackageInstaller.h"
#include "pkg/SetupDocument.h"
#include "platform/shell/FileIcon.h"
#include "platform/shell/Shell.h"

using platform::Hive;
using platform::RegistryValue;
using testing_cab::CabFile;
using testing_cab::SetupXml;
using testing_cab::WriteCab;

namespace {

const std::string kRegistryExtras =
    "<characteristic type=\"FileOperation\"><characteristic type=\"%CE11%\" translation=\"install\">"
    "<characteristic type=\"Notes.lnk\" translation=\"install\"><characteristic type=\"Shortcut\">"
    "<parm name=\"Source\" value=\"%InstallDir%\\notes.exe\" translation=\"install\"/>"
    "</characteristic></characteristic></characteristic></characteristic>"
    "<characteristic type=\"Registry\"><characteristic type=\"HKLM\\Software\\Vendor\\Notes\">"
    "<parm name=\"Version\" value=\"1.2\" datatype=\"string\"/><parm name=\"Runs\" value=\"7\" datatype=\"integer\"/>"
    "<parm name=\"Home\" value=\"%InstallDir%\" translation=\"install\"/>"
    "</characteristic><characteristic type=\"HKCR\\.note\"><parm name=\"Owner\" value=\"Vendor Notes\"/>"
    "</characteristic></characteristic>";

std::vector<CabFile> NotesPackage(const std::string& extras = kRegistryExtras) {
    return {{"_setup.xml", SetupXml("Vendor Notes", "%CE1%\\Vendor Notes",
                                    {{"notes.exe", "NOTES.001"}, {"readme.txt", "README.002"}}, extras)},
            {"NOTES.001", "program bytes"},
            {"README.002", "read me"}};
}

std::string ExtensionBytes() { return ReadAll(TEST_EXTENSION_PATH); }

// A package of one program, NOTES.001, and the given document.
std::vector<CabFile> WithProgram(const std::string& setupXml) { return {{"_setup.xml", setupXml}, {"NOTES.001", "x"}}; }

// The notes package with a setup extension that behaves as TOBRIX_TEST_EXTENSION says.
std::vector<CabFile> ExtendedNotes(const std::string& extras = {}) {
    std::vector<CabFile> files = NotesPackage(extras);
    files[0].content = SetupXml("Quelt Tobrix", "%CE1%\\Vendor Notes",
                                {{"notes.exe", "NOTES.001"}, {"readme.txt", "README.002"}}, extras, "SETUP.DLL");
    files.push_back({"SETUP.DLL", ExtensionBytes()});
    return files;
}

}  // namespace

class PackageInstall : public DeviceFixture {
protected:
    pkg::PackageResult Install(const std::vector<CabFile>& files) {
        auto cab = root / "My Documents" / "package.cab";
        WriteCab(cab, files);
        return pkg::InstallPackage(cab);
    }
};

TEST_F(PackageInstall, InstallsWhatTheDocumentListsAndRecordsIt) {
    auto result = Install(NotesPackage());
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.installName, "Vendor Notes");

    EXPECT_EQ(ReadDevice("\\Program Files\\Vendor Notes\\notes.exe"), "program bytes");
    EXPECT_EQ(ReadDevice("\\Program Files\\Vendor Notes\\readme.txt"), "read me");
    EXPECT_EQ(platform::ReadShortcutTarget(u"\\Windows\\Start Menu\\Programs\\Notes.lnk"),
              u"\"\\Program Files\\Vendor Notes\\notes.exe\"");
    EXPECT_EQ(ReadDevice("\\Windows\\Start Menu\\Programs\\Notes.lnk"), "39#\"\\Program Files\\Vendor Notes\\notes.exe\"");

    const std::u16string notes = u"Software\\Vendor\\Notes", dir = u"\\Program Files\\Vendor Notes";
    EXPECT_EQ(Value(Hive::LocalMachine, notes, u"Version"), RegistryValue::String(u"1.2"));
    EXPECT_EQ(Value(Hive::LocalMachine, notes, u"Runs"), RegistryValue::Dword(7));
    EXPECT_EQ(Value(Hive::LocalMachine, notes, u"Home"), RegistryValue::String(dir));
    EXPECT_TRUE(KeyExists(Hive::ClassesRoot, u".note"));
    EXPECT_EQ(Value(Hive::LocalMachine, u"Security\\AppInstall\\Vendor Notes", u"InstallDir"), RegistryValue::String(dir));
    auto exes = registry->OpenKey(Hive::LocalMachine, u"Security\\AppInstall\\Vendor Notes\\ExecutableFiles");
    ASSERT_TRUE(exes);
    std::vector<std::u16string> names;
    for (const auto& [name, value] : exes->Values()) names.push_back(name);
    EXPECT_EQ(names, std::vector<std::u16string>{u"\\Program Files\\Vendor Notes\\notes.exe"});

    auto manifest = pkg::LoadManifest(u"Vendor Notes");
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->files.size(), 3u);
    // Nothing of the staging area stays behind.
    for (const auto& entry : Tree()) EXPECT_EQ(entry.find("~staging"), std::string::npos) << entry;
}

// The shell shows the picture a package installs beside a program as that
// program's icon, scaled to the device's icon size; programs without one get
// the default icon, and a file that is not there gets none.
TEST_F(PackageInstall, ProgramIconsComeFromWhatTheInstallerRecorded) {
    platform::imaging::Bitmap red;
    red.width = red.height = 16;
    red.rgba.assign(16 * 16 * 4, 0);
    for (size_t i = 0; i < red.rgba.size(); i += 4) red.rgba[i] = red.rgba[i + 3] = 255;
    std::vector<uint8_t> png;
    ASSERT_TRUE(platform::imaging::EncodePng(red, png));
    auto files = NotesPackage();
    files[0].content = SetupXml("Vendor Notes", "%CE1%\\Vendor Notes",
                             {{"notes.exe", "NOTES.001"}, {"NOTES.PNG", "ICON.003"}, {"tool.exe", "TOOL.004"}}, "");
    files.push_back({"ICON.003", std::string(png.begin(), png.end())});
    files.push_back({"TOOL.004", "tool bytes"});
    auto result = Install(files);
    ASSERT_TRUE(result.ok) << result.message;

    const std::u16string notes = u"\\Program Files\\Vendor Notes\\notes.exe";
    EXPECT_EQ(platform::RecordedIconPath(notes), u"\\Program Files\\Vendor Notes\\NOTES.PNG");
    platform::imaging::Bitmap icon;
    ASSERT_TRUE(platform::GetFileIcon(notes, icon));
    const int32_t deviceIcon = platform::CurrentDevice().Info().iconSize;
    ASSERT_EQ(icon.width, deviceIcon > 0 ? deviceIcon : 32);
    EXPECT_EQ(icon.rgba[0], 255);
    EXPECT_EQ(icon.rgba[1], 0);

    const std::u16string tool = u"\\Program Files\\Vendor Notes\\tool.exe";
    EXPECT_EQ(platform::RecordedIconPath(tool), u"");
    ASSERT_TRUE(platform::GetFileIcon(tool, icon));
    const auto fallback = platform::DefaultProgramIcon(icon.width);
    EXPECT_EQ(icon.rgba, fallback.rgba);

    EXPECT_FALSE(platform::GetFileIcon(u"\\Program Files\\Vendor Notes\\gone.exe", icon));
    EXPECT_TRUE(icon.IsEmpty());
}

TEST_F(PackageInstall, RemovalUndoesExactlyWhatTheInstallationCreated) {
    // A key and a value the package shares with the device: the key stays,
    // the package's value goes.
    registry->CreateKey(Hive::ClassesRoot, u".note")->WriteString(u"Other", u"keep me");
    auto before = Tree();
    ASSERT_TRUE(Install(NotesPackage()).ok);
    // The user saved something into the program's folder: it survives.
    std::ofstream(Host("\\Program Files\\Vendor Notes\\mine.txt")) << "mine";
    // A value another program wrote into a key the package created since
    // (a setup extension's record, a program's settings) survives as well:
    // the key then stays, holding it alone.
    registry->CreateKey(Hive::LocalMachine, u"Software\\Vendor\\Notes\\Kept")->WriteString(u"Theme", u"dark");

    auto removed = pkg::RemovePackage(u"Vendor Notes");
    ASSERT_TRUE(removed.ok) << removed.message;
    EXPECT_FALSE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\Vendor Notes"));
    ASSERT_TRUE(KeyExists(Hive::LocalMachine, u"Software\\Vendor\\Notes"));
    EXPECT_FALSE(Value(Hive::LocalMachine, u"Software\\Vendor\\Notes", u"Version")) << "the package's own values go";
    EXPECT_EQ(Value(Hive::LocalMachine, u"Software\\Vendor\\Notes\\Kept", u"Theme"), RegistryValue::String(u"dark"));
    registry->DeleteKey(Hive::LocalMachine, u"Software\\Vendor");
    EXPECT_FALSE(Value(Hive::ClassesRoot, u".note", u"Owner"));
    EXPECT_EQ(Value(Hive::ClassesRoot, u".note", u"Other"), RegistryValue::String(u"keep me"));

    auto after = TreeWithoutPackage();
    after.erase("Program Files/Vendor Notes");
    after.erase("Program Files/Vendor Notes/mine.txt");
    EXPECT_EQ(after, before);

    EXPECT_FALSE(pkg::RemovePackage(u"Vendor Notes").ok) << "a second removal has nothing to remove";
}

TEST_F(PackageInstall, DamagedPackagesLeaveTheDeviceAsItWas) {
    registry->CreateKey(Hive::LocalMachine, u"Software\\Shared")->WriteString(u"Mode", u"old");
    auto setup = [](const std::string& name, const std::string& dir, const std::string& extras = {},
                    const std::string& target = "notes.exe", const std::string& source = "NOTES.001") {
        return WithProgram(SetupXml(name, dir, {{target, source}}, extras));
    };
    // Some faults show while the document is read, others only once the
    // installer has begun to change the device.
    const std::string sharedValue =
        "<characteristic type=\"Registry\"><characteristic type=\"HKLM\\Software\\Shared\">"
        "<parm name=\"Mode\" value=\"new\"/></characteristic></characteristic>";
    const std::string values = "<characteristic type=\"Registry\"><characteristic type=\"";
    const std::pair<const char*, std::vector<CabFile>> cases[] = {
        {"no _setup.xml", {{"NOTES.001", "x"}}},
        {"malformed document", WithProgram("<wap-provisioningdoc><characteristic")},
        {"missing source", {{"_setup.xml", SetupXml("Notes", "%CE1%\\Notes", {{"notes.exe", "NOTES.001"}})}}},
        {"install name with a backslash", setup("..\\Evil", "%CE1%\\Notes")},
        {"empty install name", setup("", "%CE1%\\Notes")},
        {"install dir climbing out", setup("Notes", "%CE1%\\..\\..\\..\\tmp")},
        {"install dir in the root", setup("Notes", "\\")},
        {"drive letters", setup("Notes", "C:\\Notes", {}, "D:n.exe")},
        {"unknown macro", setup("Notes", "%CE99%\\Notes")},
        {"target with a slash", setup("Notes", "%CE1%\\Notes", {}, "a/b.exe")},
        {"target ..", setup("Notes", "%CE1%\\Notes", {}, "..")},
        {"source with ..", setup("Notes", "%CE1%\\Notes", {}, "n.exe", "..\\NOTES.001")},
        {"registry forging another install",
         setup("Notes", "%CE1%\\Notes",
               values + "HKLM\\\\Security\\\\AppInstall\\Other\"><parm name=\"a\" value=\"b\"/></characteristic></characteristic>")},
        {"integer that is no number",
         setup("Notes", "%CE1%\\Notes",
               sharedValue + values + "HKLM\\X\"><parm name=\"n\" value=\"12abc\" datatype=\"integer\"/></characteristic></characteristic>")},
        {"setup extension that is no library",
         {{"_setup.xml", SetupXml("Quelt Tobrix", "%CE1%\\Notes", {{"n.exe", "NOTES.001"}}, sharedValue, "setup.so")},
          {"NOTES.001", "x"},
          {"setup.so", "not an ELF file"}}},
    };
    auto before = Tree();
    for (const auto& [what, files] : cases) {
        auto result = Install(files);
        EXPECT_FALSE(result.ok) << what;
        EXPECT_FALSE(result.message.empty()) << what;
        EXPECT_EQ(TreeWithoutPackage(), before) << what;
        EXPECT_FALSE(registry->OpenKey(Hive::LocalMachine, u"Security\\AppInstall")) << what;
        EXPECT_EQ(Value(Hive::LocalMachine, u"Software\\Shared", u"Mode"), RegistryValue::String(u"old")) << what;
    }

    // Not a cabinet at all, and a cabinet cut short.
    std::ofstream(root / "My Documents" / "junk.cab") << "MSCF but not really";
    EXPECT_FALSE(pkg::InstallPackage(root / "My Documents" / "junk.cab").ok);
    auto cab = root / "My Documents" / "cut.cab";
    WriteCab(cab, NotesPackage());
    std::filesystem::resize_file(cab, std::filesystem::file_size(cab) / 2);
    EXPECT_FALSE(pkg::InstallPackage(cab).ok);
    EXPECT_FALSE(registry->OpenKey(Hive::LocalMachine, u"Security\\AppInstall"));
}

TEST_F(PackageInstall, CabinetEntryNamesNeverChooseWhereFilesGo) {
    // Entries named like paths are extracted under names of the installer's
    // choosing, and only the ones the document asks for.
    std::vector<CabFile> files = {
        {"_setup.xml", SetupXml("Notes", "%CE1%\\Notes", {{"notes.exe", "NOTES.001"}})},
        {"NOTES.001", "ok"},
        {"../../escaped.txt", "outside"},
        {"/tmp/absolute.txt", "outside"},
        {"..\\..\\back.txt", "outside"},
    };
    auto parent = root.parent_path();
    auto result = Install(files);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_FALSE(std::filesystem::exists(parent / "escaped.txt"));
    EXPECT_FALSE(std::filesystem::exists(root / "escaped.txt"));
    EXPECT_FALSE(std::filesystem::exists("/tmp/absolute.txt"));
    for (const auto& entry : Tree()) EXPECT_EQ(entry.find("back.txt"), std::string::npos) << entry;
}

TEST_F(PackageInstall, PackagesLargerThanAllowedAreRefused) {
    pkg::InstallOptions options;
    options.maxBytes = 1000;
    auto cab = root / "My Documents" / "big.cab";
    WriteCab(cab, {{"_setup.xml", SetupXml("Big", "%CE1%\\Big", {{"big.exe", "BIG"}})}, {"BIG", std::string(5000, 'x')}});
    auto result = pkg::InstallPackage(cab, options);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\Big"));
}

TEST_F(PackageInstall, SetupExtensionIsCalledAroundInstallAndRemoval) {
    const std::vector<CabFile> files = ExtendedNotes();
    ASSERT_TRUE(Install(files).ok);
    const std::string installed = "Install_Init \\Program Files\\Vendor Notes 1 0\nInstall_Exit \\Program Files\\Vendor Notes\n";
    EXPECT_EQ(ReadAll(root / "extension.log"), installed);

    // Installing it again removes the installed one first, through its extension.
    ASSERT_TRUE(Install(files).ok);
    ASSERT_TRUE(pkg::RemovePackage(u"Quelt Tobrix").ok);
    const std::string removed = "Uninstall_Init \\Program Files\\Vendor Notes\nUninstall_Exit\n";
    EXPECT_EQ(ReadAll(root / "extension.log"),
              installed + removed + "Install_Init \\Program Files\\Vendor Notes 1 1\n"
                                    "Install_Exit \\Program Files\\Vendor Notes\n" + removed);
    EXPECT_FALSE(std::filesystem::exists(Host("\\Windows\\AppMgr\\Quelt Tobrix")));
}

// An extension that cancels or undoes the installation: everything goes back,
// down to the user's file and the value the package had replaced.
TEST_F(PackageInstall, SetupExtensionCanStopInstallAndRemoval) {
    std::filesystem::create_directories(Host("\\Program Files\\Vendor Notes"));
    std::ofstream(Host("\\Program Files\\Vendor Notes\\readme.txt")) << "the user's own";
    registry->CreateKey(Hive::ClassesRoot, u".note")->WriteString(u"Owner", u"Someone Else");
    // A value replaced in a key of the device's after the package made a key
    // of its own in the same hive gets its old content back as well.
    registry->CreateKey(Hive::LocalMachine, u"Software\\Shared")->WriteString(u"Mode", u"old");
    std::string extras = kRegistryExtras;
    extras.insert(extras.rfind("</characteristic>"),
                  "<characteristic type=\"HKLM\\Software\\Shared\"><parm name=\"Mode\" value=\"new\"/></characteristic>");
    const std::vector<CabFile> files = ExtendedNotes(extras);
    auto before = Tree();
    for (const char* mode : {"cancel-init", "undo-exit"}) {
        ::setenv("TOBRIX_TEST_EXTENSION", mode, 1);
        EXPECT_FALSE(Install(files).ok) << mode;
        EXPECT_EQ(TreeWithoutPackage(), before) << mode;
        EXPECT_EQ(ReadDevice("\\Program Files\\Vendor Notes\\readme.txt"), "the user's own") << mode;
        EXPECT_EQ(Value(Hive::ClassesRoot, u".note", u"Owner"), RegistryValue::String(u"Someone Else")) << mode;
        EXPECT_EQ(Value(Hive::LocalMachine, u"Software\\Shared", u"Mode"), RegistryValue::String(u"old")) << mode;
        EXPECT_FALSE(KeyExists(Hive::LocalMachine, u"Software\\Vendor")) << mode;
        EXPECT_FALSE(registry->OpenKey(Hive::LocalMachine, u"Security\\AppInstall")) << mode;
    }

    ::setenv("TOBRIX_TEST_EXTENSION", "refuse-uninstall", 1);
    ASSERT_TRUE(Install(files).ok);
    EXPECT_EQ(Value(Hive::LocalMachine, u"Software\\Shared", u"Mode"), RegistryValue::String(u"new"));
    EXPECT_FALSE(pkg::RemovePackage(u"Quelt Tobrix").ok);
    EXPECT_TRUE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\Quelt Tobrix"));
    EXPECT_TRUE(std::filesystem::exists(Host("\\Program Files\\Vendor Notes\\notes.exe")));
}

TEST_F(PackageInstall, ReinstallReplacesThePreviousVersion) {
    auto v1 = NotesPackage({});
    v1.push_back({"OLD.003", "old"});
    v1[0].content = SetupXml("Vendor Notes", "%CE1%\\Vendor Notes", {{"notes.exe", "NOTES.001"}, {"old.dll", "OLD.003"}});
    ASSERT_TRUE(Install(v1).ok);
    registry->OpenKey(Hive::LocalMachine, u"Security\\AppInstall\\Vendor Notes")->WriteDword(u"TobrixRevision", 3);

    auto v2 = NotesPackage({});
    v2[1].content = "version two";
    ASSERT_TRUE(Install(v2).ok);
    EXPECT_EQ(ReadDevice("\\Program Files\\Vendor Notes\\notes.exe"), "version two");
    EXPECT_FALSE(std::filesystem::exists(Host("\\Program Files\\Vendor Notes\\old.dll")));
    // The key is a new one: the revision of the old installation went with it.
    EXPECT_FALSE(Value(Hive::LocalMachine, u"Security\\AppInstall\\Vendor Notes", u"TobrixRevision"));
}

TEST_F(PackageInstall, RemovalChecksTheInstallName) {
    // Installed by other means: no record, so only the key is the package's.
    registry->CreateKey(Hive::LocalMachine, u"Security\\AppInstall\\Foreign\\ExecutableFiles");
    std::ofstream(Host("\\Program Files\\foreign.exe")) << "x";
    EXPECT_TRUE(pkg::RemovePackage(u"Foreign").ok);
    EXPECT_FALSE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\Foreign"));
    EXPECT_TRUE(std::filesystem::exists(Host("\\Program Files\\foreign.exe")));

    registry->CreateKey(Hive::LocalMachine, u"Security\\AppInstall\\A\\B");
    EXPECT_FALSE(pkg::RemovePackage(u"A\\B").ok) << "a name that reaches into another key";
    EXPECT_TRUE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\A\\B"));
    EXPECT_FALSE(pkg::RemovePackage(u"").ok);
    EXPECT_FALSE(pkg::RemovePackage(u"Never Installed").ok);
}

// A package keeps to its own places: the store's folder, protocol keys and
// settings are the store's own, and what another installed package wrote is
// that package's, however the path is spelled. A refused package changes
// nothing, and a setup extension it brings never runs.
TEST_F(PackageInstall, PackagesStayOutOfPlacesThatAreNotTheirs) {
    ASSERT_TRUE(Install(NotesPackage()).ok);
    std::filesystem::create_directories(Host("\\Program Files\\Tobrix"));
    std::ofstream(Host("\\Program Files\\Tobrix\\Tobrix.exe")) << "the store";
    registry->CreateKey(Hive::ClassesRoot, u"tobrix\\Shell\\Open\\Command")->WriteString(u"", u"store");
    auto fileIn = [](const std::string& folder, const std::string& name) {
        return "<characteristic type=\"FileOperation\"><characteristic type=\"" + folder +
               "\" translation=\"install\"><characteristic type=\"" + name +
               "\" translation=\"install\"><characteristic type=\"Extract\"><parm name=\"Source\" value=\"O\"/>"
               "</characteristic></characteristic></characteristic></characteristic>";
    };
    auto value = [](const std::string& key, const std::string& name) {
        return "<characteristic type=\"Registry\"><characteristic type=\"" + key + "\"><parm name=\"" + name +
               "\" value=\"x\"/></characteristic></characteristic>";
    };
    auto other = [](const std::string& dir, const std::string& extras, const std::string& setupDll = {}) {
        std::vector<CabFile> files = {{"_setup.xml", SetupXml("Other", dir, {{"o.exe", "O"}}, extras, setupDll)},
                                      {"O", "other"}};
        if (!setupDll.empty()) files.push_back({setupDll, ExtensionBytes()});
        return files;
    };
    const struct {
        const char* what;
        std::vector<CabFile> files;
        const char* why;
    } refused[] = {
        {"foreign setup extension", other("%CE1%\\Other", "", "SETUP.DLL"), "setup extension"},
        {"another package's shortcut, spelled in other case",
         other("%CE1%\\Other", fileIn("\\WINDOWS\\start menu\\Programs", "NOTES.LNK")), "installed package"},
        {"another package's program", other("%CE1%\\Other", fileIn("%CE1%\\Vendor Notes", "notes.exe")),
         "installed package"},
        {"install dir inside another package's folder", other("\\program files\\VENDOR NOTES\\Plugins", ""),
         "installed package"},
        {"another package's registry value", other("%CE1%\\Other", value("HKLM\\SOFTWARE\\vendor\\Notes", "runs")),
         "installed package"},
        {"install dir in the store's folder", other("%CE1%\\tobrix", ""), "store's own"},
        {"the store's program", other("%CE1%\\Other", fileIn("%CE1%\\TOBRIX", "Tobrix.exe")), "store's own"},
        {"the store's Start-menu entry", other("%CE1%\\Other", fileIn("%CE11%", "tobrix.lnk")), "store's own"},
        {"the store's protocol", other("%CE1%\\Other", value("HKCR\\TOBRIX\\shell\\open\\command", "")),
         "store's own"},
        {"the store's settings", other("%CE1%\\Other", value("HKLM\\Software\\Tobrix", "TobrixRevision")),
         "store's own"},
    };
    auto before = TreeWithoutPackage();
    const auto notesValues = registry->OpenKey(Hive::LocalMachine, u"Software\\Vendor\\Notes")->Values();
    for (const auto& c : refused) {
        auto result = Install(c.files);
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_TRUE(result.refused) << c.what << ": " << result.message;
        EXPECT_NE(result.message.find(c.why), std::string::npos) << c.what << ": " << result.message;
        EXPECT_EQ(TreeWithoutPackage(), before) << c.what;
        EXPECT_FALSE(KeyExists(Hive::LocalMachine, u"Security\\AppInstall\\Other")) << c.what;
        EXPECT_EQ(registry->OpenKey(Hive::LocalMachine, u"Software\\Vendor\\Notes")->Values(), notesValues) << c.what;
        EXPECT_EQ(registry->OpenKey(Hive::ClassesRoot, u"tobrix\\Shell\\Open\\Command")->Values().size(), 1u);
    }
    EXPECT_FALSE(std::filesystem::exists(root / "extension.log")) << "a foreign extension's code never runs";
    EXPECT_EQ(ReadDevice("\\Program Files\\Tobrix\\Tobrix.exe"), "the store");

    // A package of the same vendor keeps its own key beside the other's (an
    // update replacing its own files is ReinstallReplacesThePreviousVersion).
    ASSERT_TRUE(Install(other("%CE1%\\Other", value("HKLM\\Software\\Vendor\\Other", "Runs"))).ok);
}

TEST(SetupDocument, ExpandsMacrosAndReadsNestedKeys) {
    std::string error;
    auto doc = pkg::ParseSetupDocument(
        SetupXml("A B", "%CE1%\\A B", {{"a.exe", "A"}},
                 "<characteristic type=\"Registry\"><characteristic type=\"HKCR\\\\a\\\\\">"
                 "<parm name=\"\" value=\"%CE2%\\x\" translation=\"install\"/>"
                 "<characteristic type=\"Shell\\Open\"><parm name=\"n\" value=\"-1\" datatype=\"integer\"/>"
                 "</characteristic></characteristic></characteristic>"),
        &error);
    ASSERT_TRUE(doc) << error;
    EXPECT_EQ(doc->installDir, u"\\Program Files\\A B");
    ASSERT_EQ(doc->registry.size(), 2u);
    EXPECT_EQ(doc->registry[0].hive, Hive::ClassesRoot);
    EXPECT_EQ(doc->registry[0].key, u"a");
    EXPECT_EQ(doc->registry[0].values[0].second.text, u"\\Windows\\x");
    EXPECT_EQ(doc->registry[1].key, u"a\\Shell\\Open");
    EXPECT_EQ(doc->registry[1].values[0].second.dword, 0xFFFFFFFFu);
}

// A package missing one of its files is no package: the writer says so and
// hands over nothing, whatever it had written of the others.
TEST(CabinetWriter, AnEntryThatCannotBeReadFailsTheWholeCabinet) {
    const std::vector<formats::CabinetEntry> entries{
        {"readme.txt", std::string("read me")},
        {"notes.exe", std::filesystem::path("/nonexistent/tobrix/notes.exe")}};
    std::string bytes = "stale", error;
    EXPECT_FALSE(formats::WriteCabinet(entries, bytes, error));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(error.empty());
}
