#pragma once
#include <array>
#include <iterator>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/ScopedSubscription.h"
#include "device/DeviceProfile.h"
#include "ui/scenes/Scene.h"
#include "ui/widgets/WidgetTypes.h"
#include "ui/widgets/Switch.h"

// The interface language, the storage-card option and the description of the
// device that the catalog is told (edition, screen and features). List
// choices and automatic detection change the store's current profile at
// once; the switches are written back whenever this screen stops being the
// top one. Closing it after a change of profile or language makes the main
// menu send the configuration again.
//
// On the store's first start it comes straight after sign-in, with the
// sign-in screen as the way back and the main menu on the right soft key.
class SettingsScene : public Scene {
public:
    using MainMenuFactory = std::function<shared_ptr<Scene>()>;

    // The switch rows, top to bottom.
    enum class Toggle : int { Card, Keypad, Cam3g, Phone, Irda, Bt, Wifi, Gl, Cam, Accel, Gps, Count };
    static constexpr int kToggles = static_cast<int>(Toggle::Count);

    SettingsScene(SceneHost* host, bool firstStart, MainMenuFactory mainMenu = {});

    void Build(const shared_ptr<GObject>& root) override;
    void UpdateMenuBar(const shared_ptr<GObject>& root) override;
    void OnRightSoftKey() override;
    void OnCovered() override { WriteBack(); }
    void OnHide(const shared_ptr<GObject>& root) override;

    // The choices of the three list screens and the detection row.
    void SetLanguage(const std::u16string& name);
    void SetEdition(int index);
    void SetScreen(int index);
    void DetectAutomatically();

    // The languages a person can pick, in the order of the choice list.
    static std::vector<std::u16string> LanguageNames();

    bool FirstStart() const { return firstStart; }
    const DeviceProfile& ProfileAtOpen() const { return profileAtOpen; }
    Switch& SwitchFor(Toggle toggle) const { return *switches[static_cast<size_t>(toggle)]; }
    // The values shown on the language, edition and screen rows.
    std::u16string LanguageValue() const;
    std::u16string EditionValue() const;
    std::u16string ScreenValue() const;

private:
    enum class Row : int32_t { Language, Detect, Edition, Screen };

    void AddChoiceRow(GObject& list, Row row, int32_t label, const char16_t* icon,
                      shared_ptr<widgets::Label>* value);
    void RefreshValues(bool all);
    void WriteBack();
    void OnRowTouched(shared_ptr<GObject>& row, const Touch& touch);

    DeviceProfile profileAtOpen;
    std::u16string languageAtOpen;
    shared_ptr<widgets::Label> languageValue, osValue, screenValue;
    std::array<shared_ptr<Switch>, kToggles> switches;
    bool firstStart;
    MainMenuFactory mainMenu;
    std::vector<ScopedSubscription> rowTaps;
};
