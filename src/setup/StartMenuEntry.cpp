#include "setup/StartMenuEntry.h"

#include "base/Text.h"
#include "platform/files/Files.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"
#include "platform/system/SystemInfo.h"

using platform::Hive;

namespace pindle {
namespace {

constexpr std::u16string_view kStartInfoRoot = u"Security\\Shell\\StartInfo\\Start";

}  // namespace

int StartMenuEntry::ShortcutFolderId() {
    std::u16string type;
    bool pocketPc = platform::GetPlatformType(type) && text::EqualsIgnoreCase(type, u"PocketPC");
    return pocketPc ? platform::kFolderPrograms : platform::kFolderStartMenu;
}

std::u16string StartMenuEntry::StartInfoKey() const {
    return std::u16string(kStartInfoRoot) + u"\\" + folder.ShortcutName() + u".lnk";
}

// The shortcut's name becomes one key below Start; a name that would be
// several keys, or none, is not created at all.
bool StartMenuEntry::StartInfoKeyIsValid() const {
    return platform::IsSingleKeyName(folder.ShortcutName() + u".lnk");
}

std::optional<std::u16string> StartMenuEntry::ShortcutPath() const {
    auto dir = platform::GetSpecialFolderPath(ShortcutFolderId());
    if (!dir) return std::nullopt;
    return *dir + u"\\" + folder.ShortcutName() + u".lnk";
}

std::u16string StartMenuEntry::Target() const { return u"\"" + folder.Child(u"tobrix.exe") + u"\""; }

bool StartMenuEntry::Create() const {
    bool keyOk = false;
    if (StartInfoKeyIsValid()) {
        auto key = platform::CreateRegistryKey(Hive::LocalMachine, StartInfoKey());
        keyOk = key && key->WriteString(u"Icon", folder.Child(u"icon.png"));
    }
    auto shortcut = ShortcutPath();
    bool fileOk = shortcut && platform::CreateShortcut(*shortcut, Target());
    return keyOk && fileOk;
}

bool StartMenuEntry::Remove() const {
    bool keyOk = StartInfoKeyIsValid() && platform::DeleteRegistryKey(Hive::LocalMachine, StartInfoKey());
    auto shortcut = ShortcutPath();
    bool fileOk = shortcut && platform::DeleteFile(*shortcut);
    return keyOk && fileOk;
}

}  // namespace pindle
