#include "platform/shell/FileIcon.h"

#include <algorithm>

#include "base/Text.h"
#include "platform/files/Files.h"
#include "platform/registry/Registry.h"
#include "platform/system/SystemInfo.h"

namespace platform {

namespace {

constexpr std::u16string_view kAppInstall = u"Security\\AppInstall";
constexpr int32_t kFallbackIconSize = 32;

int32_t DeviceIconSize() {
    ScreenMetrics metrics;
    if (GetScreenMetrics(metrics) && metrics.iconSize > 0) return metrics.iconSize;
    return kFallbackIconSize;
}

void Fill(imaging::Bitmap& b, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t rgb) {
    for (int32_t y = std::max(y0, 0); y < std::min(y1, b.height); ++y)
        for (int32_t x = std::max(x0, 0); x < std::min(x1, b.width); ++x) {
            uint8_t* p = &b.rgba[(static_cast<size_t>(y) * b.width + x) * 4];
            p[0] = static_cast<uint8_t>(rgb >> 16);
            p[1] = static_cast<uint8_t>(rgb >> 8);
            p[2] = static_cast<uint8_t>(rgb);
            p[3] = 255;
        }
}

}  // namespace

std::u16string RecordedIconPath(std::u16string_view programPath) {
    auto root = OpenRegistryKey(Hive::LocalMachine, kAppInstall);
    if (!root) return {};
    for (const std::u16string& package : root->Subkeys()) {
        auto exes = root->OpenSubkey(package + u"\\ExecutableFiles");
        if (!exes) continue;
        for (const auto& [name, value] : exes->Values())
            if (text::EqualsIgnoreCase(name, programPath) && value.type == RegistryType::String)
                return value.text;
    }
    return {};
}

imaging::Bitmap DefaultProgramIcon(int32_t size) {
    imaging::Bitmap b;
    b.width = b.height = std::max(size, 8);
    b.hasAlpha = true;
    b.rgba.assign(static_cast<size_t>(b.width) * b.height * 4, 0);
    const int32_t s = b.width, m = s / 8, edge = std::max(1, s / 32);
    Fill(b, m, m + s / 16, s - m, s - m, 0x404850);                                   // frame
    Fill(b, m + edge, m + s / 16 + edge, s - m - edge, m + s / 4, 0x2F6FC0);          // title bar
    Fill(b, m + edge, m + s / 4, s - m - edge, s - m - edge, 0xF4F6F8);               // client area
    Fill(b, s - m - edge - s / 8, m + s / 16 + 2 * edge, s - m - 2 * edge, m + s / 4 - edge, 0xE05040);  // close box
    return b;
}

bool GetFileIcon(std::u16string_view devicePath, imaging::Bitmap& out) {
    out = imaging::Bitmap();
    if (!IsFile(devicePath)) return false;
    const int32_t size = DeviceIconSize();
    const std::u16string recorded = RecordedIconPath(devicePath);
    imaging::Bitmap picture;
    // Only a device path: the decoder would read any other text as a path on
    // the host machine.
    if (!recorded.empty() && recorded[0] == u'\\' && imaging::DecodeFile(recorded, picture) && !picture.IsEmpty()) {
        out = picture.width == size && picture.height == size ? std::move(picture)
                                                              : imaging::Resample(picture, size, size);
        return true;
    }
    out = DefaultProgramIcon(size);
    return true;
}

}  // namespace platform
