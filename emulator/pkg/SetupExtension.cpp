#include "pkg/SetupExtension.h"

#include <dlfcn.h>

namespace pkg {

std::unique_ptr<SetupExtension> SetupExtension::Load(const std::filesystem::path& path, std::string* error) {
    std::unique_ptr<SetupExtension> ext(new SetupExtension());
    // RTLD_LOCAL: two packages' extensions never see each other's symbols.
    ext->library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!ext->library) {
        const char* why = ::dlerror();
        if (error) *error = std::string("the setup extension cannot be loaded: ") + (why ? why : "unknown error");
        return nullptr;
    }
    auto find = [&](const char* name) {
        void* sym = ::dlsym(ext->library, name);
        if (!sym && error) *error = std::string("the setup extension lacks ") + name;
        return sym;
    };
    ext->installInit = reinterpret_cast<InstallInitFn>(find("Install_Init"));
    ext->installExit = reinterpret_cast<InstallExitFn>(find("Install_Exit"));
    ext->uninstallInit = reinterpret_cast<UninstallInitFn>(find("Uninstall_Init"));
    ext->uninstallExit = reinterpret_cast<UninstallExitFn>(find("Uninstall_Exit"));
    if (!ext->installInit || !ext->installExit || !ext->uninstallInit || !ext->uninstallExit) return nullptr;
    return ext;
}

SetupExtension::~SetupExtension() {
    if (library) ::dlclose(library);
}

int32_t SetupExtension::InstallInit(std::u16string_view installDir, bool previouslyInstalled) {
    std::u16string dir(installDir);
    return installInit(nullptr, 1, previouslyInstalled ? 1 : 0, dir.c_str());
}

int32_t SetupExtension::InstallExit(std::u16string_view installDir) {
    std::u16string dir(installDir);
    return installExit(nullptr, dir.c_str(), 0, 0, 0, 0, 0);
}

int32_t SetupExtension::UninstallInit(std::u16string_view installDir) {
    std::u16string dir(installDir);
    return uninstallInit(nullptr, dir.c_str());
}

int32_t SetupExtension::UninstallExit() { return uninstallExit(nullptr); }

}  // namespace pkg
