#include <csignal>
#include <fstream>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/ProgramRun.h"

#include "support/FileSizeLimit.h"
#include "TempRoot.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/Files.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

void HostWrite(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> out;
    for (auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(ReplaceFileTest, ReplacesWholeAndLeavesNothingBehind) {
    TempRoot root;
    const fs::path file = root.path / "settings.dat";
    std::string error;
    ASSERT_TRUE(ReplaceHostFile(file, "first", &error)) << error;
    EXPECT_EQ(ReadAll(file), "first");
    ASSERT_TRUE(ReplaceHostFile(file, "", &error)) << error;
    EXPECT_EQ(ReadAll(file), "") << "an empty content is a valid content";
    ASSERT_TRUE(ReplaceFile(u"\\SETTINGS.DAT", "third")) << "device paths go the same way";
    EXPECT_EQ(ReadAll(file), "third");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u) << "other device programs read what we replace";
    EXPECT_EQ(Names(root.path), std::vector<std::string>{"settings.dat"});
}

TEST(ReplaceFileTest, RefusalsKeepTheOldFileAndSayWhy) {
    TempRoot root;
    const fs::path file = root.path / "settings.dat";
    HostWrite(file, "old");
    fs::create_directory(root.path / "folder");
    HostWrite(root.path / "folder" / "keep", "x");

    std::string error;
    EXPECT_FALSE(ReplaceHostFile(root.path / "folder", "x", &error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(root.path / "folder" / "keep"), "x");
    error.clear();
    EXPECT_FALSE(ReplaceHostFile(root.path / "missing" / "settings.dat", "x", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ReplaceFile(u"\\", "x")) << "the device's root folder is not a file";
    EXPECT_FALSE(ReplaceFile(u"\\..\\escaped", "x"));
    EXPECT_FALSE(fs::exists(root.path.parent_path() / "escaped"));

    EXPECT_EQ(ReadAll(file), "old");
    EXPECT_EQ(Names(root.path), (std::vector<std::string>{"folder", "settings.dat"}));
}

TEST(ReplaceFileTest, AFullDiskKeepsTheOldFile) {
    TempRoot root;
    const fs::path file = root.path / "device.json";
    const std::string old(1000, 'o');
    HostWrite(file, old);
    std::string error;
    {
        FileSizeLimit limit(4096);
        EXPECT_FALSE(ReplaceHostFile(file, std::string(10000, 'n'), &error));
    }
    EXPECT_NE(error.find("device.json"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(file), old);
    EXPECT_EQ(Names(root.path), std::vector<std::string>{"device.json"}) << "the temporary file is removed";
}

// A save killed after its new content was complete but before the rename
// (the one moment a kill could tear a write that went in place): the old
// file is what a reader finds, and the temporary file is neither
// listed nor kept once somebody looks at the file again.
TEST(ReplaceFileTest, AKilledSaveLeavesTheOldFileAndItsLeftoverIsSwept) {
    TempRoot root;
    const fs::path file = root.path / "settings.dat";
    HostWrite(file, "old");
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("TOBRIX_CRASH_AT", "replace:settings.dat", 1);
        ReplaceHostFile(file, "new");
        ::_exit(0);  // the kill did not happen
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(ReadAll(file), "old");
    auto names = Names(root.path);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_TRUE(IsReplaceTemporaryName(names[0])) << names[0];
    EXPECT_EQ(ReadAll(root.path / names[0]), "new") << "complete, but never made the real file";

    std::vector<FileEntry> listed;
    ASSERT_TRUE(ListFolder(u"\\", listed));
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].name, u"settings.dat");

    // The next start (a reader sweeping) or the next save removes it.
    SweepReplaceLeftovers(file);
    EXPECT_EQ(Names(root.path), std::vector<std::string>{"settings.dat"});
    HostWrite(root.path / ".settings.dat.Ab12Cd", "left by another crash");
    ASSERT_TRUE(ReplaceHostFile(file, "newer"));
    EXPECT_EQ(Names(root.path), std::vector<std::string>{"settings.dat"});
    EXPECT_EQ(ReadAll(file), "newer");
}

// The temporary file of a save that is still running is not taken for a
// leftover, and only the leftovers of the file in question go.
TEST(ReplaceFileTest, SweepingSparesLiveWritersAndOtherFiles) {
    TempRoot root;
    const fs::path file = root.path / "settings.dat";
    const fs::path live = root.path / ".settings.dat.Live01";
    const fs::path other = root.path / ".manifest.json.Dead01";
    HostWrite(live, "being written");
    HostWrite(other, "another file's leftover");
    HostWrite(root.path / ".settings.dat.bak", "not a temporary name");
    int fd = ::open(live.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // what a writer holds until its rename
    SweepReplaceLeftovers(file);
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(root.path / ".settings.dat.bak"));
    ::close(fd);
    SweepReplaceLeftovers(file);
    EXPECT_FALSE(fs::exists(live));
    EXPECT_TRUE(fs::exists(other));
}

// A hand-edited or damaged description with numbers no field can hold keeps
// the defaults for those fields instead of wrapping them.
TEST(DeviceDescriptionTest, NumbersOutOfRangeKeepTheirDefaults) {
    TempRoot root;
    HostWrite(root.path / "device.json",
              R"({"screen": {"width": 1e300, "height": 4294967776, "dpi": 96.5, "iconSize": 48.0},
                  "os": {"major": -1e20, "build": 18446744073709551615}, "cameras": 2})");
    std::string error;
    auto device = DeviceRoot::Open(root.path, &error);
    ASSERT_TRUE(device) << error;
    const DeviceInfo defaults;
    EXPECT_EQ(device->Info().screenWidth, defaults.screenWidth);
    EXPECT_EQ(device->Info().screenHeight, defaults.screenHeight);
    EXPECT_EQ(device->Info().dpi, defaults.dpi);
    EXPECT_EQ(device->Info().osMajor, defaults.osMajor);
    EXPECT_EQ(device->Info().osBuild, defaults.osBuild);
    EXPECT_EQ(device->Info().iconSize, 48) << "a whole number written as a decimal still counts";
    EXPECT_EQ(device->Info().cameras, 2);
}
