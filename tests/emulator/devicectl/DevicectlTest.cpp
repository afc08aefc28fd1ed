#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/Text.h"
#include "device/DeviceProfile.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/Files.h"
#include "platform/registry/Registry.h"

extern char** environ;
namespace fs = std::filesystem;
using platform::Hive;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs a program of the build with its output captured in files.
Outcome Exec(const char* program, const std::vector<std::string>& args, const fs::path& scratch) {
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    fs::path out = scratch / "stdout", err = scratch / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Outcome r;
    pid_t pid;
    if (posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.status = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
}

class DevicectlTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch = fs::temp_directory_path() / ("tobrix-devicectl-" + std::to_string(::getpid()));
        fs::remove_all(scratch);
        fs::create_directories(scratch);
    }
    void TearDown() override {
        platform::ClearCurrentDevice();
        fs::remove_all(scratch);
    }
    Outcome Devicectl(const std::vector<std::string>& args) { return Exec(DEVICECTL, args, scratch); }
    std::string Dir(const std::string& name) { return (scratch / name).string(); }

    DeviceProfile DetectOn(const std::string& dir) {
        auto root = platform::DeviceRoot::Open(dir);
        EXPECT_TRUE(root);
        if (root) platform::SetCurrentDevice(*root);
        DeviceProfile p;
        Detect(p);
        return p;
    }

    fs::path scratch;
};

}  // namespace

TEST_F(DevicectlTest, ProfilesDetectAsTheyAreDescribed) {
    ASSERT_EQ(Devicectl({"create", Dir("vga"), "--profile", "wm65-vga"}).status, 0);
    DeviceProfile vga = DetectOn(Dir("vga"));
    EXPECT_EQ(vga, (DeviceProfile{u"wm65ppc", 480, 640, true, false, true, true, true, true, false, false, true, true}));
    EXPECT_EQ(platform::FirstStorageCard(), u"\\Storage Card");
    EXPECT_TRUE(platform::CurrentDevice().Info().touch) << "a Pocket PC has a touch screen";
    EXPECT_TRUE(platform::IsFolder(u"\\Windows\\Start Menu\\Programs"));
    EXPECT_TRUE(platform::IsFolder(u"\\Program Files"));
    EXPECT_TRUE(platform::IsFolder(u"\\My Documents"));

    ASSERT_EQ(Devicectl({"create", Dir("sp"), "--profile", "wm5-sp-176x220", "--orientation", "270"}).status, 0);
    DeviceProfile sp = DetectOn(Dir("sp"));
    EXPECT_EQ(sp, (DeviceProfile{u"wm5sp", 176, 220, true, true, false, false, false, false, false, false, false, true}))
        << "a rotated device reports its portrait size";
    EXPECT_TRUE(platform::StorageCards().empty());
    EXPECT_FALSE(platform::CurrentDevice().Info().touch) << "a Smartphone is driven by keys";

    // Every profile makes a device whose detected edition and screen are rows
    // of the tables the settings offer.
    Outcome list = Devicectl({"profiles"});
    ASSERT_EQ(list.status, 0);
    std::istringstream lines(list.out);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        std::string name = line.substr(0, line.find('\t'));
        ASSERT_EQ(Devicectl({"create", Dir("p-" + name), "--profile", name}).status, 0) << name;
        DeviceProfile p = DetectOn(Dir("p-" + name));
        EXPECT_NE(EditionName(p.osver), u"") << name;
        EXPECT_NE(ScreenName(p.width, p.height), u"") << name;
        ++count;
    }
    EXPECT_GE(count, 4);
}

