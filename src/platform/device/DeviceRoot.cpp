#include "platform/device/DeviceRoot.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <type_traits>
#include <utility>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "base/Text.h"
#include "platform/files/Files.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace platform {
namespace {

// A number the field cannot hold (1e300, 2^40, 2.5) keeps the default like
// any other wrong value: converting it would be undefined or silently wrap.
template <class T>
bool FitsInteger(const json& v) {
    if (v.is_number_unsigned()) return std::in_range<T>(v.get<uint64_t>());
    if (v.is_number_integer()) return std::in_range<T>(v.get<int64_t>());
    if (!v.is_number_float()) return true;  // not a number: get<T>() refuses it below
    const double d = v.get<double>();
    return std::isfinite(d) && d == std::trunc(d) && d >= double(std::numeric_limits<T>::min()) &&
           d <= double(std::numeric_limits<T>::max());
}

template <class T>
void Read(const json& j, const char* key, T& out) {
    auto it = j.find(key);
    if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
        if (it != j.end() && !FitsInteger<T>(*it)) return;
    }
    if (it != j.end() && !it->is_null()) {
        try {
            out = it->get<T>();
        } catch (const json::exception&) {
            // A field of the wrong type keeps its default: a damaged description
            // still gives a usable device.
        }
    }
}

DeviceInfo FromJson(const json& j) {
    DeviceInfo d;
    Read(j, "profile", d.profile);
    Read(j, "platformType", d.platformType);
    if (auto os = j.find("os"); os != j.end() && os->is_object()) {
        Read(*os, "major", d.osMajor);
        Read(*os, "minor", d.osMinor);
        Read(*os, "build", d.osBuild);
    }
    if (auto s = j.find("screen"); s != j.end() && s->is_object()) {
        Read(*s, "width", d.screenWidth);
        Read(*s, "height", d.screenHeight);
        Read(*s, "orientation", d.orientation);
        Read(*s, "dpi", d.dpi);
        Read(*s, "systemFontHeight", d.systemFontHeight);
        Read(*s, "iconSize", d.iconSize);
        Read(*s, "touch", d.touch);
    }
    Read(j, "localeId", d.localeId);
    Read(j, "storageCards", d.storageCards);
    Read(j, "networkUp", d.networkUp);
    Read(j, "connectDelayMs", d.connectDelayMs);
    Read(j, "irdaSockets", d.irdaSockets);
    Read(j, "bluetoothSockets", d.bluetoothSockets);
    if (auto r = j.find("radios"); r != j.end() && r->is_array()) {
        for (const auto& e : *r) {
            if (!e.is_object()) continue;
            RadioDevice rd;
            Read(e, "name", rd.name);
            Read(e, "displayName", rd.displayName);
            Read(e, "type", rd.type);
            Read(e, "on", rd.on);
            d.radios.push_back(rd);
        }
    }
    Read(j, "cameras", d.cameras);
    Read(j, "catalogUrl", d.catalogUrl);
    Read(j, "browserCommand", d.browserCommand);
    Read(j, "adsUrl", d.adsUrl);
    Read(j, "storageBytes", d.storageBytes);
    if (auto l = j.find("link"); l != j.end() && l->is_object()) {
        Read(*l, "profile", d.link.profile);
        Read(*l, "downKbps", d.link.downKbps);
        Read(*l, "upKbps", d.link.upKbps);
        Read(*l, "latencyMs", d.link.latencyMs);
        Read(*l, "dropAfterBytes", d.link.dropAfterBytes);
        Read(*l, "dropEverySeconds", d.link.dropEverySeconds);
    }
    return d;
}

json ToJson(const DeviceInfo& d) {
    json radios = json::array();
    for (const auto& r : d.radios)
        radios.push_back({{"name", r.name}, {"displayName", r.displayName}, {"type", r.type}, {"on", r.on}});
    json j{
        {"profile", d.profile},
        {"platformType", d.platformType},
        {"os", {{"major", d.osMajor}, {"minor", d.osMinor}, {"build", d.osBuild}}},
        {"screen",
         {{"width", d.screenWidth}, {"height", d.screenHeight}, {"orientation", d.orientation}, {"dpi", d.dpi},
          {"systemFontHeight", d.systemFontHeight}, {"iconSize", d.iconSize}, {"touch", d.touch}}},
        {"localeId", d.localeId},
        {"storageCards", d.storageCards},
        {"networkUp", d.networkUp},
        {"connectDelayMs", d.connectDelayMs},
        {"irdaSockets", d.irdaSockets},
        {"bluetoothSockets", d.bluetoothSockets},
        {"radios", radios},
        {"cameras", d.cameras},
        {"catalogUrl", d.catalogUrl},
        {"browserCommand", d.browserCommand},
        {"adsUrl", d.adsUrl},
        {"storageBytes", d.storageBytes},
    };
    if (d.link.Shaped())
        j["link"] = {{"profile", d.link.profile},           {"downKbps", d.link.downKbps},
                     {"upKbps", d.link.upKbps},             {"latencyMs", d.link.latencyMs},
                     {"dropAfterBytes", d.link.dropAfterBytes}, {"dropEverySeconds", d.link.dropEverySeconds}};
    return j;
}

