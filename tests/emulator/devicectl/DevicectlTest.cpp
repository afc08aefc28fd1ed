#include <fstream>
#include <sstream>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/ProgramRun.h"
#include "base/Text.h"
#include "device/DeviceProfile.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/Files.h"
#include "platform/registry/Registry.h"

namespace fs = std::filesystem;
using platform::Hive;

namespace {

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
    Captured Devicectl(const std::vector<std::string>& args) { return RunCaptured(DEVICECTL, args); }
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
    ASSERT_EQ(Devicectl({"create", Dir("vga"), "--profile", "wm65-vga"}).exitCode, 0);
    DeviceProfile vga = DetectOn(Dir("vga"));
    EXPECT_EQ(vga, (DeviceProfile{u"wm65ppc", 480, 640, true, false, true, true, true, true, false, false, true, true}));
    EXPECT_EQ(platform::FirstStorageCard(), u"\\Storage Card");
    EXPECT_TRUE(platform::CurrentDevice().Info().touch) << "a Pocket PC has a touch screen";

    ASSERT_EQ(Devicectl({"create", Dir("sp"), "--profile", "wm5-sp-176x220", "--orientation", "270"}).exitCode, 0);
    DeviceProfile sp = DetectOn(Dir("sp"));
    EXPECT_EQ(sp, (DeviceProfile{u"wm5sp", 176, 220, true, true, false, false, false, false, false, false, false, true}))
        << "a rotated device reports its portrait size";
    EXPECT_TRUE(platform::StorageCards().empty());
    EXPECT_FALSE(platform::CurrentDevice().Info().touch) << "a Smartphone is driven by keys";

    // Every profile makes a device whose detected edition and screen are rows
    // of the tables the settings offer.
    Captured list = Devicectl({"profiles"});
    ASSERT_EQ(list.exitCode, 0);
    std::istringstream lines(list.out);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        std::string name = line.substr(0, line.find('\t'));
        ASSERT_EQ(Devicectl({"create", Dir("p-" + name), "--profile", name}).exitCode, 0) << name;
        DeviceProfile p = DetectOn(Dir("p-" + name));
        EXPECT_NE(EditionName(p.osver), u"") << name;
        EXPECT_NE(ScreenName(p.width, p.height), u"") << name;
        ++count;
    }
    EXPECT_GE(count, 4);
}

