#include "screens/SettingsScene.h"

#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "screens/ChooseLanguageScene.h"
#include "screens/ChooseOsScene.h"
#include "screens/ChooseScreenScene.h"
#include "screens/ScreenParts.h"
#include "screens/ScreenRows.h"
#include "ui/app/MenuBar.h"
#include "ui/layouts/ListLayout.h"
#include "ui/scenes/SceneHost.h"
#include "ui/widgets/Switch.h"

namespace {

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

constexpr int32_t kSignIn = 1000;
constexpr int32_t kNext = 5;

using Toggle = SettingsScene::Toggle;

struct SwitchEntry {
    Toggle toggle;
    int32_t label;
    const char16_t* icon;
    bool DeviceProfile::* flag;  // null: the storage-card option
};

constexpr SwitchEntry kGeneralSwitches[] = {
    {Toggle::Card, 3020, u"icon_settings_keypad.png", nullptr},
    {Toggle::Keypad, 3014, u"icon_settings_keypad.png", &DeviceProfile::keypad},
    {Toggle::Cam3g, 3011, u"icon_settings_cam3g.png", &DeviceProfile::cam3g},
};

constexpr SwitchEntry kDeviceSwitches[] = {
    {Toggle::Phone, 3004, u"icon_settings_phone.png", &DeviceProfile::phone},
    {Toggle::Irda, 3006, u"icon_settings_irda.png", &DeviceProfile::irda},
    {Toggle::Bt, 3007, u"icon_settings_bt.png", &DeviceProfile::bt},
    {Toggle::Wifi, 3008, u"icon_settings_wifi.png", &DeviceProfile::wifi},
    {Toggle::Gl, 3009, u"icon_settings_3d.png", &DeviceProfile::gl},
    {Toggle::Cam, 3010, u"icon_settings_camera.png", &DeviceProfile::cam},
    {Toggle::Accel, 3012, u"icon_settings_accel.png", &DeviceProfile::accel},
    {Toggle::Gps, 3013, u"icon_settings_gps.png", &DeviceProfile::gps},
};

}  // namespace

SettingsScene::SettingsScene(SceneHost* h, bool first, MainMenuFactory menu)
    : Scene(h),
      profileAtOpen(Kestrum::Instance().currentProfile),
      languageAtOpen(Localization::Instance().CurrentLanguage()),
      firstStart(first),
      mainMenu(std::move(menu)) {}

void SettingsScene::Build(const shared_ptr<GObject>& root) {
    rowTaps.clear();
    ScreenParts::AddHeader(*root, host, Str(textid::kSettings), Str(firstStart ? kSignIn : textid::kMainMenu));
    const int f = ScreenParts::FontUnit();
    shared_ptr<GObject> list = ScreenParts::AddList(*root, 4 * f);
    // The two section captions are short rows: the first row of the list and
    // the one after the general rows.
    const int deviceCaption = 2 + static_cast<int>(std::size(kGeneralSwitches));
    list->SetLayout(shared_ptr<Layout>(new ListLayout(4 * f, {0, deviceCaption})));

    // The switch is six font units wide and the icon a row high, fixed on
    // every screen: on the narrowest (176 pixels) they leave a caption about
    // 44 pixels, less than many single words of these captions. The caption
    // takes a smaller font and wraps between words, and cuts only a word
    // wider than that ("Accelerometer").
    constexpr bool kCaptionsMayCut = true;
    ScreenRows::AddSectionCaption(*list, Str(3019));
    AddChoiceRow(*list, Row::Language, 3002, u"icon_settings_lang.png", &languageValue);
    for (const SwitchEntry& e : kGeneralSwitches)
        switches[static_cast<size_t>(e.toggle)] =
            ScreenRows::AddSwitchRow(*list, Str(e.label), e.icon, kCaptionsMayCut);
    ScreenRows::AddSectionCaption(*list, Str(3018));
    auto detect = ScreenParts::AddTreeRow(*list, Str(3001), u"icon_settings_auto.png", u"");
    detect->SetUserValue(static_cast<int32_t>(Row::Detect));
    rowTaps.push_back(ScopedSubscription::To(detect->Touched(), this, &SettingsScene::OnRowTouched));
    AddChoiceRow(*list, Row::Edition, 3003, u"icon_settings_os.png", &osValue);
    AddChoiceRow(*list, Row::Screen, 3005, u"icon_settings_screen.png", &screenValue);
    for (const SwitchEntry& e : kDeviceSwitches)
        switches[static_cast<size_t>(e.toggle)] =
            ScreenRows::AddSwitchRow(*list, Str(e.label), e.icon, kCaptionsMayCut);
    RefreshValues(true);
}

void SettingsScene::AddChoiceRow(GObject& list, Row row, int32_t label, const char16_t* icon,
                                 shared_ptr<widgets::Label>* value) {
    auto item = ScreenRows::AddTwoStageRow(list, Str(label), u"", icon, true, value);
    // The icon and the chevron leave a value about 106 pixels on the
    // narrowest screen, less than the longest edition's name in the smaller
    // font it takes there.
    (*value)->AllowCut();
    item->SetUserValue(static_cast<int32_t>(row));
    rowTaps.push_back(ScopedSubscription::To(item->Touched(), this, &SettingsScene::OnRowTouched));
}

