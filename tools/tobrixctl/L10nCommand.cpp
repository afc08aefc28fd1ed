#include <cctype>
#include <memory>

#include "Command.h"
#include "base/Text.h"
#include "i18n/Localization.h"
#include "platform/device/DeviceRoot.h"

namespace {

struct L10nOptions {
    std::string file;
    int32_t number = 0;
    std::string language;
    std::string localeId;
};

bool IsLocaleId(const std::string& s) {
    if (s.size() != 4) return false;
    for (unsigned char c : s)
        if (!std::isxdigit(c)) return false;
    return true;
}

std::string KnownLanguages(const Localization& l10n) {
    std::string names;
    for (const auto& [name, language] : l10n.Languages()) names += (names.empty() ? "" : ", ") + U8(name);
    return names;
}

void Lookup(const L10nOptions& o) {
    Localization& l10n = Localization::Instance();
    bool loaded = false;
    if (!o.localeId.empty()) {
        if (!IsLocaleId(o.localeId)) throw tobrixctl::CommandError("--locale-id must be four hexadecimal digits");
        loaded = l10n.Load(o.file, U16(o.localeId));
    } else {
        // As at start-up: the device's locale when one is named in the
        // environment, otherwise the file's default language.
        platform::UseDeviceFromEnvironment();
        loaded = l10n.Load(o.file);
    }
    if (!loaded) throw tobrixctl::CommandError("cannot read localization file " + o.file);
    if (!o.language.empty() && !l10n.SetCurrentLanguage(U16(o.language)))
        throw tobrixctl::CommandError("unknown language \"" + o.language + "\" (known: " + KnownLanguages(l10n) + ")");
    tobrixctl::PrintJson({{"language", U8(l10n.CurrentLanguage())},
                          {"number", o.number},
                          {"text", U8(l10n.Text(o.number))}});
}

void SetupL10n(OptionParser& root) {
    auto o = std::make_shared<L10nOptions>();
    auto& cmd = root.AddCommand("l10n", "Look up a numbered interface string in a localization file");
    cmd.Add("FILE", o->file, "Host path of localization.xml").Required();
    cmd.Add("NUMBER", o->number, "String number").Required();
    cmd.Add("--language", o->language, "Language name to use instead of the one chosen at start-up");
    cmd.Add("--locale-id", o->localeId, "Device locale id (four hex digits, e.g. 0419) to choose from");
    cmd.OnChosen([o] { Lookup(*o); });
}

}  // namespace

TOBRIXCTL_COMMAND(SetupL10n);
