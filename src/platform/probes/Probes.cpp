#include "platform/probes/Probes.h"

#include "platform/files/Files.h"

namespace platform {

bool CanLoadLibrary(std::u16string_view name) {
    if (name.empty() || name.find(u'\\') != std::u16string_view::npos) return false;
    return IsFile(u"\\Windows\\" + std::u16string(name));
}

bool CanCreateSocket(SocketFamily family) {
    if (!HasCurrentDevice()) return false;
    const DeviceInfo& info = CurrentDevice().Info();
    return family == SocketFamily::Infrared ? info.irdaSockets : info.bluetoothSockets;
}

bool GetRadioDevices(std::vector<RadioDevice>& radios) {
    if (!CanLoadLibrary(u"ossvcs.dll")) return false;
    radios = CurrentDevice().Info().radios;
    return true;
}

int CameraDeviceCount() {
    if (!HasCurrentDevice()) return 0;
    int n = CurrentDevice().Info().cameras;
    return n > 0 ? n : 0;
}

}  // namespace platform
