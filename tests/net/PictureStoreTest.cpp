// The pictures the store keeps on the device, against catalogd: served once
// across restarts of the tobrix program, a damaged one replaced, and the
// folder kept within its limit and the device's storage.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "support/StoreFixture.h"
#include "support/StoreProgramFixture.h"
#include "base/Text.h"
#include "net/InetManager.h"
#include "net/PictureStore.h"
#include "platform/files/Files.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::u16string kFolder = u"\\Program Files\\Tobrix\\pictures";

// The store's logic in this process: each Reopen is what a start of the
// store does with the folder.
class PictureStoreTest : public CatalogStoreFixture {
protected:
    void SetUp() override {
        CatalogStoreFixture::SetUp();
        if (!HasFatalFailure()) Reopen();
    }
    void TearDown() override {
        net::PictureStore::Instance().Close();
        CatalogStoreFixture::TearDown();
    }

    void Reopen(uint64_t limit = net::PictureStore::kDefaultLimit) {
        net::PictureStore::Instance().Open(kFolder, limit);
    }
    static std::string Url(const std::string& file) { return U8(catalog->BaseUrl()) + "files/" + file; }
    static std::string Served(const std::string& file) { return ReadAll(catalog->Assets() / file); }
    static int Asked(const std::string& file) { return catalog->Requests("file /files/" + file); }
    fs::path EntryOf(const std::string& file) { return Host(net::PictureStore::Instance().FileOf(Url(file))); }

    struct Got {
        bool ok = false;
        bool fromStore = false;
        std::string bytes;
    };
    Got Fetch(const std::string& file) {
        Got got;
        {
            std::lock_guard ui(services.UILock());
            shared_ptr<HttpRequest> job = InetManager::Instance().AddPicture(U16(Url(file)), false);
            SubscribeFn(job->Complete, [&got](HttpRequest* r, bool ok) {
                got = {ok, r->FromStore(), r->Data() ? std::string(r->Data(), r->Size()) : ""};
            });
        }
        EXPECT_TRUE(WaitIdle());
        return got;
    }
};

