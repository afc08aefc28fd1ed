#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/device/DeviceRoot.h"

// The questions feature detection asks the device. On the emulated device a
// library "exists" when its marker file lies in the device's \Windows\ folder,
// and sockets, radios and cameras are what device.json says.
namespace platform {

// A library of the device's \Windows\ folder can be loaded by its file name
// ("phone.dll", any letter case). A name with a path or a hostile name is
// never loaded.
bool CanLoadLibrary(std::u16string_view name);

enum class SocketFamily { Infrared = 22, Bluetooth = 32 };
// A stream socket of the family can be created (and is closed again at once).
bool CanCreateSocket(SocketFamily family);

// The radio devices the radio-management library lists. False when that
// library ("ossvcs.dll") is missing, as its entry points cannot be reached.
bool GetRadioDevices(std::vector<RadioDevice>& radios);

// The number of devices of the camera class the device manager lists.
int CameraDeviceCount();

}  // namespace platform
