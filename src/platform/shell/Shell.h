#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The shell services of the emulated handheld: special folders, shortcut
// files, opening a file or URL, deleting a folder tree, and the
// provisioning-document processor that removes installed packages.
namespace platform {

// Special folder ids of the device.
enum SpecialFolder : int {
    kFolderPrograms = 2,      // \Windows\Start Menu\Programs
    kFolderDocuments = 5,     // \My Documents
    kFolderFavorites = 6,     // \Windows\Favorites
    kFolderStartUp = 7,       // \Windows\StartUp
    kFolderRecent = 8,        // \Windows\Recent
    kFolderStartMenu = 11,    // \Windows\Start Menu
    kFolderDesktop = 16,      // \Windows\Desktop
    kFolderFonts = 20,        // \Windows\Fonts
    kFolderAppData = 26,      // \Application Data
    kFolderWindows = 36,      // \Windows
    kFolderProgramFiles = 38  // \Program Files
};

// Device path of a special folder, without a trailing "\"; nullopt for an id
// the device does not know. The folder itself is not created.
std::optional<std::u16string> GetSpecialFolderPath(int folderId);

// Shortcut files hold the target in the device's text form: the length of the
// target text in characters, "#", then the target ("22#\"\Windows\calc.exe\"").
// The target is written as given: callers quote it when it holds spaces.
std::u16string ShortcutText(std::u16string_view target);
// Creates the shortcut file; fails when the file exists already or its folder
// is missing.
bool CreateShortcut(std::u16string_view shortcutPath, std::u16string_view target);
// The target text of a shortcut file (quotes kept), or nullopt when the file
// cannot be read or is not in the shortcut form.
std::optional<std::u16string> ReadShortcutTarget(std::u16string_view shortcutPath);

class Process;

// Opens `file` with `verb` ("open" is the only verb the device knows). A device
// program with a host mapping runs; a device file without one is recorded in
// the launch log. A shortcut file (".lnk") opens its target, as the device's
// launcher does. A URL whose scheme is a registered protocol (below) starts
// the protocol's command; any other URL goes to the device's browser command
// (device.json "browserCommand"), or to the launch log when the device has
// none, in which case the result is false. Nothing waits for what was started
// unless `started` is given: it then receives the started device program (a
// URL sent to the browser hands nothing back).
bool ShellExecute(std::u16string_view verb, std::u16string_view file, std::u16string_view parameters = {},
                  Process* started = nullptr);
bool IsUrl(std::u16string_view text);

// What opening a URL of a registered protocol starts, as the handheld's shell
// does it: the scheme is registered when HKCR\<scheme>\Shell\Open\Command has
// a default value. That value is a device program (quoted when it holds
// spaces) followed by its command line, in which "%1" stands for the URL.
// Double quotes, backslashes and control characters of the URL are
// percent-encoded first:
// they are not legal in a URL, and unencoded they would end the quoted
// argument and smuggle further arguments into the command line.
struct ProtocolCommand {
    std::u16string program;
    std::u16string commandLine;
};
std::optional<ProtocolCommand> UrlProtocolCommand(std::u16string_view url);

// Deletes a file or a folder with everything in it, silently. False when
// something could not be deleted or the path is not on the device; a missing
// path is a success.
bool ShellDeleteTree(std::u16string_view devicePath);

// The provisioning-document processor. Processes `document` with `flags`
// (1 = process) and returns a status: 0 or greater on success, negative on
// failure. `result` receives the result document when given. The work runs in
// the device's own processor program, as it does on the device, so a package's
// removal code never runs inside the caller.
int32_t ProcessProvisioningDocument(std::u16string_view document, uint32_t flags,
                                    std::u16string* result = nullptr);

// Status codes of the processor.
constexpr int32_t kProvisionOk = 0;
constexpr int32_t kProvisionFailed = static_cast<int32_t>(0x80004005u);
constexpr int32_t kProvisionBadDocument = static_cast<int32_t>(0x80070057u);
constexpr int32_t kProvisionUnavailable = static_cast<int32_t>(0x80070002u);

}  // namespace platform
