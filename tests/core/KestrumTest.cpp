#include <gtest/gtest.h>

#include "../support/TempDir.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "platform/device/DeviceRoot.h"

namespace {

// Every test runs against the same kind of device: a VGA phone. The store
// object is built on first use, so this must be in place before it.
class KestrumTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::DeviceInfo info;
        info.screenWidth = 480;
        info.screenHeight = 640;
        std::filesystem::create_directories(device / "Windows");
        device.Write("Windows/phone.dll", "marker");
        platform::SetCurrentDevice(platform::DeviceRoot(device.Path(), info));
        Localization::Instance().Clear();
        ASSERT_TRUE(Localization::Instance().Load(TOBRIX_SOURCE_DIR "/data/localization.xml", u"0409"));
        k.Reset();
    }
    void TearDown() override {
        k.Reset();
        Localization::Instance().Clear();
        platform::ClearCurrentDevice();
    }

    SettingsRecord Stored() {
        SettingsRecord r;
        r.language = u"ru";
        r.profile.osver = u"wm6sp";
        r.profile.width = 176;
        r.profile.keypad = r.profile.gps = true;
        r.login = u"anna";
        r.password = u"s3cret";
        r.sortOrder = u"rates";
        r.priceFilter = u"paid";
        r.keepPackagesOnCard = 1;
        return r;
    }

    TempDir device;
    TempDir files;
    Kestrum& k = Kestrum::Instance();
};

TEST_F(KestrumTest, LoadingTakesEveryStoredValue) {
    ASSERT_TRUE(Stored().WriteFile(files / "settings.dat"));
    k.LoadSettings(files / "settings.dat");
    EXPECT_EQ(k.settingsMissing, 0);
    EXPECT_EQ(std::tie(k.savedLogin, k.sessionLogin, k.savedPassword, k.sessionPassword),
              std::make_tuple(u"anna", u"anna", u"s3cret", u"s3cret"));
    EXPECT_EQ(Localization::Instance().CurrentLanguage(), u"ru");
    EXPECT_EQ(k.currentProfile, Stored().profile);
    EXPECT_EQ(k.detectedProfile.width, 480) << "the detected profile is never overwritten";
    EXPECT_EQ(k.GetSortOrder(), u"rates");
    EXPECT_EQ(k.GetPriceFilter(), u"paid");
    EXPECT_EQ(k.keepPackagesOnCard, 1);
    // The stored language applies to everything built afterwards.
    EXPECT_EQ(k.AllCategories().name, U16("Все категории"));

    // A language this build does not know keeps the one in use, and the rest.
    SettingsRecord unknown = Stored();
    unknown.language = u"klingon";
    unknown.login = u"boris";
    ASSERT_TRUE(unknown.WriteFile(files / "settings.dat"));
    k.LoadSettings(files / "settings.dat");
    EXPECT_EQ(Localization::Instance().CurrentLanguage(), u"ru");
    EXPECT_EQ(k.savedLogin, u"boris");
}

// A broken file is a first run on the detected device; saving then stores
// only what the user agreed to have remembered, and repairs the file.
TEST_F(KestrumTest, ABrokenFileIsAFirstRunAndTheNextSaveStoresOnlyRememberedCredentials) {
    EXPECT_TRUE(k.detectedProfile.phone);
    const auto bytes = Stored().Encode();
    const auto file = files.Write("settings.dat", std::vector<uint8_t>(bytes.begin(), bytes.end() - 1));
    k.LoadSettings(file);
    EXPECT_EQ(k.settingsMissing, 1);
    EXPECT_TRUE(k.savedLogin.empty());
    EXPECT_TRUE(k.sessionPassword.empty());
    EXPECT_EQ(k.sortOrder, u"downloads");
    EXPECT_EQ(k.keepPackagesOnCard, 0);
    EXPECT_EQ(k.currentProfile, k.detectedProfile);
    EXPECT_EQ(Localization::Instance().CurrentLanguage(), u"en");

    k.savedLogin = u"anna";
    k.savedPassword = u"remembered";
    k.sessionLogin = u"bob";  // signed in without agreeing to be remembered
    k.sessionPassword = u"not-remembered";
    k.currentProfile.cam = true;
    k.SetSortOrder(u"views");
    k.SetPriceFilter(u"free");
    k.keepPackagesOnCard = 1;
    ASSERT_TRUE(Localization::Instance().SetCurrentLanguage(u"ru"));
    ASSERT_TRUE(k.SaveSettings(file));
    auto r = SettingsRecord::ReadFile(file);
    ASSERT_TRUE(r);
    EXPECT_EQ(std::tie(r->login, r->password, r->language, r->sortOrder, r->priceFilter),
              std::make_tuple(u"anna", u"remembered", u"ru", u"views", u"free"));
    EXPECT_EQ(r->profile, k.currentProfile);
    EXPECT_EQ(r->keepPackagesOnCard, 1);
}

}  // namespace