TEST_F(PictureStoreTest, ADamagedPictureIsFetchedAgainNeverShown) {
    const std::string icon = "icons/4.png", served = Served(icon);
    const struct {
        const char* what;
        std::function<void(std::string&)> damage;
    } cases[] = {
        {"a byte of the picture changed", [](std::string& f) { f.back() ^= 0x55; }},
        {"cut short", [](std::string& f) { f.resize(f.size() - 100); }},
        {"no header", [](std::string& f) { f.erase(0, f.find('\n') + 1); }},
        {"another address's", [](std::string& f) { f.replace(f.find("icons/4"), 7, "icons/5"); }},
        {"empty", [](std::string& f) { f.clear(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Fetch(icon).ok);
        std::string entry = ReadAll(EntryOf(icon));
        c.damage(entry);
        std::ofstream(EntryOf(icon), std::ios::binary | std::ios::trunc) << entry;
        Reopen();
        const int asked = Asked(icon);
        const Got got = Fetch(icon);
        EXPECT_TRUE(got.ok);
        EXPECT_FALSE(got.fromStore);
        EXPECT_EQ(got.bytes, served);
        EXPECT_EQ(Asked(icon), asked + 1);
        EXPECT_TRUE(Fetch(icon).fromStore) << "the picture fetched again is kept";
    }
}

TEST_F(PictureStoreTest, AFolderThatCannotBeUsedKeepsNothingAndStopsNothing) {
    WriteFile(kFolder, "a file where the folder should be");
    Reopen();
    for (int i = 0; i < 2; ++i) {
        const Got got = Fetch("icons/4.png");
        EXPECT_TRUE(got.ok);
        EXPECT_FALSE(got.fromStore);
        EXPECT_EQ(got.bytes, Served("icons/4.png"));
    }
}

TEST_F(PictureStoreTest, TheLeastRecentlyUsedGoWhenTheFolderOrTheDeviceIsFull) {
    net::PictureStore& store = net::PictureStore::Instance();
    for (const char* icon : {"icons/1.png", "icons/2.png", "icons/3.png"}) ASSERT_TRUE(Fetch(icon).ok);
    const uint64_t three = store.Bytes();
    // A start with room for just those three: the first is used again, so
    // the second is the one to go for a fourth.
    Reopen(three);
    EXPECT_EQ(store.Count(), 3u);
    EXPECT_TRUE(Fetch("icons/1.png").fromStore);
    ASSERT_TRUE(Fetch("icons/4.png").ok);
    EXPECT_LE(store.Bytes(), three);
    EXPECT_TRUE(fs::exists(EntryOf("icons/1.png")));
    EXPECT_FALSE(fs::exists(EntryOf("icons/2.png")));
    EXPECT_TRUE(fs::exists(EntryOf("icons/4.png")));
    std::vector<platform::FileEntry> files;
    ASSERT_TRUE(platform::ListFolder(kFolder, files));
    EXPECT_EQ(files.size(), store.Count());

    // On a nearly full device the pictures take no more than a quarter of
    // what they and the free storage come to.
    platform::MutableCurrentDevice().MutableInfo().storageBytes = platform::StorageUsed() + 2 * three;
    Reopen();
    for (const char* icon : {"icons/5.png", "icons/6.png", "icons/7.png", "icons/8.png"}) ASSERT_TRUE(Fetch(icon).ok);
    EXPECT_GT(store.Count(), 0u);
    EXPECT_LE(store.Bytes() * 4, store.Bytes() + platform::FreeSpace(kFolder).value_or(0));
}

// The tobrix program itself: what a second and a third start of the store
// cost the line.
class PictureRestartTest : public StoreProgramFixture {
protected:
    // What the line carried since the last call, as its log tells: every
    // transfer, and the pictures among them.
    std::vector<json> Transfers(std::vector<json>* pictures) {
        std::vector<json> all;
        std::ifstream log(device->Root() / "link.log");
        for (std::string line; std::getline(log, line);) {
            all.push_back(json::parse(line));
            if (line.find("/files/") != std::string::npos) pictures->push_back(all.back());
        }
        fs::remove(device->Root() / "link.log");
        return all;
    }
};

TEST_P(PictureRestartTest, APictureCrossesTheLineOnceAcrossRestarts) {
    int code = -1;
    RunCapture(DEVICECTL_PATH, {"link", device->Root().string(), "--profile", "wifi"}, &code);
    ASSERT_EQ(code, 0);
    auto browse = [this](const std::string& shot) {
        return "tap-text New\nwait-idle\nscreenshot " + ShotFile(shot) + "\n";
    };

    ASSERT_TRUE(Succeeded(Run(browse("pictures-fetched"))));
    std::vector<json> fetched, checked, kept;
    Transfers(&fetched);
    ASSERT_FALSE(fetched.empty());
    for (const json& t : fetched) EXPECT_EQ(t["status"], 200);

    // Every kept picture is checked with the catalog: none of them travels again.
    ASSERT_TRUE(Succeeded(Run(browse("pictures-checked"), {"--picture-fresh", "0"})));
    Transfers(&checked);
    EXPECT_EQ(checked.size(), fetched.size());
    for (const json& t : checked) {
        EXPECT_EQ(t["status"], 304) << t["url"];
        EXPECT_EQ(t["bodyBytes"], 0);
    }

    // Kept pictures still fresh are not even asked for, and look the same.
    ASSERT_TRUE(Succeeded(Run(browse("pictures-kept"))));
    Transfers(&kept);
    EXPECT_TRUE(kept.empty());
    const std::string first = ReadAll(ShotFile("pictures-fetched"));
    EXPECT_EQ(ReadAll(ShotFile("pictures-checked")), first);
    EXPECT_EQ(ReadAll(ShotFile("pictures-kept")), first);
}

INSTANTIATE_TEST_SUITE_P(Vga, PictureRestartTest, ::testing::Values("wm65-vga"));

}  // namespace
