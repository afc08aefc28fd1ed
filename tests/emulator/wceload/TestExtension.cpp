// A setup extension for the installer tests. It logs every call to
// <TOBRIX_DEVICE_ROOT>/extension.log and behaves as TOBRIX_TEST_EXTENSION
// says: "cancel-init", "undo-exit", "refuse-uninstall", or normal.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string Narrow(const char16_t* s) {
    std::string out;
    for (; s && *s; ++s) out += static_cast<char>(*s < 0x80 ? *s : '?');
    return out;
}

void Log(const std::string& line) {
    const char* root = std::getenv("TOBRIX_DEVICE_ROOT");
    if (!root) return;
    std::ofstream(std::string(root) + "/extension.log", std::ios::app) << line << "\n";
}

bool Mode(const char* mode) {
    const char* m = std::getenv("TOBRIX_TEST_EXTENSION");
    return m && std::string(m) == mode;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int32_t Install_Init(void*, int32_t firstCall, int32_t previouslyInstalled,
                                                            const char16_t* installDir) {
    Log("Install_Init " + Narrow(installDir) + " " + std::to_string(firstCall) + " " +
        std::to_string(previouslyInstalled));
    return Mode("cancel-init") ? 1 : 0;
}

__attribute__((visibility("default"))) int32_t Install_Exit(void*, const char16_t* installDir, uint16_t, uint16_t,
                                                            uint16_t, uint16_t, uint16_t) {
    Log("Install_Exit " + Narrow(installDir));
    return Mode("undo-exit") ? 1 : 0;
}

__attribute__((visibility("default"))) int32_t Uninstall_Init(void*, const char16_t* installDir) {
    Log("Uninstall_Init " + Narrow(installDir));
    return Mode("refuse-uninstall") ? 1 : 0;
}

__attribute__((visibility("default"))) int32_t Uninstall_Exit(void*) {
    Log("Uninstall_Exit");
    return 0;
}
}
