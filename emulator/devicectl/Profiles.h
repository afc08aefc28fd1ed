#pragma once
#include <string>
#include <vector>

#include "platform/device/DeviceRoot.h"

// The handhelds devicectl can make: what each one says about itself, which
// probe libraries lie in its \Windows\ folder and which drivers are active.
namespace devicectl {

struct Profile {
    std::string name;
    std::string description;
    platform::DeviceInfo info;
    std::vector<std::string> libraries;  // marker files in the \Windows\ folder
    bool gpsDriver = false;              // an active driver whose key names the GPS receiver
};

const std::vector<Profile>& Profiles();
const Profile* FindProfile(const std::string& name);

}  // namespace devicectl
