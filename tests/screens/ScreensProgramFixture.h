#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"
#include "support/StoreProgramFixture.h"

// The program fixture with what the screens' program suites look at after a
// run: dumps of the screen by name, the registry's word on an installation,
// and the package files the catalog serves.
class ScreensProgramFixture : public StoreProgramFixture {
protected:
    using StoreProgramFixture::Run;
    // Signs in, then opens that application's details the way a "tobrix" link does.
    StoreRun Run(const std::string& body, int appId) { return Run(body, Link(appId)); }
    static std::vector<std::string> Link(int appId) { return {"\"tobrix://" + std::to_string(appId) + "/\""}; }

    std::string Dump(const std::string& name) const {
        return "dump-tree " + device->Scratch(name + ".json").string() + "\n";
    }
    nlohmann::json Tree(const std::string& name) const { return ReadTree(device->Scratch(name + ".json")); }

    static bool Installed(const std::u16string& sysid) {
        return platform::OpenRegistryKey(platform::Hive::LocalMachine, u"\\Security\\AppInstall\\" + sysid).has_value();
    }
    std::filesystem::path Package(const std::string& name) const {
        for (const auto& e : std::filesystem::recursive_directory_iterator(server.Assets()))
            if (e.path().filename() == name) return e.path();
        return {};
    }
};
