#pragma once
#include <chrono>
#include <filesystem>

#include "core/PlainAppServices.h"
#include "platform/device/DeviceRoot.h"

// One emulated device for the whole test program (a fresh temporary root).
// Each test installs its own plain application services in the store state
// and takes them out again.
namespace nettest {

const std::filesystem::path& DeviceRootPath();
void SetNetworkUp(bool up);
// How long the emulated device takes to bring a data connection up.
void SetConnectDelay(std::chrono::milliseconds delay);
// Shapes the device's data link (an empty profile: unshaped).
void SetLink(const platform::DataLink& link);

class ServicesScope {
public:
    ServicesScope();
    ~ServicesScope();
    PlainAppServices services;
};

}  // namespace nettest
