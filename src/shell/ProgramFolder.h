#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The store's program folder on the device and the files it cannot start
// without. Settings are not among them: a missing settings.dat is a first run.
namespace programfolder {

inline constexpr const char16_t* kFolder = u"\\Program Files\\Tobrix\\";
inline constexpr const char16_t* kModule = u"\\Program Files\\Tobrix\\tobrix.exe";

// Names relative to the folder: the texts and the skin images the shell and
// the toolkit draw.
const std::vector<std::u16string>& RequiredFiles();

// The device path of the first required file that is missing on the current
// device, or nullopt when all are there.
std::optional<std::u16string> FirstMissingFile();

// The host path of a file in the program folder (nullopt off the device).
std::optional<std::filesystem::path> HostFile(const std::u16string& name);

}  // namespace programfolder
