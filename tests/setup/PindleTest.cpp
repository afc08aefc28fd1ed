// Pindle called the way the installer calls it, with install directories a
// package could never produce.
#include "SetupFixture.h"
#include "pkg/SetupExtension.h"

using platform::Hive;

class PindleCalls : public SetupFixture {
protected:
    void SetUp() override {
        SetupFixture::SetUp();
        std::string error;
        pindle = pkg::SetupExtension::Load(PINDLE_LIBRARY, &error);
        ASSERT_TRUE(pindle) << error;
    }
    void TearDown() override {
        pindle.reset();
        SetupFixture::TearDown();
    }
    std::unique_ptr<pkg::SetupExtension> pindle;
};

TEST_F(PindleCalls, AnInstallDirectoryWithoutBackslashNamesTheEntryAfterItsWholeText) {
    EXPECT_EQ(pindle->InstallInit(u"Tobrix", false), pkg::kSetupContinue);
    EXPECT_EQ(pindle->InstallExit(u"Tobrix"), pkg::kSetupContinue);
    EXPECT_EQ(StringValue(Hive::LocalMachine, u"Security\\Shell\\StartInfo\\Start\\Tobrix.lnk", u"Icon"),
              u"Tobrix\\icon.png");
    EXPECT_EQ(Read(Host(u"\\Windows\\Start Menu\\Programs\\Tobrix.lnk")), "19#\"Tobrix\\tobrix.exe\"");
    EXPECT_EQ(StringValue(Hive::ClassesRoot, u"tobrix\\Shell\\Open\\Command", u""), u"\"Tobrix\\Tobrix.exe\" \"%1\"");
    EXPECT_EQ(StoreRevision(), 17u);
    EXPECT_EQ(pindle->UninstallExit(), pkg::kSetupContinue);
}

TEST_F(PindleCalls, AKeyThatCannotBeCreatedDoesNotStopTheOtherSteps) {
    // The entry's name would be longer than a registry key name may be (and
    // than a file name may be): its key and shortcut are skipped, nothing else.
    const std::u16string folder = u"\\Program Files\\" + std::u16string(300, u'x');
    EXPECT_EQ(pindle->InstallExit(folder), pkg::kSetupContinue);
    auto start = registry->OpenKey(Hive::LocalMachine, u"Security\\Shell\\StartInfo\\Start");
    EXPECT_TRUE(!start || start->Subkeys().empty());
    EXPECT_TRUE(std::filesystem::is_empty(Host(u"\\Windows\\Start Menu\\Programs")));
    EXPECT_EQ(StoreRevision(), 17u);
    EXPECT_EQ(StringValue(Hive::ClassesRoot, u"tobrix\\Shell\\Open\\Command", u""),
              u"\"" + folder + u"\\Tobrix.exe\" \"%1\"");
    EXPECT_TRUE(KeyExists(Hive::LocalMachine, u"Software\\Microsoft\\Shell\\URLProtocols\\tobrix"));

    Answer({"no"});
    EXPECT_EQ(pindle->UninstallInit(folder), pkg::kSetupContinue);
}

TEST_F(PindleCalls, RemovalNeverDeletesOutsideARealInstallFolder) {
    // With an empty or root install directory, "<dir>\cabs" and
    // "<dir>\settings.dat" would be the device's own top-level entries.
    Write(u"\\cabs\\keep.cab", "not the store's");
    Write(u"\\settings.dat", "not the store's");
    for (const char16_t* folder : {u"", u"\\", u"\\\\"}) {
        Answer({"no"});
        EXPECT_EQ(pindle->UninstallInit(folder), pkg::kSetupContinue);
        EXPECT_TRUE(Exists(u"\\cabs\\keep.cab"));
        EXPECT_TRUE(Exists(u"\\settings.dat"));
    }
    std::string log = BoxLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << "the question is still asked";

    // A real folder with nothing in it: missing files are no failure.
    Answer({"no"});
    EXPECT_EQ(pindle->UninstallInit(u"\\Program Files\\Tobrix"), pkg::kSetupContinue);
    EXPECT_TRUE(Exists(u"\\settings.dat"));
}
