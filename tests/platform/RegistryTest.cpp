#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "TempRoot.h"
#include "support/ProgramRun.h"
#include "base/Text.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"


using platform::Hive;
using platform::Registry;
using platform::RegistryKey;
using platform::RegistryType;
using platform::RegistryValue;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    TempRoot root;
    std::shared_ptr<Registry> reg = Registry::Current();
};

pid_t Spawn(const std::vector<std::string>& args) {
    auto child = platform::SpawnHost(args[0], {args.begin() + 1, args.end()});
    return child ? child->Id() : -1;
}

}  // namespace

TEST_F(RegistryTest, KeyNamesIgnoreCaseButKeepTheirSpelling) {
    ASSERT_TRUE(reg);
    auto created = reg->CreateKey(Hive::LocalMachine, u"\\Software\\Tobrix\\");
    ASSERT_TRUE(created);
    EXPECT_EQ(created->Path(), u"Software\\Tobrix");

    auto again = reg->CreateKey(Hive::LocalMachine, u"SOFTWARE\\TOBRIX");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Path(), u"Software\\Tobrix");
    auto opened = reg->OpenKey(Hive::LocalMachine, u"software\\\\tobrix");
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->Path(), u"Software\\Tobrix");

    ASSERT_TRUE(again->WriteDword(u"TobrixRevision", 17));
    uint32_t v = 0;
    EXPECT_TRUE(opened->ReadDword(u"tobrixrevision", v));
    EXPECT_EQ(v, 17u);
    EXPECT_EQ(reg->Root(Hive::LocalMachine)->Subkeys(), std::vector<std::u16string>{u"Software"});
    EXPECT_FALSE(reg->OpenKey(Hive::ClassesRoot, u"Software\\Tobrix")) << "hives are separate";
}

TEST_F(RegistryTest, ValuesKeepTypeAndTheirPlaceWhenRewritten) {
    auto key = reg->CreateKey(Hive::LocalMachine, u"Security\\AppInstall\\Quelt Tobrix");
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->WriteString(u"", u"default text"));
    ASSERT_TRUE(key->WriteDword(u"TobrixRevision", 0xFFFFFFFFu));
    ASSERT_TRUE(key->WriteString(u"InstallDir", u"\\Program Files\\Приложение"));
    // Rewriting under another spelling and type keeps the first spelling and
    // the enumeration position, and replaces the data.
    ASSERT_TRUE(key->WriteString(u"TOBRIXREVISION", u"seventeen"));

    auto values = key->Values();
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].first, u"");
    EXPECT_EQ(values[1].first, u"TobrixRevision");
    EXPECT_EQ(values[1].second, RegistryValue::String(u"seventeen"));
    EXPECT_EQ(values[2].second, RegistryValue::String(u"\\Program Files\\Приложение"));

    uint32_t dword = 5;
    EXPECT_FALSE(key->ReadDword(u"TobrixRevision", dword)) << "a string is not a DWORD";
    EXPECT_EQ(dword, 5u);
    std::u16string s;
    EXPECT_FALSE(key->ReadString(u"Missing", s));
    EXPECT_TRUE(key->WriteDword(u"Big", 0xFFFFFFFFu));
    EXPECT_TRUE(key->ReadDword(u"big", dword));
    EXPECT_EQ(dword, 0xFFFFFFFFu);

    EXPECT_TRUE(key->DeleteValue(u"installdir"));
    EXPECT_FALSE(key->DeleteValue(u"InstallDir")) << "deleting twice reports the missing value";
    EXPECT_FALSE(key->Read(u"InstallDir"));
}

TEST_F(RegistryTest, EnumerationByIndexEndsWithFailure) {
    auto parent = reg->CreateKey(Hive::LocalMachine, u"Security\\AppInstall");
    ASSERT_TRUE(parent);
    for (auto name : {u"zeta app", u"Alpha", u"TSKAllowed", u"beta"}) ASSERT_TRUE(parent->CreateSubkey(name));
    std::vector<std::u16string> names;
    std::u16string name;
    uint32_t i = 0;
    for (; parent->EnumSubkey(i, name); ++i) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Alpha", u"beta", u"TSKAllowed", u"zeta app"}));
    EXPECT_FALSE(parent->EnumSubkey(100, name));

    auto exe = parent->CreateSubkey(u"beta\\ExecutableFiles");
    ASSERT_TRUE(exe);
    ASSERT_TRUE(exe->WriteDword(u"\\Program Files\\Beta\\b.exe", 0));
    ASSERT_TRUE(exe->WriteDword(u"\\Program Files\\Beta\\a.exe", 0));
    RegistryValue value;
    ASSERT_TRUE(exe->EnumValue(0, name, &value));
    EXPECT_EQ(name, u"\\Program Files\\Beta\\b.exe");
    ASSERT_TRUE(exe->EnumValue(1, name));
    EXPECT_EQ(name, u"\\Program Files\\Beta\\a.exe");
    EXPECT_FALSE(exe->EnumValue(2, name));
}

