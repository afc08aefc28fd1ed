#pragma once
#include <optional>
#include <string>
#include <string_view>

// Names a package brings along, checked before anything is written: they come
// from a file downloaded off the network and must never reach outside the
// place they are meant for.
namespace pkg {

// The install name is a single registry key name below
// \Security\AppInstall: not empty, at most 255 characters, no "\" and no
// control characters.
bool ValidInstallName(std::u16string_view name);

// A single file name inside a folder: no "\", "/", ":", no control
// characters, not "." or "..", not empty.
bool ValidFileName(std::u16string_view name);

// An absolute device folder path ("\Program Files\Notes"): starts with "\",
// every part a valid file name. The device's root itself does not qualify,
// nor does anything below the installer's own records.
bool ValidTargetFolder(std::u16string_view path);

// Expands the folder macros (%InstallDir%, %CE1%, %CE2%, %CE4%, %CE5%,
// %CE11%, %CE17%, case ignored). nullopt when the text holds a "%" that does
// not start a known macro.
std::optional<std::u16string> ExpandMacros(std::u16string_view text, std::u16string_view installDir);

// Where the installer keeps what it needs to remove a package again:
// \Windows\AppMgr\<install name, characters outside a safe set escaped>.
std::u16string RecordFolder(std::u16string_view installName);
inline constexpr std::u16string_view kRecordRoot = u"\\Windows\\AppMgr";
// A running installer's work folder there: this followed by its process id.
inline constexpr std::u16string_view kStagingPrefix = u"~staging-";

// "\Security\AppInstall\<name>" (HKLM).
std::u16string AppInstallKey(std::u16string_view installName);
inline constexpr std::u16string_view kAppInstallRoot = u"\\Security\\AppInstall";
// String value of that key, new with every installation.
inline constexpr std::u16string_view kInstallStamp = u"InstallStamp";

// Joins a folder and a name with one "\".
std::u16string JoinDevicePath(std::u16string_view folder, std::u16string_view name);

}  // namespace pkg
