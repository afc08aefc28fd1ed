// devicectl: makes, describes and inspects emulated handhelds (device roots).
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "DeviceBuilder.h"
#include "Profiles.h"
#include "RegistryDump.h"
#include "base/OptionParser.h"
#include "base/Text.h"
#include "formats/PackageStatement.h"
#include "platform/device/DeviceRoot.h"
#include "platform/dialog/MessageBox.h"
#include "platform/files/Files.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::shared_ptr<platform::Registry> OpenRegistry(const std::string& dir) {
    std::string error;
    auto root = platform::DeviceRoot::Open(dir, &error);
    if (!root) throw Failure(error);
    auto reg = platform::Registry::OpenFile(root->RegistryFile(), &error);
    if (!reg) throw Failure(error);
    return reg;
}

std::pair<platform::Hive, std::u16string> KeyPath(const std::string& text) {
    auto parsed = platform::ParseRegistryPath(U16(text));
    if (!parsed) throw Failure("a key starts with HKLM or HKCR: " + text);
    return *parsed;
}

uint32_t ParseDword(const std::string& text) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || std::isspace(static_cast<unsigned char>(text[0])))
        throw Failure("not a DWORD: " + text);
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text.c_str(), &end, 0);  // decimal, or 0x hexadecimal
    if (errno != 0 || *end != '\0' || v > 0xFFFFFFFFull) throw Failure("not a DWORD: " + text);
    return static_cast<uint32_t>(v);
}

void Create(const std::string& dir, const std::string& profileName, int orientation) {
    const auto* profile = devicectl::FindProfile(profileName);
    if (!profile) throw Failure("unknown profile " + profileName + " (devicectl profiles lists them)");
    std::string error;
    if (!devicectl::CreateDevice(dir, *profile, orientation, error)) throw Failure(error);
    std::cout << "created " << profile->name << " device in " << dir << '\n';
}

void Describe(const std::string& dir) {
    std::string error;
    if (!platform::DeviceRoot::Open(dir, &error)) throw Failure(error);
    std::ifstream in(std::filesystem::path(dir) / "device.json");
    std::cout << in.rdbuf();
}

void Dump(const std::string& dir, const std::string& key) {
    auto reg = OpenRegistry(dir);
    if (key.empty()) {
        for (auto hive : {platform::Hive::LocalMachine, platform::Hive::ClassesRoot})
            devicectl::DumpKey(std::cout, *reg->Root(hive));
        return;
    }
    auto [hive, path] = KeyPath(key);
    auto k = reg->OpenKey(hive, path);
    if (!k) throw Failure("no such key: " + key);
    devicectl::DumpKey(std::cout, *k);
}

void Set(const std::string& dir, const std::string& key, const std::string& name, const std::string& type,
         const std::string& value) {
    auto reg = OpenRegistry(dir);
    auto [hive, path] = KeyPath(key);
    platform::RegistryValue v;
    if (type == "dword")
        v = platform::RegistryValue::Dword(ParseDword(value));
    else if (type == "string")
        v = platform::RegistryValue::String(U16(value));
    else
        throw Failure("the type is dword or string, not " + type);
    auto k = reg->CreateKey(hive, path);
    if (!k || !k->Write(U16(name), v)) throw Failure("cannot write " + key + " " + name);
}

void Delete(const std::string& dir, const std::string& key, const std::optional<std::string>& name) {
    auto reg = OpenRegistry(dir);
    auto [hive, path] = KeyPath(key);
    if (!name) {
        if (!reg->DeleteKey(hive, path)) throw Failure("cannot delete " + key + " (missing, or a hive's root)");
        return;
    }
    auto k = reg->OpenKey(hive, path);
    if (!k) throw Failure("no such key: " + key);
    if (!k->DeleteValue(U16(*name))) throw Failure("no value " + *name + " in " + key);
}

// Adds a catalog's public key to those the device's store trusts, where the
// store's package writes its own (for tests and operators; see
// docs/security.md). Prints the key's id.
void Trust(const std::string& dir, const std::string& keyFile) {
    const auto key = formats::ReadPublicKeyFile(keyFile);
    if (!key) throw Failure(keyFile + " is not a public key made by \"catalogd keygen\"");
    const std::string id = formats::KeyIdOf(*key);
    auto reg = OpenRegistry(dir);
    auto k = reg->CreateKey(platform::Hive::LocalMachine, u"Software\\Tobrix\\TrustedKeys");
    if (!k || !k->Write(U16(id), platform::RegistryValue::String(U16(formats::PublicKeyText(*key).substr(0, 64)))))
        throw Failure("cannot write the key into the registry of " + dir);
    std::cout << id << '\n';
}

// Makes DIR the device this process works on, as the device's own programs
// are told through TOBRIX_DEVICE_ROOT.
void UseDevice(const std::string& dir) {
    std::string error;
    auto root = platform::DeviceRoot::Open(dir, &error);
    if (!root) throw Failure(error);
    platform::SetCurrentDevice(*root);
}

