#pragma once
#include <string>
#include <string_view>

// The install directory the installer hands to Pindle: the store's program
// folder, where the store keeps settings.dat and its cabs download folder.
namespace pindle {

class InstallFolder {
public:
    explicit InstallFolder(std::u16string_view path) : path(path) {}

    const std::u16string& Path() const { return path; }
    // The last component: the text after the last "\", or the whole text when
    // there is none. It names the Start-menu shortcut and its StartInfo key.
    std::u16string ShortcutName() const;
    // `path` + "\" + `name`.
    std::u16string Child(std::u16string_view name) const;
    // True when the folder lies below the device's root. Removal deletes only
    // inside such a folder: for an empty or root install directory, "\cabs"
    // and "\settings.dat" would be the device's own, not the store's.
    bool IsBelowRoot() const;

private:
    std::u16string path;
};

}  // namespace pindle
