// device.json: whatever the description holds, opening the device gives a
// usable description or a clear refusal, the device's paths never leave its
// root, and a description written back reads the same.
#include "FuzzSupport.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/Files.h"

using platform::DeviceRoot;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::ScratchDir dir("device");
    const auto root = dir.path / "root";
    std::filesystem::create_directories(root);
    dir.Put("root/device.json", data, size);
    std::string error;
    auto device = DeviceRoot::Open(root, &error);
    if (!device) {
        fuzz::Check(!error.empty(), "a refused description without a reason");
        return 0;
    }
    platform::SetCurrentDevice(*device);
    // Storage cards are folder names from the description: none may lead
    // outside the device.
    for (const auto& card : platform::StorageCards()) {
        auto host = platform::HostPathOf(card);
        fuzz::Check(host && host->string().starts_with(root.string() + "/"), "a storage card outside the device");
    }
    platform::ClearCurrentDevice();

    fuzz::Check(device->Save(&error), "a description that was read cannot be written back");
    auto again = DeviceRoot::Open(root, &error);
    fuzz::Check(again.has_value(), "a description written back cannot be read");
    const auto &a = device->Info(), &b = again->Info();
    fuzz::Check(a.profile == b.profile && a.platformType == b.platformType && a.screenWidth == b.screenWidth &&
                    a.screenHeight == b.screenHeight && a.storageCards == b.storageCards &&
                    a.catalogUrl == b.catalogUrl && a.networkUp == b.networkUp,
                "a description changed when written back");
    return 0;
}
