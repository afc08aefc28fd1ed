#pragma once
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

#include "base/Singleton.h"

// Numbered user-interface strings of every language, from localization.xml.
class Localization : public Singleton<Localization> {
public:
    struct Language {
        std::u16string id;     // Windows language identifier, four hex digits ("0409")
        std::u16string title;  // shown in the language choice
        std::map<int32_t, std::u16string> strings;
    };

    // Loads the file and chooses the language from the device's locale id
    // (falling back to the file's default). A missing or malformed file leaves
    // what was read so far; lookups then answer "STR_<n>". Returns true when
    // the whole file was read; the program carries on either way, tools use
    // the result to tell their user.
    bool Load(const std::filesystem::path& hostPath);
    // The same with the locale id given explicitly (tools, tests).
    bool Load(const std::filesystem::path& hostPath, std::u16string_view localeId);

    std::u16string Text(int32_t number);
    std::u16string CurrentLanguage() const { return currentLanguage; }
    bool SetCurrentLanguage(std::u16string_view name);
    const std::map<std::u16string, Language>& Languages() const { return languages; }
    // Forgets everything (tests load several files into the one instance).
    void Clear();

    std::map<std::u16string, Language> languages;
    std::u16string currentLanguage;

private:
    friend class Singleton<Localization>;
    Localization() = default;

    void ChooseLanguage(std::u16string_view localeId, const std::u16string& defaultName);
};

// What a lookup answers for a number the current language lacks.
std::u16string MissingStringText(int32_t number);
