#pragma once
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "support/ProgramRun.h"
#include "platform/device/DeviceRoot.h"
#include "platform/registry/Registry.h"

// A fresh emulated device per test: a temporary root with device.json, the
// usual folders and an empty registry, selected as the current device and
// exported as TOBRIX_DEVICE_ROOT for the programs the test starts.
class DeviceFixture : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        root = std::filesystem::temp_directory_path() /
               ("tobrix-emu-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(root);
        for (const char* dir : {"Windows/Start Menu/Programs", "Program Files", "My Documents", "Storage Card"})
            std::filesystem::create_directories(root / dir);
        platform::DeviceInfo info;
        info.storageCards = {"Storage Card"};
        platform::DeviceRoot device(root, info);
        ASSERT_TRUE(device.Save());
        platform::SetCurrentDevice(device);
        ::setenv("TOBRIX_DEVICE_ROOT", root.c_str(), 1);
        ::unsetenv("TOBRIX_TEST_EXTENSION");
        registry = platform::Registry::Current();
        ASSERT_TRUE(registry);
    }
    void TearDown() override {
        registry.reset();
        ::unsetenv("TOBRIX_TEST_EXTENSION");
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    std::filesystem::path Host(const std::string& devicePath) const {
        return *platform::CurrentDevice().HostPath(std::u16string(devicePath.begin(), devicePath.end()));
    }
    static std::string Read(const std::filesystem::path& p) { return ReadAll(p); }
    std::string ReadDevice(const std::string& devicePath) const { return ReadAll(Host(devicePath)); }
    // Every file and folder below the root except the registry's own files
    // and the logs, relative: what a failed installation must leave as it was.
    std::set<std::string> Tree() const {
        std::set<std::string> out;
        for (auto& e : std::filesystem::recursive_directory_iterator(root)) {
            std::string rel = std::filesystem::relative(e.path(), root).string();
            if (rel.rfind("registry.db", 0) == 0 || rel == "extension.log" || rel == "launch.log") continue;
            out.insert(rel);
        }
        return out;
    }
    bool KeyExists(platform::Hive hive, const std::u16string& path) const {
        return registry->OpenKey(hive, path).has_value();
    }
    // A value, or nothing when it or its key is missing.
    std::optional<platform::RegistryValue> Value(platform::Hive hive, const std::u16string& key,
                                                 const std::u16string& name) const {
        auto k = registry->OpenKey(hive, key);
        return k ? k->Read(name) : std::nullopt;
    }
    // The tree with the package file the test wrote for the installer left out.
    std::set<std::string> TreeWithoutPackage() const {
        auto tree = Tree();
        tree.erase("My Documents/package.cab");
        return tree;
    }

    std::filesystem::path root;
    std::shared_ptr<platform::Registry> registry;
};
