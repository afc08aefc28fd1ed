#pragma once
#include <atomic>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/device/DeviceRoot.h"

// A fresh device root below the system's temporary folder, selected as the
// current device for the test and removed afterwards.
class TempRoot {
public:
    explicit TempRoot(platform::DeviceInfo info = {}) {
        static std::atomic<int> counter{0};
        path = std::filesystem::temp_directory_path() /
               ("tobrix-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        platform::SetCurrentDevice(platform::DeviceRoot(path, std::move(info)));
    }
    ~TempRoot() {
        platform::ClearCurrentDevice();
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    std::filesystem::path path;
};
