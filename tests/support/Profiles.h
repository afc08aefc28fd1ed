#pragma once
// The device profiles a screen is tried on: a Pocket PC with a 480x640 touch
// screen, and a Smartphone with 176x220 and keys alone. Suites instantiate
// their store tests with kProfiles (or kVga for what the screen does not
// change) and name the instances with ProfileName.
#include <string>
#include <vector>

#include <gtest/gtest.h>

inline const std::vector<std::string> kProfiles = {"wm65-vga", "wm5-sp-176x220"};
inline const std::vector<std::string> kVga = {"wm65-vga"};

inline std::string ProfileName(const ::testing::TestParamInfo<std::string>& info) {
    return info.param == "wm65-vga" ? "Vga" : "Smartphone";
}
