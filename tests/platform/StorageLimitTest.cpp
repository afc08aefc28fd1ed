#include <cerrno>
#include <algorithm>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "TempRoot.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/File.h"
#include "platform/files/Files.h"
#include "platform/http/BodySink.h"

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
    EXPECT_EQ(DeviceRoot::Open(root.path)->Info().storageBytes, 10000u);
    std::ofstream(root.path / "device.json") << R"({"storageBytes": -5})";
    EXPECT_EQ(DeviceRoot::Open(root.path)->Info().storageBytes, 0u) << "a negative size means no limit";
}

// The one body sink of every transfer: its first piece reaches the disk at
// once, a full device is never reported as a stored body, and memory never
// grows past its limit whatever the answer announced.
TEST_F(StorageLimit, TheBodySinkStoresAFirstPieceAtOnceAndNeverPassesAFullDeviceForSuccess) {
    const std::string piece(2048, 'b');
    {
        BodySink sink;
        ASSERT_TRUE(sink.IntoFile(Host("Program Files/App/small.cab"), false));
        ASSERT_TRUE(sink.Take(piece.data(), piece.size()));
        EXPECT_EQ(fs::file_size(Host("Program Files/App/small.cab")), piece.size()) << "the first piece waits for nothing";
        EXPECT_TRUE(sink.Close());
    }
    BodySink full;
    ASSERT_TRUE(full.IntoFile(Host("Program Files/App/large.cab"), false));
    bool stored = true;
    for (int i = 0; i < 4 && stored; ++i) stored = full.Take(piece.data(), piece.size());
    stored = full.Close() && stored;
    EXPECT_FALSE(stored) << "8 KiB do not fit in the 4 KiB left";

    // Memory: (announced length, bytes sent, limit) and whether all of it is held.
    struct Case {
        int64_t announced;
        std::size_t sent, limit;
        bool held;
    };
    for (const Case& c : {Case{-1, 50000, 50000, true}, Case{-1, 50001, 50000, false}, Case{6000, 6000, 6000, true},
                          Case{6001, 0, 6000, false}, Case{100, 9000, 9000, true}, Case{0, 0, 10, true}}) {
        SCOPED_TRACE(std::to_string(c.announced) + " announced, " + std::to_string(c.sent) + " sent");
        BodySink memory;
        std::vector<double> progress;
        memory.ReportProgress(0, c.announced, [&](double p) { progress.push_back(p); });
        bool held = memory.IntoMemory(c.announced, c.limit);
        std::string sent;
        for (std::size_t at = 0; held && at < c.sent; at += piece.size()) {
            const std::size_t size = std::min(piece.size(), c.sent - at);
            const std::string bytes(size, char('a' + at / piece.size() % 26));
            held = memory.Take(bytes.data(), size);
            if (held) sent += bytes;
        }
        EXPECT_EQ(held, c.held);
        if (!c.held) continue;
        const std::vector<char> body = memory.TakeBody();
        ASSERT_GE(body.size(), memory.Received());
        EXPECT_EQ(std::string(body.data(), memory.Received()), sent);
        if (c.announced > 0 && c.sent > 0) {
            EXPECT_EQ(progress.back(), 1.0) << "more than announced still ends at 1";
        }
    }
}
