// Stands in for the store's program in the package tests: records the device
// command line it was started with in <device root>/standin.log (written
// aside and renamed, so a reader never sees half of it).
#include <cstdio>
#include <fstream>
#include <string>

#include "base/Text.h"
#include "platform/device/DeviceRoot.h"
#include "platform/process/Process.h"

int main() {
    if (!platform::UseDeviceFromEnvironment()) return 2;
    auto line = platform::DeviceCommandLine();
    if (!line) return 3;
    auto target = platform::CurrentDevice().Root() / "standin.log";
    auto partial = target;
    partial += ".partial";
    {
        std::ofstream out(partial, std::ios::binary);
        out << U8(*line);
    }
    return std::rename(partial.c_str(), target.c_str()) == 0 ? 0 : 1;
}
