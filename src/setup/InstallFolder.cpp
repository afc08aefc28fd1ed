#include "setup/InstallFolder.h"

namespace pindle {

std::u16string InstallFolder::ShortcutName() const {
    auto slash = path.rfind(u'\\');
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string InstallFolder::Child(std::u16string_view name) const { return path + u"\\" + std::u16string(name); }

bool InstallFolder::IsBelowRoot() const {
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t next = path.find(u'\\', pos);
        if (next == std::u16string::npos) next = path.size();
        std::u16string_view part = std::u16string_view(path).substr(pos, next - pos);
        if (!part.empty() && part != u"." && part != u"..") return true;
        pos = next + 1;
    }
    return false;
}

}  // namespace pindle
