#include <cerrno>
#include <fstream>

#include <gtest/gtest.h>

#include "TempRoot.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/File.h"
#include "platform/files/Files.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

// A device whose own storage holds 10000 bytes, with a card beside it.
class StorageLimit : public ::testing::Test {
protected:
    static DeviceInfo Info() {
        DeviceInfo info;
        info.storageBytes = 10000;
        info.storageCards = {"Storage Card"};
        return info;
    }
    void SetUp() override {
        for (const char* dir : {"Program Files/App", "Storage Card", "Windows"})
            fs::create_directories(root.path / dir);
        Put("Windows/system.dll", 4000);
    }
    void Put(const std::string& rel, size_t bytes) const {
        std::ofstream(root.path / rel, std::ios::binary) << std::string(bytes, 's');
    }
    fs::path Host(const std::string& rel) const { return root.path / rel; }

    TempRoot root{Info()};
};

}  // namespace

TEST_F(StorageLimit, FreeSpaceCountsTheDevicesFoldersOnly) {
    // The root's own files (the emulator's bookkeeping) and the card do not
    // take room of the device's storage.
    Put("launch.log", 50000);
    Put("Storage Card/movie.bin", 50000);
    EXPECT_EQ(StorageUsed(), 4000u);
    EXPECT_EQ(FreeSpace(u"\\Program Files\\App\\new.txt"), 6000u);
    EXPECT_GT(FreeSpace(u"\\Storage Card\\x").value_or(0), 6000u) << "a card is a medium of its own";
    EXPECT_FALSE(FreeSpace(u"\\..\\outside"));
    Put("Windows/system.dll", 12000);  // more than the storage holds, put there behind its back
    EXPECT_EQ(FreeSpace(u"\\Windows"), 0u);
}

TEST_F(StorageLimit, EveryWayOfWritingStopsAtTheLimitAndKeepsNoHalfFile) {
    // Piece by piece, as a download arrives: the piece that does not fit is
    // refused whole and the file keeps what fitted.
    auto file = File::Open(u"\\Program Files\\App\\package.cab", File::Mode::Write);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->Write(std::string(5000, 'p')));
    errno = 0;
    EXPECT_FALSE(file->Write(std::string(2000, 'p')));
    EXPECT_EQ(errno, ENOSPC);
    file->Close();
    EXPECT_EQ(fs::file_size(Host("Program Files/App/package.cab")), 5000u);
    ASSERT_TRUE(DeleteFile(u"\\Program Files\\App\\package.cab"));

    // A whole file, a copy and a safe replacement.
    EXPECT_FALSE(WriteFile(u"\\Program Files\\App\\big.txt", std::string(6001, 'b')));
    EXPECT_TRUE(WriteFile(u"\\Program Files\\App\\fits.txt", std::string(3000, 'f')));
    Put("Storage Card/source.bin", 3001);
    std::string error;
    EXPECT_FALSE(CopyHostFile(Host("Storage Card/source.bin"), Host("Program Files/App/copy.bin"), &error));
    EXPECT_NE(error.find("space"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(Host("Program Files/App/copy.bin"))) << "a copy cut short is removed";
    // The old file stays until the new one is complete, so both must fit.
    EXPECT_FALSE(ReplaceFile(u"\\Program Files\\App\\fits.txt", std::string(3001, 'n')));
    EXPECT_EQ(fs::file_size(Host("Program Files/App/fits.txt")), 3000u);
    EXPECT_TRUE(ReplaceFile(u"\\Program Files\\App\\fits.txt", std::string(2999, 'n')));
    EXPECT_EQ(fs::file_size(Host("Program Files/App/fits.txt")), 2999u);

    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Host("Program Files/App"))) names.push_back(e.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"fits.txt"}) << "no temporary or partial file is left";

    // Brought in from the card a file needs room; moved within the storage, none.
    Put("Storage Card/album.bin", 3002);
    EXPECT_FALSE(MoveFile(u"\\Storage Card\\album.bin", u"\\Program Files\\App\\album.bin"));
    EXPECT_TRUE(fs::exists(Host("Storage Card/album.bin")));
    EXPECT_TRUE(MoveFile(u"\\Program Files\\App\\fits.txt", u"\\Windows\\fits.txt"));
    EXPECT_TRUE(MoveFile(u"\\Windows\\fits.txt", u"\\Storage Card\\fits.txt"));
    EXPECT_TRUE(MoveFile(u"\\Storage Card\\album.bin", u"\\Program Files\\App\\album.bin"))
        << "the room the other file left";

    // Beside the full storage, the card and the emulator's own files take
    // whatever the host disk has.
    EXPECT_TRUE(WriteFile(u"\\Storage Card\\big.bin", std::string(20000, 'c')));
    EXPECT_TRUE(ReplaceHostFile(root.path / "device.json", std::string(20000, ' ')));
}

TEST_F(StorageLimit, TheSizeIsReadFromAndWrittenToTheDescription) {
    ASSERT_TRUE(CurrentDevice().Save());
    auto again = DeviceRoot::Open(root.path);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Info().storageBytes, 10000u);
    std::ofstream(root.path / "device.json") << R"({"storageBytes": -5})";
    EXPECT_EQ(DeviceRoot::Open(root.path)->Info().storageBytes, 0u) << "a negative size means no limit";
}
