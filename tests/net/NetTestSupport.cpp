#include "NetTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "core/Kestrum.h"
#include "platform/device/DeviceRoot.h"

namespace nettest {
namespace {

struct Environment : ::testing::Environment {
    void SetUp() override {
        Root() = std::filesystem::temp_directory_path() / ("tobrix-net-" + std::to_string(::getpid()));
        std::filesystem::create_directories(Root() / "Program Files" / "Tobrix" / "cabs");
        platform::DeviceRoot device(Root());
        platform::SetCurrentDevice(device);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(Root(), ec);
    }
    static std::filesystem::path& Root() {
        static std::filesystem::path root;
        return root;
    }
};

const bool registered = [] {
    ::testing::AddGlobalTestEnvironment(new Environment);
    return true;
}();

}  // namespace

ServicesScope::ServicesScope() { Kestrum::Instance().SetApplication(&services); }

ServicesScope::~ServicesScope() { Kestrum::Instance().SetApplication(nullptr); }

const std::filesystem::path& DeviceRootPath() { return Environment::Root(); }

void SetNetworkUp(bool up) { platform::MutableCurrentDevice().MutableInfo().networkUp = up; }

void SetConnectDelay(std::chrono::milliseconds delay) {
    platform::MutableCurrentDevice().MutableInfo().connectDelayMs = static_cast<int>(delay.count());
}

void SetLink(const platform::DataLink& link) { platform::MutableCurrentDevice().MutableInfo().link = link; }

}  // namespace nettest
