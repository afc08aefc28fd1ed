#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

// A package's setup extension: a host shared library with the device's four
// installer entry points, loaded by the installer for one installation or
// removal. Texts are the device's UTF-16 strings; the owner window is always
// null on the emulated device.
extern "C" {
using InstallInitFn = int32_t (*)(void* owner, int32_t firstCall, int32_t previouslyInstalled,
                                  const char16_t* installDir);
using InstallExitFn = int32_t (*)(void* owner, const char16_t* installDir, uint16_t failedDirs,
                                  uint16_t failedFiles, uint16_t failedRegKeys, uint16_t failedRegValues,
                                  uint16_t failedShortcuts);
using UninstallInitFn = int32_t (*)(void* owner, const char16_t* installDir);
using UninstallExitFn = int32_t (*)(void* owner);
}

namespace pkg {

// Results of the entry points: 0 continues (init) or is done (exit); 1 asks the
// installer to stop (init) or to undo the installation (Install_Exit).
constexpr int32_t kSetupContinue = 0;
constexpr int32_t kSetupCancel = 1;

class SetupExtension {
public:
    // Loads the library and finds all four entry points; nullptr with `error`
    // when it is not a loadable library or lacks one of them.
    static std::unique_ptr<SetupExtension> Load(const std::filesystem::path& library, std::string* error);
    ~SetupExtension();
    SetupExtension(const SetupExtension&) = delete;
    SetupExtension& operator=(const SetupExtension&) = delete;

    int32_t InstallInit(std::u16string_view installDir, bool previouslyInstalled);
    int32_t InstallExit(std::u16string_view installDir);
    int32_t UninstallInit(std::u16string_view installDir);
    int32_t UninstallExit();

private:
    SetupExtension() = default;
    void* library = nullptr;
    InstallInitFn installInit = nullptr;
    InstallExitFn installExit = nullptr;
    UninstallInitFn uninstallInit = nullptr;
    UninstallExitFn uninstallExit = nullptr;
};

}  // namespace pkg
