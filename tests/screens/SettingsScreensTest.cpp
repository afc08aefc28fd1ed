// The settings screens in the real shell against catalogd: what the switches
// and lists change in the store, and when the main menu tells the catalog.
#include "support/Profiles.h"
#include "StoreScreensFixture.h"
#include "screens/ChooseOsScene.h"
#include "screens/ChooseScreenScene.h"
#include "screens/SettingsScene.h"
#include "ui/app/ILabelText.h"
#include "ui/widgets/Switch.h"

namespace {

using Toggle = SettingsScene::Toggle;

class SettingsTest : public StoreScreensFixture {
protected:
    SettingsScene* OpenSettings() {
        Tap(5005);
        SettingsScene* settings = Top<SettingsScene>();
        EXPECT_TRUE(settings);
        return settings;
    }
    bool IsOn(SettingsScene* s, Toggle t) {
        std::lock_guard ui(net::UILock());
        return s->SwitchFor(t).IsOn();
    }
    // Back to the main menu, which then sends what is pending.
    void Close() {
        store->SoftKey(true);
        ASSERT_EQ(Top<MainMenuScene>(), menu);
    }
};

// A switch toggled and back, and the storage-card switch (no part of what
// the catalog is told), send nothing; the card setting reaches the store.
TEST_P(SettingsTest, SwitchesTheCatalogNeedNotHearOfSendNothing) {
    SettingsScene* settings = OpenSettings();
    ASSERT_TRUE(settings);
    {
        // Even 176 pixels wide, where the switch and icon leave a caption
        // about 44 pixels, a one-word caption is drawn whole.
        std::lock_guard ui(net::UILock());
        GObject* camera = FindAnyLabel(*store->App().GetUiRoot(), Str(3010));
        auto* text = dynamic_cast<ILabelText*>(camera);
        ASSERT_TRUE(text);
        EXPECT_FALSE(text->IsTextCut());
    }
    const int before = Configs();
    const bool phone = IsOn(settings, Toggle::Phone);
    Tap(3004);
    EXPECT_NE(IsOn(settings, Toggle::Phone), phone);
    Tap(3004);
    ASSERT_EQ(Kestrum::Instance().keepPackagesOnCard, 0);
    Tap(3020);
    EXPECT_TRUE(IsOn(settings, Toggle::Card));
    Close();
    EXPECT_EQ(Configs(), before);
    EXPECT_EQ(Kestrum::Instance().configPending, 0);
    EXPECT_EQ(Kestrum::Instance().currentProfile, Kestrum::Instance().detectedProfile);
    EXPECT_EQ(Kestrum::Instance().keepPackagesOnCard, 1);
}

// Another edition and another language (which rebuilds every screen) are
// sent together, once, by the main menu.
TEST_P(SettingsTest, AnotherEditionAndLanguageAreSentOnceByTheMainMenu) {
    ASSERT_TRUE(OpenSettings());
    // The same edition again changes nothing.
    Tap(EditionName(Kestrum::Instance().currentProfile.osver));
    ASSERT_TRUE(Top<ChooseOsScene>());
    Tap(EditionName(Kestrum::Instance().currentProfile.osver));
    ASSERT_TRUE(Top<SettingsScene>());
    const auto& editions = EditionTable();
    const EditionRow& other = editions[0].code == Kestrum::Instance().currentProfile.osver ? editions[1] : editions[0];
    Tap(EditionName(Kestrum::Instance().currentProfile.osver));
    Tap(other.name);
    EXPECT_TRUE(ShowsText(other.name));
    Tap(u"English");
    Tap(u"\u0420\u0443\u0441\u0441\u043a\u0438\u0439");
    ASSERT_TRUE(Top<SettingsScene>());
    EXPECT_TRUE(ShowsText(u"\u041d\u0430\u0441\u0442\u0440\u043e\u0439\u043a\u0438"));  // "Settings"
    const int before = Configs();
    Close();
    ASSERT_EQ(Configs(), before + 1);
    EXPECT_EQ(Str(5000), u"\u0413\u043b\u0430\u0432\u043d\u043e\u0435 \u043c\u0435\u043d\u044e");  // "Main menu"
    EXPECT_TRUE(ShowsText(Str(5000)));
    EXPECT_NE(menu->ConfigJob()->url.find(u"osver=" + other.code), std::u16string::npos);
    EXPECT_NE(menu->ConfigJob()->url.find(u"locale=ru"), std::u16string::npos);
    EXPECT_EQ(Kestrum::Instance().configPending, 0);
    EXPECT_FALSE(store->PopupOpen());
    // Once: the menu on top again asks nothing more.
    Tap(5001);
    store->SoftKey(true);
    EXPECT_EQ(Configs(), before + 1);
}

TEST_P(SettingsTest, DetectionRestoresTheProbesButKeepsKeypadAndVideoCamera) {
    SettingsScene* settings = OpenSettings();
    ASSERT_TRUE(settings);
    const DeviceProfile detected = Kestrum::Instance().detectedProfile;
    ASSERT_TRUE(detected.keypad);
    ASSERT_FALSE(detected.cam3g);
    Tap(3004);  // phone
    Tap(3014);  // keypad off
    Tap(3011);  // video-call camera on
    Tap(ScreenName(detected.width, detected.height));
    ASSERT_TRUE(Top<ChooseScreenScene>());
    Tap(u"Square(240x240)");
    ASSERT_EQ(Top<SettingsScene>(), settings);
    // Opening the list stored the switches already.
    EXPECT_NE(Kestrum::Instance().currentProfile.phone, detected.phone);
    EXPECT_FALSE(Kestrum::Instance().currentProfile.keypad);
    EXPECT_TRUE(ShowsText(u"Square(240x240)"));

    Tap(3001);
    EXPECT_TRUE(ShowsText(ScreenName(detected.width, detected.height)));
    EXPECT_EQ(IsOn(settings, Toggle::Phone), detected.phone);
    EXPECT_FALSE(IsOn(settings, Toggle::Keypad));
    EXPECT_TRUE(IsOn(settings, Toggle::Cam3g));
    Close();
    DeviceProfile expected = detected;
    expected.keypad = false;
    expected.cam3g = true;
    EXPECT_EQ(Kestrum::Instance().currentProfile, expected);
    ASSERT_TRUE(menu->ConfigJob());
    EXPECT_NE(menu->ConfigJob()->url.find(u"cam3g=1"), std::u16string::npos);
}

INSTANTIATE_TEST_SUITE_P(Profiles, SettingsTest, ::testing::ValuesIn(kProfiles), ProfileName);

}  // namespace
