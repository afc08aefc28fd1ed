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

}  // namespace devicectl
