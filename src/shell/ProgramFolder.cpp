#include "shell/ProgramFolder.h"

#include "platform/device/DeviceRoot.h"

namespace programfolder {

const std::vector<std::u16string>& RequiredFiles() {
    static const std::vector<std::u16string> files = [] {
        std::vector<std::u16string> names = {u"localization.xml", u"dialog.png", u"icon_close_ads.png"};
        for (char16_t i = u'0'; i <= u'7'; ++i) names.push_back(std::u16string(u"load") + i + u".png");
        return names;
    }();
    return files;
}

std::optional<std::filesystem::path> HostFile(const std::u16string& name) {
    return platform::CurrentDevice().HostPath(kFolder + name);
}

std::optional<std::u16string> FirstMissingFile() {
    for (const auto& name : RequiredFiles()) {
        auto host = HostFile(name);
        std::error_code ec;
        if (!host || !std::filesystem::is_regular_file(*host, ec)) return kFolder + name;
    }
    return std::nullopt;
}

}  // namespace programfolder