// Opens TEXT as the device's shell does (a URL, a registered protocol's link,
// or a device program); with `wait`, returns the started program's exit code.
int Exec(const std::string& dir, const std::string& textToOpen, const std::string& parameters, bool wait) {
    UseDevice(dir);
    platform::Process started;
    if (!platform::ShellExecute(u"open", U16(textToOpen), U16(parameters), wait ? &started : nullptr))
        throw Failure("the device's shell could not open " + textToOpen);
    if (!wait || !started.Running()) return 0;
    int code = 0;
    if (!started.Wait(&code)) throw Failure("cannot wait for what " + textToOpen + " started");
    return code;
}

// Sets or clears the size of the device's own storage and prints what it
// holds: `free` sizes it so that exactly that much is left.
void Storage(const std::string& dir, std::optional<uint64_t> size, std::optional<uint64_t> free, bool unlimited) {
    UseDevice(dir);
    platform::DeviceRoot& device = platform::MutableCurrentDevice();
    const uint64_t used = platform::StorageUsed();
    if (unlimited) device.MutableInfo().storageBytes = 0;
    if (size) device.MutableInfo().storageBytes = *size;
    if (free) device.MutableInfo().storageBytes = used + *free;
    std::string error;
    if ((unlimited || size || free) && !device.Save(&error)) throw Failure(error);
    const uint64_t total = device.Info().storageBytes;
    std::cout << "used " << used << "\nsize " << (total ? std::to_string(total) : "unlimited") << '\n';
    if (total) std::cout << "free " << (used < total ? total - used : 0) << '\n';
}

// Typical lines of a handheld: bandwidth down and up in kbit/s and the delay
// each request sees.
struct LinkProfile {
    const char* name;
    int downKbps, upKbps, latencyMs;
};
constexpr LinkProfile kLinkProfiles[] = {
    {"gprs", 48, 24, 600}, {"edge", 200, 100, 300}, {"3g", 1500, 384, 150}, {"wifi", 20000, 10000, 5}};

struct LinkSettings {
    std::string profile;
    std::optional<int> down, up, latency, dropEvery;
    std::optional<uint64_t> dropAfter;
};

// Shapes the device's data link (device.json's "link") and prints it: a
// profile's typical values, each of which an option may change, and drops.
void Link(const std::string& dir, const LinkSettings& s) {
    UseDevice(dir);
    platform::DeviceRoot& device = platform::MutableCurrentDevice();
    platform::DataLink& link = device.MutableInfo().link;
    if (s.profile == "none") {
        link = platform::DataLink{};
    } else if (!s.profile.empty()) {
        const LinkProfile* p = nullptr;
        for (const auto& candidate : kLinkProfiles)
            if (s.profile == candidate.name) p = &candidate;
        if (!p) throw Failure("unknown link profile " + s.profile + " (gprs, edge, 3g, wifi or none)");
        link = platform::DataLink{p->name, p->downKbps, p->upKbps, p->latencyMs, 0, 0};
    }
    const bool changes = s.down || s.up || s.latency || s.dropAfter || s.dropEvery;
    if (changes && s.profile == "none") throw Failure("a link of profile none has no values to change");
    if (changes && !link.Shaped()) link.profile = "custom";
    if (s.down) link.downKbps = *s.down;
    if (s.up) link.upKbps = *s.up;
    if (s.latency) link.latencyMs = *s.latency;
    if (s.dropAfter) link.dropAfterBytes = *s.dropAfter;
    if (s.dropEvery) link.dropEverySeconds = *s.dropEvery;
    std::string error;
    if ((!s.profile.empty() || changes) && !device.Save(&error)) throw Failure(error);
    if (!link.Shaped()) {
        std::cout << "link unshaped\n";
        return;
    }
    std::cout << "link " << link.profile << "\ndown " << link.downKbps << " kbit/s\nup " << link.upKbps
              << " kbit/s\nlatency " << link.latencyMs << " ms\n";
    if (link.dropAfterBytes) std::cout << "drops after " << link.dropAfterBytes << " bytes of a transfer\n";
    if (link.dropEverySeconds) std::cout << "drops every " << link.dropEverySeconds << " s of a transfer\n";
}

