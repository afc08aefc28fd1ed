#pragma once
#include <optional>
#include <string>

#include "setup/InstallFolder.h"

// The store's Start-menu entry: a shortcut file named after the install
// folder, and its StartInfo registry key that gives the entry its icon. The
// shortcut goes where the device's launcher looks: a Pocket PC lists programs
// in Start menu\Programs, other platform types in the Start menu itself.
namespace pindle {

class StartMenuEntry {
public:
    explicit StartMenuEntry(const InstallFolder& folder) : folder(folder) {}

    // "Security\Shell\StartInfo\Start\<name>.lnk" below HKLM.
    std::u16string StartInfoKey() const;
    // The shortcut file's device path; nullopt when the device has no such
    // special folder.
    std::optional<std::u16string> ShortcutPath() const;
    // What the shortcut starts: the store's program, quoted.
    std::u16string Target() const;

    // Each part is tried on its own; one that fails does not stop the other.
    // Both return true only when every part succeeded.
    bool Create() const;
    bool Remove() const;

private:
    static int ShortcutFolderId();
    bool StartInfoKeyIsValid() const;

    InstallFolder folder;
};

}  // namespace pindle
