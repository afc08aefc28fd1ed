#include <fstream>

#include <gtest/gtest.h>

#include "support/ProgramRun.h"

#include "TempRoot.h"
#include "base/Text.h"
#include "platform/files/File.h"
#include "platform/files/Files.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

// Everything below `dir`, to prove that nothing appeared outside the root.
std::vector<fs::path> Listing(const fs::path& dir) {
    std::vector<fs::path> out;
    for (auto& e : fs::recursive_directory_iterator(dir)) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(DevicePathTest, HostilePathsNeverLeaveTheRoot) {
    fs::path outer = fs::temp_directory_path() / ("tobrix-outer-" + std::to_string(::getpid()));
    fs::remove_all(outer);
    fs::create_directories(outer / "device");
    {
        DeviceRoot root(outer / "device");
        SetCurrentDevice(root);
        auto before = Listing(outer);
        for (std::u16string hostile : {u"\\..\\escaped.txt", u"..\\escaped.txt", u"\\Windows\\..\\..\\escaped.txt",
                                       u"C:\\escaped.txt", u"\\Windows\\a/../../escaped.txt", u"\\.\\escaped.txt",
                                       u"\\Windows\\bad\x01name", u"\\tab\tname\\x", u"\\del\x7f"}) {
            EXPECT_FALSE(root.HostPath(hostile)) << U8(hostile);
            EXPECT_FALSE(WriteFile(hostile, "x")) << U8(hostile);
            EXPECT_FALSE(CreateFolders(hostile)) << U8(hostile);
            EXPECT_FALSE(MoveFile(u"\\", hostile));
        }
        EXPECT_EQ(Listing(outer), before);
        EXPECT_FALSE(DeleteTree(u"\\")) << "the device's root folder is never deleted";
        EXPECT_FALSE(DeleteTree(u"\\\\"));
        EXPECT_TRUE(fs::exists(outer / "device"));
        ClearCurrentDevice();
    }
    fs::remove_all(outer);
}

// Links planted in the device's folders on the host: one that leads outside
// the root is never passed through, not even to delete what lies behind it;
// one that stays inside is an ordinary folder, and a tree holding a link is
// deleted without following it.
TEST(DevicePathTest, LinksLeadingOutsideTheRootAreRefused) {
    TempRoot root;
    const fs::path outside = root.path.string() + "-host";
    fs::create_directories(outside / "cabs");
    std::ofstream(outside / "cabs" / "kept.cab") << "host file";
    fs::create_directories(root.path / "Program Files" / "Tobrix" / "cabs");
    fs::create_directory_symlink(outside, root.path / "Program Files" / "Evil");
    fs::create_directory_symlink(outside, root.path / "Program Files" / "Tobrix" / "cabs" / "out");
    fs::create_symlink("/dev/full", root.path / "full");
    fs::create_directory_symlink(root.path / "Program Files", root.path / "Shortcut");

    EXPECT_FALSE(CurrentDevice().HostPath(u"\\Program Files\\Evil\\cabs"));
    EXPECT_FALSE(CurrentDevice().HostPath(u"\\Program Files\\evil"));
    EXPECT_FALSE(DeleteTree(u"\\Program Files\\Evil\\cabs"));
    EXPECT_FALSE(WriteFile(u"\\Program Files\\Evil\\new.txt", "x"));
    EXPECT_FALSE(File::Open(u"\\full", File::Mode::Write));
    EXPECT_TRUE(WriteFile(u"\\Shortcut\\inside.txt", "x")) << "a link that stays inside is a folder";
    EXPECT_TRUE(fs::exists(root.path / "Program Files" / "inside.txt"));

    EXPECT_TRUE(DeleteTree(u"\\Program Files\\Tobrix\\cabs"));
    EXPECT_FALSE(fs::exists(root.path / "Program Files" / "Tobrix" / "cabs"));
    EXPECT_EQ(ReadAll(outside / "cabs" / "kept.cab"), "host file");
    fs::remove_all(outside);
}

TEST(DevicePathTest, PartsMatchExistingEntriesIgnoringCase) {
    TempRoot root;
    fs::create_directories(root.path / "Program Files" / "Tobrix");
    auto host = CurrentDevice().HostPath(u"\\PROGRAM FILES\\tobrix\\\\Settings.dat\\");
    ASSERT_TRUE(host);
    EXPECT_EQ(*host, root.path / "Program Files" / "Tobrix" / "Settings.dat");
    EXPECT_EQ(CurrentDevice().DevicePath(*host), u"\\Program Files\\Tobrix\\Settings.dat");
    EXPECT_FALSE(CurrentDevice().DevicePath(root.path.parent_path()));
}

TEST(FilesTest, WriteReadSizeAndKinds) {
    TempRoot root;
    EXPECT_FALSE(WriteFile(u"\\Missing\\x.bin", "x")) << "the folder does not exist";
    ASSERT_TRUE(CreateFolder(u"\\Program Files"));
    std::string bytes("a\0b\r\n\xff", 6);
    ASSERT_TRUE(WriteFile(u"\\Program Files\\x.bin", bytes));
    std::string back;
    ASSERT_TRUE(ReadFile(u"\\program files\\X.BIN", back));
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(FileSize(u"\\Program Files\\x.bin"), 6u);
    EXPECT_FALSE(FileSize(u"\\Program Files"));
    EXPECT_FALSE(FileSize(u"\\nothing"));
    EXPECT_TRUE(IsFile(u"\\Program Files\\x.bin"));
    EXPECT_FALSE(IsFolder(u"\\Program Files\\x.bin"));
    EXPECT_TRUE(IsFolder(u"\\Program Files"));
    EXPECT_FALSE(ReadFile(u"\\Program Files", back)) << "a folder is not a file";
    EXPECT_FALSE(ReadFile(u"\\nothing", back));
    EXPECT_EQ(back, bytes) << "a failed read leaves the buffer alone";
}

TEST(FilesTest, MoveNeverOverwrites) {
    TempRoot root;
    ASSERT_TRUE(CreateFolders(u"\\Storage Card\\Tobrix CABs"));
    ASSERT_TRUE(WriteFile(u"\\new.cab", "new"));
    ASSERT_TRUE(WriteFile(u"\\Storage Card\\Tobrix CABs\\new.cab", "old"));

    EXPECT_FALSE(MoveFile(u"\\new.cab", u"\\Storage Card\\Tobrix CABs\\new.cab"));
    EXPECT_EQ(ReadAll(root.path / "new.cab"), "new");
    EXPECT_EQ(ReadAll(root.path / "Storage Card" / "Tobrix CABs" / "new.cab"), "old");

    EXPECT_TRUE(MoveFile(u"\\new.cab", u"\\Storage Card\\Tobrix CABs\\newer.cab"));
    EXPECT_EQ(ReadAll(root.path / "Storage Card" / "Tobrix CABs" / "newer.cab"), "new");
    EXPECT_FALSE(MoveFile(u"\\new.cab", u"\\again.cab")) << "the source is gone";
}

TEST(FilesTest, FoldersCreateListAndDeleteRecursively) {
    TempRoot root;
    EXPECT_FALSE(CreateFolder(u"\\a\\b")) << "the parent is missing";
    ASSERT_TRUE(CreateFolders(u"\\a\\b\\c"));
    EXPECT_TRUE(CreateFolder(u"\\a\\b")) << "an existing folder is fine";
    ASSERT_TRUE(WriteFile(u"\\a\\file", "12345"));
    EXPECT_FALSE(CreateFolder(u"\\a\\file")) << "a file is in the way";
    ASSERT_TRUE(WriteFile(u"\\a\\B\\c\\deep.txt", "x"));
    ASSERT_TRUE(WriteFile(u"\\a\\Zed", ""));

    std::vector<FileEntry> entries;
    ASSERT_TRUE(ListFolder(u"\\A", entries));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, u"b");
    EXPECT_TRUE(entries[0].folder);
    EXPECT_EQ(entries[1].name, u"file");
    EXPECT_EQ(entries[1].size, 5u);
    EXPECT_EQ(entries[2].name, u"Zed");
    EXPECT_FALSE(ListFolder(u"\\a\\file", entries));
    EXPECT_FALSE(ListFolder(u"\\none", entries));

    EXPECT_FALSE(DeleteFile(u"\\a\\b")) << "a folder is not deleted as a file";
    EXPECT_TRUE(DeleteFile(u"\\a\\file"));
    EXPECT_FALSE(DeleteFile(u"\\a\\file"));
    EXPECT_TRUE(DeleteTree(u"\\a"));
    EXPECT_FALSE(Exists(u"\\a"));
    EXPECT_FALSE(DeleteTree(u"\\a")) << "nothing left to delete";
}