void SettingsScene::UpdateMenuBar(const shared_ptr<GObject>& root) {
    Scene::UpdateMenuBar(root);
    if (firstStart) host->GetSoftKeys().SetSoftKey(1, Str(kNext));
}

void SettingsScene::OnRightSoftKey() {
    if (firstStart && mainMenu) host->PushScene(mainMenu());
}

std::vector<std::u16string> SettingsScene::LanguageNames() {
    std::vector<std::u16string> names;
    // Entries the file only mentions in its strings have no title: they are
    // no language a person could pick.
    for (const auto& [name, language] : Localization::Instance().Languages())
        if (!language.title.empty()) names.push_back(name);
    return names;
}

std::u16string SettingsScene::LanguageValue() const {
    const auto& languages = Localization::Instance().Languages();
    const auto it = languages.find(Localization::Instance().CurrentLanguage());
    return it == languages.end() ? std::u16string() : it->second.title;
}

std::u16string SettingsScene::EditionValue() const { return EditionName(Kestrum::Instance().currentProfile.osver); }

std::u16string SettingsScene::ScreenValue() const {
    const DeviceProfile& p = Kestrum::Instance().currentProfile;
    return ScreenName(p.width, p.height);
}

void SettingsScene::RefreshValues(bool all) {
    Kestrum& store = Kestrum::Instance();
    store.previousProfile = store.currentProfile;
    if (languageValue) languageValue->SetText(LanguageValue());
    if (osValue) osValue->SetText(EditionValue());
    if (screenValue) screenValue->SetText(ScreenValue());
    if (!switches[0]) return;
    SwitchFor(Toggle::Card).SetOn(store.keepPackagesOnCard != 0);
    for (const SwitchEntry& e : kDeviceSwitches) SwitchFor(e.toggle).SetOn(store.currentProfile.*e.flag);
    // Keypad and video-call camera are no probe's result: after detection or
    // a list choice they keep what the user set on the screen.
    if (!all) return;
    SwitchFor(Toggle::Keypad).SetOn(store.currentProfile.keypad);
    SwitchFor(Toggle::Cam3g).SetOn(store.currentProfile.cam3g);
}

void SettingsScene::WriteBack() {
    if (!switches[0]) return;
    Kestrum& store = Kestrum::Instance();
    for (const SwitchEntry& e : kGeneralSwitches) {
        if (e.flag)
            store.currentProfile.*e.flag = SwitchFor(e.toggle).IsOn();
        else
            store.keepPackagesOnCard = SwitchFor(e.toggle).IsOn() ? 1 : 0;
    }
    for (const SwitchEntry& e : kDeviceSwitches) store.currentProfile.*e.flag = SwitchFor(e.toggle).IsOn();
}

void SettingsScene::OnHide(const shared_ptr<GObject>& root) {
    Scene::OnHide(root);
    WriteBack();
    Kestrum& store = Kestrum::Instance();
    if (!(store.currentProfile == profileAtOpen) || Localization::Instance().CurrentLanguage() != languageAtOpen)
        store.configPending = 1;
}

void SettingsScene::OnRowTouched(shared_ptr<GObject>& row, const Touch& touch) {
    if (touch.type != Touch::Click) return;
    shared_ptr<SettingsScene> self(this);
    switch (static_cast<Row>(row->GetUserValue())) {
    case Row::Language: host->PushScene(shared_ptr<Scene>(new ChooseLanguageScene(host, self))); break;
    case Row::Edition: host->PushScene(shared_ptr<Scene>(new ChooseOsScene(host, self))); break;
    case Row::Screen: host->PushScene(shared_ptr<Scene>(new ChooseScreenScene(host, self))); break;
    case Row::Detect: DetectAutomatically(); break;
    }
}

void SettingsScene::SetLanguage(const std::u16string& name) {
    auto& l10n = Localization::Instance();
    if (name != l10n.CurrentLanguage() && l10n.SetCurrentLanguage(name)) host->RebuildAllScenes();
    RefreshValues(false);
}

void SettingsScene::SetEdition(int index) {
    const auto& table = EditionTable();
    if (index < 0 || static_cast<size_t>(index) >= table.size()) return;
    Kestrum::Instance().currentProfile.osver = table[static_cast<size_t>(index)].code;
    RefreshValues(false);
}

void SettingsScene::SetScreen(int index) {
    const auto& table = ScreenTable();
    if (index < 0 || static_cast<size_t>(index) >= table.size()) return;
    DeviceProfile& p = Kestrum::Instance().currentProfile;
    p.width = table[static_cast<size_t>(index)].width;
    p.height = table[static_cast<size_t>(index)].height;
    RefreshValues(false);
}

void SettingsScene::DetectAutomatically() {
    Kestrum& store = Kestrum::Instance();
    store.currentProfile = store.detectedProfile;
    RefreshValues(false);
}
