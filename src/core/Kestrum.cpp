#include "core/Kestrum.h"

#include "i18n/Localization.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/Files.h"

namespace {

// Without a device there is nothing to probe (tools that only read a settings
// file); the detected profile then stays empty instead of failing.
void DetectIfPossible(DeviceProfile& profile) {
    profile = DeviceProfile{};
    if (platform::HasCurrentDevice()) Detect(profile);
}

}  // namespace

Kestrum::Kestrum() {
    DetectIfPossible(detectedProfile);
    currentProfile = detectedProfile;
    allCategory.name = Localization::Instance().Text(kAllCategoriesString);
}

void Kestrum::Reset() {
    keepPackagesOnCard = 0;
    application = nullptr;
    DetectIfPossible(detectedProfile);
    currentProfile = detectedProfile;
    previousProfile = DeviceProfile{};
    savedLogin.clear();
    savedPassword.clear();
    sessionLogin.clear();
    sessionPassword.clear();
    sortOrder = u"downloads";
    priceFilter.clear();
    tagList.clear();
    sessionId.clear();
    settingsMissing = 0;
    configPending = 1;
    allCategory.children.clear();
    allCategory.id = 0;
    allCategory.count = 0;
    allCategory.parent = nullptr;
    allCategory.name = Localization::Instance().Text(kAllCategoriesString);
    xmlCatalogMode = 0;
}

Category& Kestrum::AllCategories() {
    allCategory.name = Localization::Instance().Text(kAllCategoriesString);
    return allCategory;
}

void Kestrum::LoadSettings(const std::filesystem::path& hostPath) {
    // A save the store did not live to finish leaves its temporary file; the
    // old settings.dat is the one that counts, and the leftover goes.
    platform::SweepReplaceLeftovers(hostPath);
    std::optional<SettingsRecord> record = SettingsRecord::ReadFile(hostPath);
    if (!record) {
        settingsMissing = 1;
        return;
    }
    ApplySettingsRecord(*record);
}

void Kestrum::ApplySettingsRecord(const SettingsRecord& record) {
    savedLogin = sessionLogin = record.login;
    savedPassword = sessionPassword = record.password;
    // Only a language the localization file knows is taken; otherwise the one
    // chosen from the device's locale stays.
    Localization::Instance().SetCurrentLanguage(record.language);
    currentProfile = record.profile;
    settingsMissing = 0;
    keepPackagesOnCard = record.keepPackagesOnCard;
    sortOrder = record.sortOrder;
    priceFilter = record.priceFilter;
}

SettingsRecord Kestrum::ToSettingsRecord() const {
    SettingsRecord record;
    record.language = Localization::Instance().CurrentLanguage();
    record.profile = currentProfile;
    record.login = savedLogin;
    record.password = savedPassword;
    record.sortOrder = sortOrder;
    record.priceFilter = priceFilter;
    record.keepPackagesOnCard = keepPackagesOnCard;
    return record;
}

bool Kestrum::SaveSettings(const std::filesystem::path& hostPath) { return ToSettingsRecord().WriteFile(hostPath); }
