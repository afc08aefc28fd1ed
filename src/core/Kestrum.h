#pragma once
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/Singleton.h"
#include "core/AppServices.h"
#include "core/Category.h"
#include "core/SettingsRecord.h"
#include "device/DeviceProfile.h"

// Store-wide state. No lock of its own: every access holds the UI lock.
class Kestrum : public Singleton<Kestrum> {
public:
    static constexpr int kSettingsSize = 864;

    // Host path of the store's settings file, and its device path.
    static constexpr const char16_t* kSettingsDevicePath = u"\\Program Files\\Tobrix\\settings.dat";

    // String number of the all-categories record's name.
    static constexpr int32_t kAllCategoriesString = 6000;

    // Neither reports anything to the user. Loading a missing, short or
    // foreign file only sets settingsMissing. Saving replaces the file as a
    // whole or not at all; the result is for tools, the program ignores it.
    void LoadSettings(const std::filesystem::path& hostPath);
    bool SaveSettings(const std::filesystem::path& hostPath);
    // The record the store would save now, and taking one over as a load does.
    SettingsRecord ToSettingsRecord() const;
    void ApplySettingsRecord(const SettingsRecord& record);

    std::u16string GetSessionId() const { return sessionId; }
    void SetSessionId(std::u16string id) { sessionId = std::move(id); }
    std::u16string GetSortOrder() const { return sortOrder; }
    void SetSortOrder(std::u16string v) { sortOrder = std::move(v); }
    std::u16string GetPriceFilter() const { return priceFilter; }
    void SetPriceFilter(std::u16string v) { priceFilter = std::move(v); }
    void ResetProfile() { currentProfile = detectedProfile; }
    // Renames the all-categories record in the current language and returns it.
    Category& AllCategories();
    void SetApplication(AppServices* app) { application = app; }
    AppServices* GetApplication() const { return application; }

    // Back to the state of a fresh start (tests and tools reuse the instance).
    void Reset();

    uint8_t keepPackagesOnCard = 0;
    // Read by request workers while the UI thread may clear it at the end.
    std::atomic<AppServices*> application{nullptr};
    DeviceProfile detectedProfile;
    DeviceProfile currentProfile;
    DeviceProfile previousProfile;
    std::u16string savedLogin, savedPassword;
    std::u16string sessionLogin, sessionPassword;
    std::u16string sortOrder = u"downloads";
    std::u16string priceFilter;
    std::vector<std::pair<std::u16string, int32_t>> tagList;
    std::u16string sessionId;
    uint8_t settingsMissing = 0;
    uint8_t configPending = 1;
    Category allCategory;
    uint8_t xmlCatalogMode = 0;

private:
    friend class Singleton<Kestrum>;
    Kestrum();
};

// The command-line rule: drops the first 10 characters and then the last 2;
// what remains is the application id text (empty when the line is shorter).
std::u16string AppIdFromCommandLine(std::u16string_view commandLine);