bool ValidComponent(const std::string& c) {
    if (c == "." || c == "..") return false;
    for (unsigned char ch : c)
        if (text::IsControl(ch) || ch == '/' || ch == ':') return false;
    return true;
}

// The existing entry of `dir` whose name equals `name` ignoring ASCII case, or
// `name` itself when there is none (the path is about to be created).
std::string ResolveCase(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    if (fs::exists(dir / name, ec)) return name;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (text::EqualsIgnoreCase(entry, name)) return entry;
    }
    return name;
}

std::mutex gDeviceMutex;
std::unique_ptr<DeviceRoot> gDevice;

}  // namespace

DeviceRoot::DeviceRoot(fs::path root, DeviceInfo info) : root(std::move(root)), info(std::move(info)) {}

std::optional<DeviceRoot> DeviceRoot::Open(const fs::path& root, std::string* error) {
    std::ifstream in(root / "device.json");
    if (!in) {
        if (error) *error = "no device description at " + (root / "device.json").string();
        return std::nullopt;
    }
    json j = json::parse(in, nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        if (error) *error = "device description is not a JSON object: " + (root / "device.json").string();
        return std::nullopt;
    }
    return DeviceRoot(fs::absolute(root), FromJson(j));
}

bool DeviceRoot::Save(std::string* error) const {
    return ReplaceHostFile(DescriptionFile(), ToJson(info).dump(2) + '\n', error);
}

std::optional<fs::path> DeviceRoot::HostPath(std::u16string_view devicePath) const {
    std::string path = text::Utf16ToUtf8(devicePath);
    fs::path host = root;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t next = path.find('\\', pos);
        if (next == std::string::npos) next = path.size();
        std::string part = path.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty()) continue;  // leading, trailing or doubled separators
        if (!ValidComponent(part)) return std::nullopt;
        host /= ResolveCase(host, part);
        if (!StaysInside(host)) return std::nullopt;
    }
    return host;
}

// A symbolic link planted in the device's folders must not lead a device path
// out of the root: whatever reads, writes or deletes through it would reach
// the host. Links that stay inside are followed like folders.
bool DeviceRoot::StaysInside(const fs::path& host) const {
    std::error_code ec;
    if (!fs::is_symlink(host, ec)) return true;
    const fs::path target = fs::weakly_canonical(host, ec);
    if (ec) return false;
    const fs::path inside = fs::weakly_canonical(root, ec);
    if (ec) return false;
    const fs::path rel = target.lexically_relative(inside);
    return !rel.empty() && *rel.begin() != "..";
}

std::optional<std::u16string> DeviceRoot::DevicePath(const fs::path& hostPath) const {
    fs::path rel = fs::absolute(hostPath).lexically_normal().lexically_relative(root.lexically_normal());
    if (rel.empty() || *rel.begin() == "..") return std::nullopt;
    std::u16string out;
    for (const auto& part : rel) {
        if (part == ".") continue;
        out += u'\\';
        out += text::Utf8ToUtf16(part.string());
    }
    return out.empty() ? u"\\" : out;
}

void SetCurrentDevice(const DeviceRoot& device) {
    std::lock_guard<std::mutex> lock(gDeviceMutex);
    gDevice = std::make_unique<DeviceRoot>(device);
}

void ClearCurrentDevice() {
    std::lock_guard<std::mutex> lock(gDeviceMutex);
    gDevice.reset();
}

bool HasCurrentDevice() {
    std::lock_guard<std::mutex> lock(gDeviceMutex);
    return gDevice != nullptr;
}

DeviceRoot& MutableCurrentDevice() {
    std::lock_guard<std::mutex> lock(gDeviceMutex);
    if (!gDevice) throw std::logic_error("no device root selected (--device-root or TOBRIX_DEVICE_ROOT)");
    return *gDevice;
}

const DeviceRoot& CurrentDevice() { return MutableCurrentDevice(); }

bool UseDeviceFromEnvironment(std::string* error) {
    if (HasCurrentDevice()) return true;
    const char* env = std::getenv("TOBRIX_DEVICE_ROOT");
    if (!env || !*env) {
        if (error) *error = "TOBRIX_DEVICE_ROOT is not set";
        return false;
    }
    auto device = DeviceRoot::Open(env, error);
    if (!device) return false;
    SetCurrentDevice(*device);
    return true;
}

}  // namespace platform
