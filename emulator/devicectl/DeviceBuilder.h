#pragma once
#include <filesystem>
#include <string>

#include "Profiles.h"

namespace devicectl {

// Makes a device root of `profile` in `dir` (created when missing). A folder
// that already holds a device is left alone: creating over it would mix two
// devices' registries and files. `orientation` (0, 90, 180, 270) rotates the
// display; the metrics follow the rotation.
bool CreateDevice(const std::filesystem::path& dir, const Profile& profile, int orientation, std::string& error);

// Copies the store's program files (localization.xml and the skin images of
// `sourceDir`/skin) into the device's "\Program Files\Tobrix\", until the
// store's own package installs them. Existing files are replaced.
bool CopyStoreFiles(const std::filesystem::path& dir, const std::filesystem::path& sourceDir, std::string& error);

}  // namespace devicectl
