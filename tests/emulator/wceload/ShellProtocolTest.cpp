// Links of registered URL protocols: the device's shell starts the protocol's
// command instead of the browser.
#include <gtest/gtest.h>

#include "DeviceFixture.h"
#include "base/Text.h"
#include "platform/process/Process.h"
#include "platform/shell/Shell.h"

using platform::Hive;

class ShellProtocol : public DeviceFixture {
protected:
    void Register(const std::u16string& scheme, const std::u16string& command) {
        auto key = registry->CreateKey(Hive::ClassesRoot, scheme + u"\\Shell\\Open\\Command");
        ASSERT_TRUE(key && key->WriteString(u"", command));
    }
    void MakeDeviceFile(const std::string& devicePath) { std::ofstream(Host(devicePath)) << "a device program"; }
    std::string LaunchLog() const { return Read(root / "launch.log"); }
};

TEST_F(ShellProtocol, ARegisteredSchemeStartsItsCommandWithTheQuotedLink) {
    MakeDeviceFile("\\Windows\\viewer.exe");
    Register(u"viewer", u"\"\\Windows\\viewer.exe\" -open \"%1\"");
    EXPECT_TRUE(platform::ShellExecute(u"open", u"VIEWER://a b/x?y=1"));
    EXPECT_NE(LaunchLog().find("\t\\Windows\\viewer.exe\t-open \"VIEWER://a b/x?y=1\"\n"), std::string::npos)
        << LaunchLog();

    // An unquoted program, and a link trying to close the quotes early.
    Register(u"viewer", u"\\Windows\\viewer.exe %1");
    auto command = platform::UrlProtocolCommand(u"viewer://x\" --evil \"y\x01\\");
    ASSERT_TRUE(command);
    EXPECT_EQ(command->program, u"\\Windows\\viewer.exe");
    EXPECT_EQ(command->commandLine, u"viewer://x%22 --evil %22y%01%5C");
}

TEST_F(ShellProtocol, OtherLinksStillGoToTheBrowserAndBrokenCommandsStartNothing) {
    auto key = registry->CreateKey(Hive::ClassesRoot, u"http\\Shell\\Open\\Command");
    ASSERT_TRUE(key);  // a key without a command registers nothing
    EXPECT_FALSE(platform::UrlProtocolCommand(u"http://127.0.0.1/"));
    EXPECT_FALSE(platform::ShellExecute(u"open", u"http://127.0.0.1/")) << "this device has no browser";
    EXPECT_NE(LaunchLog().find("\tbrowser\thttp://127.0.0.1/\n"), std::string::npos) << LaunchLog();

    Register(u"gone", u"\"\\Windows\\missing.exe\" \"%1\"");
    EXPECT_FALSE(platform::ShellExecute(u"open", u"gone:1"));
    Register(u"broken", u"\"\\Windows\\viewer.exe %1");
    EXPECT_FALSE(platform::UrlProtocolCommand(u"broken:1")) << "an unterminated quote";
    Register(u"blank", u"   ");
    EXPECT_FALSE(platform::UrlProtocolCommand(u"blank:1"));
}

TEST_F(ShellProtocol, TheStoresInstalledProgramRunsOnlyWhenItIsAHostProgram) {
    std::filesystem::create_directories(Host("\\Program Files\\Tobrix"));
    auto program = Host("\\Program Files\\Tobrix\\Tobrix.exe");
    auto out = root / "args.txt";
    Register(u"tobrix", u"\"\\Program Files\\Tobrix\\Tobrix.exe\" \"" + U16(out.string()) + u"\" \"%1\"");

    // A device file that only pretends to be a program is logged, not run.
    std::ofstream(program) << "#!/bin/sh\ntouch pwned\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
    platform::Process started;
    ASSERT_TRUE(platform::ShellExecute(u"open", u"tobrix://7/", {}, &started));
    EXPECT_TRUE(started.Wait());
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_NE(LaunchLog().find("\t\\Program Files\\Tobrix\\Tobrix.exe\t"), std::string::npos);

    std::filesystem::copy_file(RECORD_ARGS_PATH, program, std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(platform::ShellExecute(u"open", u"tobrix://7/", {}, &started));
    int code = -1;
    ASSERT_TRUE(started.Wait(&code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Read(out), "tobrix://7/\n");
}