TEST_F(DevicectlTest, CreateRefusesAnExistingDeviceAndUnknownProfiles) {
    ASSERT_EQ(Devicectl({"create", Dir("d")}).exitCode, 0);
    ASSERT_EQ(Devicectl({"reg", Dir("d"), "set", "HKLM\\Software\\Mark", "v", "dword", "1"}).exitCode, 0);
    Captured again = Devicectl({"create", Dir("d"), "--profile", "wm5-sp-176x220"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("already holds a device"), std::string::npos) << again.err;
    EXPECT_NE(Devicectl({"reg", Dir("d"), "dump", "HKLM\\Software\\Mark"}).out.find("dword 1"), std::string::npos);
    EXPECT_NE(ReadAll(scratch / "d" / "device.json").find("wm65-vga"), std::string::npos);

    EXPECT_EQ(Devicectl({"create", Dir("x"), "--profile", "wm7"}).exitCode, 1);
    EXPECT_EQ(Devicectl({"create", Dir("y"), "--orientation", "45"}).exitCode, 1);
    EXPECT_FALSE(fs::exists(scratch / "x" / "device.json"));
    EXPECT_EQ(Devicectl({"describe", Dir("nothing")}).exitCode, 1);
    Captured describe = Devicectl({"describe", Dir("d")});
    ASSERT_EQ(describe.exitCode, 0);
    EXPECT_EQ(nlohmann::json::parse(describe.out)["os"]["build"], 23090);
}

TEST_F(DevicectlTest, RegistryCommandsSetDumpAndDelete) {
    ASSERT_EQ(Devicectl({"create", Dir("d")}).exitCode, 0);
    std::string d = Dir("d");
    EXPECT_EQ(Devicectl({"reg", d, "set", "HKLM\\Software\\Tobrix", "TobrixRevision", "dword", "0x11"}).exitCode, 0);
    EXPECT_EQ(Devicectl({"reg", d, "set", "HKCR\\tobrix", "", "string", "Tobrix Protocol"}).exitCode, 0);
    EXPECT_EQ(Devicectl({"reg", d, "set", "hklm\\software\\TOBRIX", "Note", "string", "two\nlines"}).exitCode, 0);
    for (auto bad : {"-1", "4294967296", "12abc", ""})
        EXPECT_EQ(Devicectl({"reg", d, "set", "HKLM\\Software\\Tobrix", "Bad", "dword", bad}).exitCode, 1) << bad;
    EXPECT_EQ(Devicectl({"reg", d, "set", "HKLM\\Software\\Tobrix", "Bad", "binary", "00"}).exitCode, 1);
    EXPECT_EQ(Devicectl({"reg", d, "set", "HKCU\\Software", "x", "dword", "1"}).exitCode, 1);

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

    Captured dump = Devicectl({"reg", d, "dump", "HKLM\\Software\\Tobrix"});
    ASSERT_EQ(dump.exitCode, 0);
    EXPECT_EQ(dump.out,
              "HKLM\\Software\\Tobrix\n"
              "  TobrixRevision = dword 17 (0x00000011)\n"
              "  Note = string \"two\\x0Alines\"\n");

    EXPECT_EQ(Devicectl({"reg", d, "delete", "HKLM\\Software\\Tobrix", "note"}).exitCode, 0);
    EXPECT_EQ(Devicectl({"reg", d, "delete", "HKLM\\Software\\Tobrix", "note"}).exitCode, 1);
    EXPECT_EQ(Devicectl({"reg", d, "delete", "HKLM\\Software"}).exitCode, 0);
    EXPECT_FALSE(reg->OpenKey(Hive::LocalMachine, u"Software\\Tobrix"));
    EXPECT_EQ(Devicectl({"reg", d, "dump", "HKLM\\Software"}).exitCode, 1);
    EXPECT_EQ(Devicectl({"reg", d, "delete", "HKLM"}).exitCode, 1) << "a hive's root stays";
}

TEST_F(DevicectlTest, AnswersScriptMessageBoxesAndExecOpensLinksAsTheShellDoes) {
    ASSERT_EQ(Devicectl({"create", Dir("d")}).exitCode, 0);
    std::string d = Dir("d");
    EXPECT_EQ(Devicectl({"answers", d, "yes", "No"}).out, "yes\nno\n");
    Captured bad = Devicectl({"answers", d, "maybe"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("maybe"), std::string::npos) << bad.err;
    EXPECT_EQ(Devicectl({"answers", d}).out, "yes\nno\n") << "a refused script adds nothing";

    std::ofstream(scratch / "d" / "Windows" / "rec.exe") << "a device program";
    ASSERT_EQ(Devicectl({"reg", d, "set", "HKCR\\rec\\Shell\\Open\\Command", "", "string",
                         "\"\\Windows\\rec.exe\" \"%1\""})
                  .exitCode,
              0);
    Captured opened = Devicectl({"exec", d, "rec://5/", "--wait"});
    EXPECT_EQ(opened.exitCode, 0) << opened.err;
    EXPECT_NE(ReadAll(scratch / "d" / "launch.log").find("\t\\Windows\\rec.exe\t\"rec://5/\"\n"), std::string::npos);
    EXPECT_EQ(Devicectl({"exec", d, "\\Windows\\none.exe"}).exitCode, 1);
}

TEST_F(DevicectlTest, TobrixctlPrintsTheDetectedProfile) {
    ASSERT_EQ(Devicectl({"create", Dir("d"), "--profile", "wm5-sp-176x220", "--orientation", "90"}).exitCode, 0);
    Captured r = RunCaptured(TOBRIXCTL, {"device", "detect", "--device-root", Dir("d")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    // What it detects is ProfilesDetectAsTheyAreDescribed's; here the tool's own printing.
    EXPECT_EQ(j["editionName"], "Windows Mobile 5 Smartphone");
    EXPECT_EQ(j["screenName"], "Standard(176x220)");
    EXPECT_EQ(j["width"], 176);

    Captured missing = RunCaptured(TOBRIXCTL, {"device", "detect", "--device-root", Dir("none")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_FALSE(missing.err.empty());
}

TEST_F(DevicectlTest, StorageIsSizedByItsSizeOrByWhatIsLeftFree) {
    ASSERT_EQ(Devicectl({"create", Dir("d")}).exitCode, 0);
    auto used = [&] {
        const std::string out = Devicectl({"storage", Dir("d")}).out;
        return out.rfind("used ", 0) == 0 ? std::stol(out.substr(5)) : -1L;
    };
    const long before = used();  // the device's own libraries
    ASSERT_GE(before, 0);
    std::ofstream(scratch / "d" / "My Documents" / "notes.txt") << std::string(1500, 'n');
    std::ofstream(scratch / "d" / "launch.log") << std::string(1500, 'l');  // the emulator's, not the device's
    EXPECT_EQ(used(), before + 1500);
    auto size = [&] { return nlohmann::json::parse(ReadAll(scratch / "d" / "device.json")).value("storageBytes", -1L); };
    Captured free = Devicectl({"storage", Dir("d"), "--free", "500"});
    ASSERT_EQ(free.exitCode, 0) << free.err;
    EXPECT_EQ(size(), before + 2000) << "what the folders hold plus what is to stay free";
    EXPECT_NE(free.out.find("free 500\n"), std::string::npos) << free.out;
    EXPECT_NE(Devicectl({"storage", Dir("d"), "--size", "100", "--unlimited"}).exitCode, 0) << "one choice at a time";
    EXPECT_EQ(size(), before + 2000);
    ASSERT_EQ(Devicectl({"storage", Dir("d"), "--unlimited"}).exitCode, 0);
    EXPECT_EQ(size(), 0);
    EXPECT_NE(Devicectl({"storage", Dir("d")}).out.find("size unlimited"), std::string::npos);
}
