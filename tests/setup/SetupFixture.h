#pragma once
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "base/Text.h"
#include "support/ProgramRun.h"
#include "platform/device/DeviceRoot.h"
#include "platform/dialog/MessageBox.h"
#include "platform/process/Process.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"

// A fresh emulated device per test, selected here and exported to the device
// programs the test starts. Standard input is emptied, so that no message box
// ever waits for someone at the terminal: unscripted boxes take their default.
class SetupFixture : public ::testing::Test {
protected:
    void SetUp() override { MakeDevice("PocketPC"); }
    void TearDown() override {
        registry.reset();
        platform::ClearCurrentDevice();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    void MakeDevice(const std::string& platformType) {
        static std::atomic<int> counter{0};
        ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
        root = std::filesystem::temp_directory_path() /
               ("tobrix-setup-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(root);
        for (const char* dir : {"Windows/Start Menu/Programs", "Program Files", "My Documents"})
            std::filesystem::create_directories(root / dir);
        platform::DeviceInfo info;
        info.platformType = platformType;
        platform::DeviceRoot device(root, info);
        ASSERT_TRUE(device.Save());
        platform::SetCurrentDevice(device);
        ::setenv("TOBRIX_DEVICE_ROOT", root.c_str(), 1);
        registry = platform::Registry::Current();
        ASSERT_TRUE(registry);
    }

    std::filesystem::path Host(std::u16string_view devicePath) const {
        return *platform::CurrentDevice().HostPath(devicePath);
    }
    bool Exists(std::u16string_view devicePath) const { return std::filesystem::exists(Host(devicePath)); }
    static std::string Read(const std::filesystem::path& p) { return ReadAll(p); }
    void Write(std::u16string_view devicePath, const std::string& bytes) const {
        auto host = Host(devicePath);
        std::filesystem::create_directories(host.parent_path());
        std::ofstream(host, std::ios::binary) << bytes;
    }
    bool KeyExists(platform::Hive hive, std::u16string_view path) const {
        return registry->OpenKey(hive, path).has_value();
    }
    std::u16string StringValue(platform::Hive hive, std::u16string_view key, std::u16string_view name) const {
        std::u16string out;
        if (auto k = registry->OpenKey(hive, key)) k->ReadString(name, out);
        return out;
    }
    uint32_t StoreRevision() const {
        uint32_t out = 0;
        if (auto k = registry->OpenKey(platform::Hive::LocalMachine, u"Software\\Tobrix"))
            k->ReadDword(u"TobrixRevision", out);
        return out;
    }
    void Answer(const std::vector<std::string>& words) const {
        std::string error;
        ASSERT_TRUE(platform::ScriptMessageBoxAnswers(words, &error)) << error;
    }
    // The message boxes shown so far, one line each.
    std::string BoxLog() const { return Read(root / "msgbox.log"); }

    std::filesystem::path root;
    std::shared_ptr<platform::Registry> registry;
};
