#include <iostream>
#include <iterator>
#include <limits>
#include <memory>

#include "Command.h"
#include "base/Text.h"
#include "core/SettingsRecord.h"

using nlohmann::json;

namespace {

struct FlagField {
    const char* key;
    bool DeviceProfile::*member;
};

constexpr FlagField kFlags[] = {
    {"phone", &DeviceProfile::phone}, {"irda", &DeviceProfile::irda},   {"bt", &DeviceProfile::bt},
    {"wifi", &DeviceProfile::wifi},   {"gl", &DeviceProfile::gl},       {"cam", &DeviceProfile::cam},
    {"cam3g", &DeviceProfile::cam3g}, {"accel", &DeviceProfile::accel}, {"gps", &DeviceProfile::gps},
    {"keypad", &DeviceProfile::keypad},
};

json ToJson(const SettingsRecord& r) {
    json out = {
        {"language", U8(r.language)},
        {"osver", U8(r.profile.osver)},
        {"login", U8(r.login)},
        {"password", U8(r.password)},
        {"width", r.profile.width},
        {"height", r.profile.height},
        {"sort", U8(r.sortOrder)},
        {"price", U8(r.priceFilter)},
        {"keepPackagesOnCard", r.keepPackagesOnCard != 0 ? 1 : 0},
    };
    for (const auto& f : kFlags) out[f.key] = r.profile.*f.member ? 1 : 0;
    return out;
}

std::u16string TextValue(const json& v, const std::string& key) {
    if (!v.is_string()) throw tobrixctl::CommandError("\"" + key + "\" must be a string");
    return U16(v.get<std::string>());
}

int32_t IntValue(const json& v, const std::string& key) {
    if (!v.is_number_integer()) throw tobrixctl::CommandError("\"" + key + "\" must be an integer");
    if (v.is_number_unsigned() ? v.get<uint64_t>() > uint64_t(std::numeric_limits<int32_t>::max())
                               : (v.get<int64_t>() < std::numeric_limits<int32_t>::min() ||
                                  v.get<int64_t>() > std::numeric_limits<int32_t>::max()))
        throw tobrixctl::CommandError("\"" + key + "\" is out of range");
    return static_cast<int32_t>(v.get<int64_t>());
}

bool FlagValue(const json& v, const std::string& key) {
    if (v.is_boolean()) return v.get<bool>();
    if (v.is_number_integer() && (v.get<int64_t>() == 0 || v.get<int64_t>() == 1)) return v.get<int64_t>() == 1;
    throw tobrixctl::CommandError("\"" + key + "\" must be 0 or 1");
}

// Every key is checked before anything is written: a typo must not silently
// leave a field at its default.
SettingsRecord FromJson(const json& in) {
    if (!in.is_object()) throw tobrixctl::CommandError("settings must be a JSON object");
    SettingsRecord r;
    for (const auto& [key, value] : in.items()) {
        if (key == "language") r.language = TextValue(value, key);
        else if (key == "osver") r.profile.osver = TextValue(value, key);
        else if (key == "login") r.login = TextValue(value, key);
        else if (key == "password") r.password = TextValue(value, key);
        else if (key == "width") r.profile.width = IntValue(value, key);
        else if (key == "height") r.profile.height = IntValue(value, key);
        else if (key == "sort") r.sortOrder = TextValue(value, key);
        else if (key == "price") r.priceFilter = TextValue(value, key);
        else if (key == "keepPackagesOnCard") r.keepPackagesOnCard = FlagValue(value, key) ? 1 : 0;
        else {
            bool known = false;
            for (const auto& f : kFlags) {
                if (key == f.key) {
                    r.profile.*f.member = FlagValue(value, key);
                    known = true;
                }
            }
            if (!known) throw tobrixctl::CommandError("unknown settings key \"" + key + "\"");
        }
    }
    return r;
}

void Read(const std::string& file) {
    std::optional<SettingsRecord> record = SettingsRecord::ReadFile(file);
    if (!record) throw tobrixctl::CommandError("settings file missing or invalid");
    tobrixctl::PrintJson(ToJson(*record));
}

void Write(const std::string& file) {
    std::string input{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    json parsed = json::parse(input, nullptr, false);
    if (parsed.is_discarded()) throw tobrixctl::CommandError("standard input is not valid JSON");
    SettingsRecord record = FromJson(parsed);
    std::vector<std::string> truncated;
    if (!record.WriteFile(file, &truncated)) throw tobrixctl::CommandError("cannot write " + file);
    for (const auto& name : truncated)
        std::cerr << "tobrixctl: \"" << name << "\" was longer than its field and was cut" << std::endl;
    // What a later read will give, so the caller sees any cut at once.
    tobrixctl::PrintJson(ToJson(*SettingsRecord::Decode(record.Encode())));
}

void SetupSettings(OptionParser& root) {
    auto& settings = root.AddCommand("settings", "Read or write the store's settings.dat");
    settings.RequireCommand();

    auto readFile = std::make_shared<std::string>();
    auto& read = settings.AddCommand("read", "Print a settings.dat as JSON (flags as 0/1)");
    read.Add("FILE", *readFile, "Host path of the settings file").Required();
    read.OnChosen([readFile] { Read(*readFile); });

    auto writeFile = std::make_shared<std::string>();
    auto& write = settings.AddCommand(
        "write",
        "Write a settings.dat from the JSON object on standard input (the keys \"settings read\" prints; "
        "missing keys keep their defaults; texts longer than their field are cut)");
    write.Add("FILE", *writeFile, "Host path of the settings file").Required();
    write.OnChosen([writeFile] { Write(*writeFile); });
}

}  // namespace

TOBRIXCTL_COMMAND(SetupSettings);