TEST_F(DevicectlTest, CreateRefusesAnExistingDeviceAndUnknownProfiles) {
    ASSERT_EQ(Devicectl({"create", Dir("d")}).status, 0);
    ASSERT_EQ(Devicectl({"reg", Dir("d"), "set", "HKLM\\Software\\Mark", "v", "dword", "1"}).status, 0);
    Outcome again = Devicectl({"create", Dir("d"), "--profile", "wm5-sp-176x220"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already holds a device"), std::string::npos) << again.err;
    EXPECT_NE(Devicectl({"reg", Dir("d"), "dump", "HKLM\\Software\\Mark"}).out.find("dword 1"), std::string::npos);
    EXPECT_NE(Slurp(scratch / "d" / "device.json").find("wm65-vga"), std::string::npos);

    EXPECT_EQ(Devicectl({"create", Dir("x"), "--profile", "wm7"}).status, 1);
    EXPECT_EQ(Devicectl({"create", Dir("y"), "--orientation", "45"}).status, 1);
    EXPECT_FALSE(fs::exists(scratch / "x" / "device.json"));
    EXPECT_EQ(Devicectl({"describe", Dir("nothing")}).status, 1);
    Outcome describe = Devicectl({"describe", Dir("d")});
    ASSERT_EQ(describe.status, 0);
    EXPECT_EQ(nlohmann::json::parse(describe.out)["os"]["build"], 23090);
}

TEST_F(DevicectlTest, RegistryCommandsSetDumpAndDelete) {
    ASSERT_EQ(Devicectl({"create", Dir("d")}).status, 0);
    std::string d = Dir("d");
    EXPECT_EQ(Devicectl({"reg", d, "set", "HKLM\\Software\\Tobrix", "TobrixRevision", "dword", "0x11"}).status, 0);
    EXPECT_EQ(Devicectl({"reg", d, "set", "HKCR\\tobrix", "", "string", "Tobrix Protocol"}).status, 0);
    EXPECT_EQ(Devicectl({"reg", d, "set", "hklm\\software\\TOBRIX", "Note", "string", "two\nlines"}).status, 0);
    for (auto bad : {"-1", "4294967296", "12abc", ""})
        EXPECT_EQ(Devicectl({"reg", d, "set", "HKLM\\Software\\Tobrix", "Bad", "dword", bad}).status, 1) << bad;
    EXPECT_EQ(Devicectl({"reg", d, "set", "HKLM\\Software\\Tobrix", "Bad", "binary", "00"}).status, 1);
    EXPECT_EQ(Devicectl({"reg", d, "set", "HKCU\\Software", "x", "dword", "1"}).status, 1);

    // What the command line wrote is what the store reads.
    auto reg = platform::Registry::OpenFile(scratch / "d" / "registry.db");
    ASSERT_TRUE(reg);
    uint32_t rev = 0;
    ASSERT_TRUE(reg->OpenKey(Hive::LocalMachine, u"\\Software\\Tobrix\\")->ReadDword(u"TobrixRevision", rev));
    EXPECT_EQ(rev, 17u);
    EXPECT_FALSE(reg->OpenKey(Hive::LocalMachine, u"Software\\Tobrix")->Read(u"Bad"));
    std::u16string text;
    ASSERT_TRUE(reg->OpenKey(Hive::ClassesRoot, u"tobrix")->ReadString(u"", text));
    EXPECT_EQ(text, u"Tobrix Protocol");

    Outcome dump = Devicectl({"reg", d, "dump", "HKLM\\Software\\Tobrix"});
    ASSERT_EQ(dump.status, 0);
    EXPECT_EQ(dump.out,
              "HKLM\\Software\\Tobrix\n"
              "  TobrixRevision = dword 17 (0x00000011)\n"
              "  Note = string \"two\\x0Alines\"\n");
    Outcome all = Devicectl({"reg", d, "dump"});
    EXPECT_NE(all.out.find("HKCR\\tobrix\n  (default) = string \"Tobrix Protocol\""), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("Key = string \"Drivers\\BuiltIn\\GPSID\""), std::string::npos);

    EXPECT_EQ(Devicectl({"reg", d, "delete", "HKLM\\Software\\Tobrix", "note"}).status, 0);
    EXPECT_EQ(Devicectl({"reg", d, "delete", "HKLM\\Software\\Tobrix", "note"}).status, 1);
    EXPECT_EQ(Devicectl({"reg", d, "delete", "HKLM\\Software"}).status, 0);
    EXPECT_FALSE(reg->OpenKey(Hive::LocalMachine, u"Software\\Tobrix"));
    EXPECT_EQ(Devicectl({"reg", d, "dump", "HKLM\\Software"}).status, 1);
    EXPECT_EQ(Devicectl({"reg", d, "delete", "HKLM"}).status, 1) << "a hive's root stays";
}

TEST_F(DevicectlTest, AnswersScriptMessageBoxesAndExecOpensLinksAsTheShellDoes) {
    ASSERT_EQ(Devicectl({"create", Dir("d")}).status, 0);
    std::string d = Dir("d");
    EXPECT_EQ(Devicectl({"answers", d, "yes", "No"}).out, "yes\nno\n");
    Outcome bad = Devicectl({"answers", d, "maybe"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("maybe"), std::string::npos) << bad.err;
    EXPECT_EQ(Devicectl({"answers", d}).out, "yes\nno\n") << "a refused script adds nothing";

    std::ofstream(scratch / "d" / "Windows" / "rec.exe") << "a device program";
    ASSERT_EQ(Devicectl({"reg", d, "set", "HKCR\\rec\\Shell\\Open\\Command", "", "string",
                         "\"\\Windows\\rec.exe\" \"%1\""})
                  .status,
              0);
    Outcome opened = Devicectl({"exec", d, "rec://5/", "--wait"});
    EXPECT_EQ(opened.status, 0) << opened.err;
    EXPECT_NE(Slurp(scratch / "d" / "launch.log").find("\t\\Windows\\rec.exe\t\"rec://5/\"\n"), std::string::npos);
    EXPECT_EQ(Devicectl({"exec", d, "\\Windows\\none.exe"}).status, 1);
}

TEST_F(DevicectlTest, TobrixctlPrintsTheDetectedProfile) {
    ASSERT_EQ(Devicectl({"create", Dir("d"), "--profile", "wm5-sp-176x220", "--orientation", "90"}).status, 0);
    Outcome r = Exec(TOBRIXCTL, {"device", "detect", "--device-root", Dir("d")}, scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["osver"], "wm5sp");
    EXPECT_EQ(j["editionName"], "Windows Mobile 5 Smartphone");
    EXPECT_EQ(j["width"], 176);
    EXPECT_EQ(j["height"], 220);
    EXPECT_EQ(j["screenName"], "Standard(176x220)");
    EXPECT_EQ(j["irda"], 1);
    EXPECT_EQ(j["keypad"], 1);
    EXPECT_EQ(j["cam3g"], 0);
    EXPECT_EQ(j.size(), 15u);

    Outcome missing = Exec(TOBRIXCTL, {"device", "detect", "--device-root", Dir("none")}, scratch);
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_FALSE(missing.err.empty());
}

TEST_F(DevicectlTest, StorageIsSizedByItsSizeOrByWhatIsLeftFree) {
    ASSERT_EQ(Devicectl({"create", Dir("d")}).status, 0);
    auto used = [&] {
        const std::string out = Devicectl({"storage", Dir("d")}).out;
        return out.rfind("used ", 0) == 0 ? std::stol(out.substr(5)) : -1L;
    };
    const long before = used();  // the device's own libraries
    ASSERT_GE(before, 0);
    std::ofstream(scratch / "d" / "My Documents" / "notes.txt") << std::string(1500, 'n');
    std::ofstream(scratch / "d" / "launch.log") << std::string(1500, 'l');  // the emulator's, not the device's
    EXPECT_EQ(used(), before + 1500);
    auto size = [&] { return nlohmann::json::parse(Slurp(scratch / "d" / "device.json")).value("storageBytes", -1L); };
    Outcome free = Devicectl({"storage", Dir("d"), "--free", "500"});
    ASSERT_EQ(free.status, 0) << free.err;
    EXPECT_EQ(size(), before + 2000) << "what the folders hold plus what is to stay free";
    EXPECT_NE(free.out.find("free 500\n"), std::string::npos) << free.out;
    EXPECT_NE(Devicectl({"storage", Dir("d"), "--size", "100", "--unlimited"}).status, 0) << "one choice at a time";
    EXPECT_EQ(size(), before + 2000);
    ASSERT_EQ(Devicectl({"storage", Dir("d"), "--unlimited"}).status, 0);
    EXPECT_EQ(size(), 0);
    EXPECT_NE(Devicectl({"storage", Dir("d")}).out.find("size unlimited"), std::string::npos);
}
