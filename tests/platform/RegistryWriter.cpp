// Test helper: one of several processes writing into the same registry file
// at once. Usage: registry_writer FILE NAME COUNT
// Writes COUNT DWORD values NAME-<i> = i into HKLM\Software\Concurrent and
// creates one subkey per hundred values; exits 1 on the first failed call.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Text.h"
#include "platform/registry/Registry.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    std::string error;
    auto registry = platform::Registry::OpenFile(argv[1], &error);
    if (!registry) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::string name = argv[2];
    int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        // Re-created every time on purpose: key creation races with the
        // other writers' creation of the same key.
        auto key = registry->CreateKey(platform::Hive::LocalMachine, u"Software\\Concurrent");
        if (!key || !key->WriteDword(U16(name + "-" + std::to_string(i)), static_cast<uint32_t>(i))) {
            std::fprintf(stderr, "write %d failed\n", i);
            return 1;
        }
        if (i % 100 == 0 && !key->CreateSubkey(U16(name + "\\" + std::to_string(i)))) {
            std::fprintf(stderr, "subkey %d failed\n", i);
            return 1;
        }
    }
    return 0;
}