TEST_F(RegistryTest, DeleteRemovesTheWholeTreeAndInvalidatesOpenKeys) {
    auto app = reg->CreateKey(Hive::LocalMachine, u"Security\\AppInstall\\Demo");
    auto exe = reg->CreateKey(Hive::LocalMachine, u"Security\\AppInstall\\Demo\\ExecutableFiles\\Deep");
    auto sibling = reg->CreateKey(Hive::LocalMachine, u"Security\\AppInstall\\Demo2");
    ASSERT_TRUE(app && exe && sibling);
    ASSERT_TRUE(app->WriteDword(u"TobrixRevision", 3));
    ASSERT_TRUE(exe->WriteString(u"x", u"y"));
    ASSERT_TRUE(sibling->WriteDword(u"keep", 1));

    EXPECT_TRUE(reg->DeleteKey(Hive::LocalMachine, u"security\\appinstall\\DEMO"));
    EXPECT_FALSE(reg->OpenKey(Hive::LocalMachine, u"Security\\AppInstall\\Demo"));
    EXPECT_FALSE(reg->OpenKey(Hive::LocalMachine, u"Security\\AppInstall\\Demo\\ExecutableFiles"));
    EXPECT_FALSE(reg->DeleteKey(Hive::LocalMachine, u"Security\\AppInstall\\Demo")) << "already gone";

    // Handles to deleted keys fail instead of writing into a dead key.
    EXPECT_FALSE(exe->WriteString(u"x", u"z"));
    EXPECT_FALSE(app->CreateSubkey(u"Child"));
    EXPECT_FALSE(exe->Read(u"x"));

    // A key created again under the old name starts empty.
    auto fresh = reg->CreateKey(Hive::LocalMachine, u"Security\\AppInstall\\Demo");
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->Values().empty());
    EXPECT_TRUE(fresh->Subkeys().empty());
    EXPECT_FALSE(app->WriteDword(u"TobrixRevision", 4)) << "an old handle never reaches the new key";

    uint32_t keep = 0;
    EXPECT_TRUE(sibling->ReadDword(u"keep", keep));
    EXPECT_FALSE(reg->DeleteKey(Hive::LocalMachine, u"\\")) << "a hive's root stays";
    EXPECT_TRUE(reg->DeleteKey(Hive::LocalMachine, u"Security"));
    EXPECT_TRUE(reg->Root(Hive::LocalMachine)->Subkeys().empty());
}

TEST_F(RegistryTest, ForeignFileIsRefused) {
    auto file = root.path / "not-a-registry.db";
    std::ofstream(file) << "this is a text file, not a database, and it is long enough to be noticed";
    std::string error;
    EXPECT_FALSE(Registry::OpenFile(file, &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(RegistryTest, CurrentFollowsTheSelectedDevice) {
    ASSERT_TRUE(platform::CreateRegistryKey(Hive::LocalMachine, u"Software\\First"));
    {
        TempRoot other;
        EXPECT_FALSE(platform::OpenRegistryKey(Hive::LocalMachine, u"Software\\First"));
        EXPECT_TRUE(std::filesystem::exists(other.path / "registry.db"));
    }
    EXPECT_FALSE(platform::OpenRegistryKey(Hive::LocalMachine, u"Software\\First")) << "no device selected";
    EXPECT_FALSE(platform::CreateRegistryKey(Hive::LocalMachine, u"Software\\X"));
}

TEST_F(RegistryTest, ThreadsOfOneProcessShareTheConnection) {
    auto key = reg->CreateKey(Hive::LocalMachine, u"Threads");
    ASSERT_TRUE(key);
    std::atomic<int> failures{0};
    auto writer = [&](char16_t tag) {
        for (int i = 0; i < 200; ++i)
            if (!key->WriteDword(std::u16string(1, tag) + text::ToU16(i), static_cast<uint32_t>(i))) ++failures;
    };
    std::thread a(writer, u'a'), b(writer, u'b');
    a.join();
    b.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(key->Values().size(), 400u);
}

// Tobrix, the installer and the setup extension use one registry.db at the
// same time. Every write of every process must survive.
TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
    // The children open a registry file nobody has created yet, so creating
    // the schema races too.
    auto file = (root.path / "shared.db").string();
    constexpr int kCount = 400;
    pid_t first = Spawn({REGISTRY_WRITER, file, "first", std::to_string(kCount)});
    pid_t second = Spawn({REGISTRY_WRITER, file, "second", std::to_string(kCount)});
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_EQ(WaitForExit(first, std::chrono::seconds(120)), 0);
    EXPECT_EQ(WaitForExit(second, std::chrono::seconds(120)), 0);

    auto shared = Registry::OpenFile(file);
    ASSERT_TRUE(shared);
    auto key = shared->OpenKey(Hive::LocalMachine, u"Software\\Concurrent");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->Values().size(), 2u * kCount);
    for (std::string name : {"first", "second"}) {
        for (int i = 0; i < kCount; ++i) {
            uint32_t v = 0;
            ASSERT_TRUE(key->ReadDword(U16(name + "-" + std::to_string(i)), v)) << name << i;
            EXPECT_EQ(v, static_cast<uint32_t>(i));
        }
        auto sub = key->OpenSubkey(U16(name));
        ASSERT_TRUE(sub);
        EXPECT_EQ(sub->Subkeys().size(), static_cast<size_t>(kCount / 100));
    }
    EXPECT_EQ(key->Subkeys().size(), 2u) << "the shared key was created exactly once";
}