TEST(FilesTest, FileInPiecesAndFullDisk) {
    TempRoot root;
    {
        auto f = File::Open(u"\\download.part", File::Mode::Write);
        ASSERT_TRUE(f);
        std::string piece(2048, 'p');
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(f->Write(piece));
        EXPECT_EQ(f->Size(), 6144u);
        EXPECT_TRUE(f->Sync());
        EXPECT_TRUE(f->Close());
        EXPECT_FALSE(f->Write("x", 1)) << "closed";
    }
    auto a = File::Open(u"\\download.part", File::Mode::Append);
    ASSERT_TRUE(a && a->Write("tail"));
    a->Close();
    auto r = File::Open(u"\\DOWNLOAD.PART", File::Mode::Read);
    ASSERT_TRUE(r);
    char buf[8192];
    size_t got = 0, total = 0;
    while (r->Read(buf, sizeof buf, got) && got > 0) total += got;
    EXPECT_EQ(total, 6148u);

    EXPECT_FALSE(File::Open(u"\\missing", File::Mode::Read));
    ASSERT_TRUE(CreateFolder(u"\\dir"));
    EXPECT_FALSE(File::Open(u"\\dir", File::Mode::Read));

    auto full = File::OpenHost("/dev/full", File::Mode::Write);
    ASSERT_TRUE(full);
    EXPECT_FALSE(full->Write(std::string(4096, 'x'))) << "a full disk is a failure, not a short success";
}

TEST(FilesTest, StorageCardsAreTheListedFoldersThatExist) {
    DeviceInfo info;
    info.storageCards = {"Storage Card", "", "..", "Missing Card", "SD\\Card", "Card2"};
    TempRoot root(info);
    EXPECT_EQ(FirstStorageCard(), u"");
    for (auto name : {"Storage Card", "Missing Card2", "Card2", "SD"}) fs::create_directories(root.path / name);
    EXPECT_EQ(StorageCards(), (std::vector<std::u16string>{u"\\Storage Card", u"\\Card2"}));
    EXPECT_EQ(FirstStorageCard(), u"\\Storage Card");

    ClearCurrentDevice();
    EXPECT_TRUE(StorageCards().empty());
    EXPECT_FALSE(Exists(u"\\Storage Card")) << "no device, no files";
}