void Answers(const std::string& dir, const std::vector<std::string>& words) {
    UseDevice(dir);
    std::string error;
    if (!words.empty() && !platform::ScriptMessageBoxAnswers(words, &error)) throw Failure(error);
    for (int answer : platform::PendingMessageBoxAnswers()) std::cout << platform::MessageBoxAnswerName(answer) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    OptionParser app("devicectl: make, describe and inspect emulated handhelds");
    app.RequireCommand();

    std::string dir, profile = "wm65-vga", key, name, type, value;
    std::optional<std::string> valueName;
    int orientation = 0;

    auto& create = app.AddCommand("create", "Make a device root in DIR");
    create.Add("DIR", dir, "Folder of the new device").Required();
    create.Add("--profile", profile, "Device profile (see: devicectl profiles)").ShowDefault();
    create.Add("--orientation", orientation, "Display rotation in degrees: 0, 90, 180 or 270");
    create.OnChosen([&] { Create(dir, profile, orientation); });

    auto& profiles = app.AddCommand("profiles", "List the device profiles");
    profiles.OnChosen([] {
        for (const auto& p : devicectl::Profiles()) std::cout << p.name << "\t" << p.description << '\n';
    });

    auto& describe = app.AddCommand("describe", "Print the device's description (device.json)");
    describe.Add("DIR", dir, "Device root").Required();
    describe.OnChosen([&] { Describe(dir); });

    auto& reg = app.AddCommand("reg", "Read and change the device's registry");
    reg.Add("DIR", dir, "Device root").Required();
    reg.RequireCommand();
    auto& dump = reg.AddCommand("dump", "Print a key with its values and subkeys (all keys without KEY)");
    dump.Add("KEY", key, "HKLM\\... or HKCR\\...");
    dump.OnChosen([&] { Dump(dir, key); });
    auto& set = reg.AddCommand("set", "Write a value, creating the key when needed");
    set.Add("KEY", key, "HKLM\\... or HKCR\\...").Required();
    set.Add("NAME", name, "Value name (empty for the default value)").Required();
    set.Add("TYPE", type, "dword or string").Required();
    set.Add("VALUE", value, "Decimal or 0x hexadecimal for a DWORD").Required();
    set.OnChosen([&] { Set(dir, key, name, type, value); });
    auto& del = reg.AddCommand("delete", "Delete a value, or a key with everything below it");
    del.Add("KEY", key, "HKLM\\... or HKCR\\...").Required();
    del.Add("NAME", valueName, "Value name; without it the key is deleted");
    del.OnChosen([&] { Delete(dir, key, valueName); });

    std::string keyFile;
    auto& trust = app.AddCommand("trust", "Trust a catalog's public key (catalogd keygen's FILE.pub); prints its id");
    trust.Add("DIR", dir, "Device root").Required();
    trust.Add("KEY", keyFile, "The public key file").Required().ExistingFile();
    trust.OnChosen([&] { Trust(dir, keyFile); });

    std::string openText, parameters;
    bool wait = false;
    int exitCode = 0;
    auto& exec = app.AddCommand("exec", "Open a URL, a protocol link (tobrix://42/) or a program on the device");
    exec.Add("DIR", dir, "Device root").Required();
    exec.Add("TEXT", openText, "What to open, as the device's shell takes it").Required();
    exec.Add("--parameters", parameters, "Command line for a device program");
    exec.AddFlag("--wait", wait, "Wait for the started program and exit with its exit code");
    exec.OnChosen([&] { exitCode = Exec(dir, openText, parameters, wait); });

    std::vector<std::string> answerWords;
    auto& answers = app.AddCommand(
        "answers", "Script the answers of the device's next message boxes; prints the answers still waiting");
    answers.Add("DIR", dir, "Device root").Required();
    answers.Add("ANSWER", answerWords, "yes, no, ok, cancel, abort, retry or ignore, in the order asked");
    answers.OnChosen([&] { Answers(dir, answerWords); });

    std::optional<uint64_t> storageSize, storageFree;
    bool unlimited = false;
    auto& storage = app.AddCommand(
        "storage", "Size the device's own storage (device.json's storageBytes) and print what it holds");
    storage.Add("DIR", dir, "Device root").Required();
    auto sizeOption = storage.Add("--size", storageSize, "Storage size in bytes");
    auto freeOption = storage.Add("--free", storageFree, "Size it so that this many bytes are free");
    auto unlimitedFlag = storage.AddFlag("--unlimited", unlimited, "No size but the host disk's");
    sizeOption.Excludes(freeOption).Excludes(unlimitedFlag);
    freeOption.Excludes(unlimitedFlag);
    storage.OnChosen([&] { Storage(dir, storageSize, storageFree, unlimited); });

    LinkSettings linkSettings;
    auto& link = app.AddCommand(
        "link", "Shape the device's data link (device.json's link) and print it; without options only print it");
    link.Add("DIR", dir, "Device root").Required();
    link.Add("--profile", linkSettings.profile, "gprs, edge, 3g, wifi, or none for an unshaped link");
    link.Add("--down", linkSettings.down, "Bandwidth towards the device, kbit/s (0: unlimited)").NonNegative();
    link.Add("--up", linkSettings.up, "Bandwidth from the device, kbit/s (0: unlimited)").NonNegative();
    link.Add("--latency", linkSettings.latency, "Delay added to each request, ms").NonNegative();
    link.Add("--drop-after", linkSettings.dropAfter, "The line fails after this many bytes of a transfer");
    link.Add("--drop-every", linkSettings.dropEvery, "The line fails once a transfer has lasted this many s")
        .NonNegative();
    link.OnChosen([&] { Link(dir, linkSettings); });

    try {
        if (auto status = app.Parse(argc, argv)) return *status;
    } catch (const std::exception& e) {
        std::cerr << "devicectl: " << e.what() << std::endl;
        return 1;
    }
    return exitCode;
}
