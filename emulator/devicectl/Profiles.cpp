#include "Profiles.h"

namespace devicectl {
namespace {

using platform::DeviceInfo;
using platform::RadioDevice;

const RadioDevice kPhoneRadio{"RIL1", "Phone", 2, true};
const RadioDevice kWlanRadio{"WLAN1", "Wi-Fi", 1, true};
const RadioDevice kBluetoothRadio{"BTH1", "Bluetooth", 3, false};

DeviceInfo Info(std::string name, std::string platformType, int minor, int build, int width, int height, int dpi) {
    DeviceInfo d;
    d.profile = std::move(name);
    d.platformType = std::move(platformType);
    d.osMajor = 5;
    d.osMinor = minor;
    d.osBuild = build;
    d.screenWidth = width;
    d.screenHeight = height;
    d.orientation = 0;
    d.dpi = dpi;
    // Font and icon sizes follow the pixel density, as the device's own
    // system metrics do: 12-pixel system font and 32-pixel icons at 96 DPI,
    // scaled and rounded (131 DPI gives 16 and 44).
    d.systemFontHeight = (12 * dpi + 48) / 96;
    d.iconSize = (32 * dpi + 48) / 96;
    d.localeId = "0409";
    d.touch = d.platformType == "PocketPC";
    d.networkUp = true;
    return d;
}

std::vector<Profile> Build() {
    std::vector<Profile> all;

    Profile vga{"wm65-vga", "6.5 Professional, 480x640 at 192 DPI, phone, Wi-Fi, Bluetooth, GPS, camera, 3D, card",
                Info("wm65-vga", "PocketPC", 2, 23090, 480, 640, 192),
                {"phone.dll", "ossvcs.dll", "libgles_cm.dll"}, true};
    vga.info.bluetoothSockets = true;
    vga.info.radios = {kPhoneRadio, kWlanRadio, kBluetoothRadio};
    vga.info.cameras = 1;
    vga.info.storageCards = {"Storage Card"};
    all.push_back(vga);

    Profile sp{"wm5-sp-176x220", "5 Smartphone, 176x220 at 96 DPI, phone and infrared, no touch, no card",
               Info("wm5-sp-176x220", "Smartphone", 1, 14847, 176, 220, 96),
               {"phone.dll", "ossvcs.dll"}, false};
    sp.info.irdaSockets = true;
    sp.info.radios = {kPhoneRadio};
    all.push_back(sp);

    Profile qvga{"wm6-qvga", "6 Professional, 240x320 at 96 DPI, phone, Wi-Fi, Bluetooth, infrared, camera, card",
                 Info("wm6-qvga", "PocketPC", 2, 19202, 240, 320, 96),
                 {"phone.dll", "ossvcs.dll"}, false};
    qvga.info.irdaSockets = true;
    qvga.info.bluetoothSockets = true;
    qvga.info.radios = {kPhoneRadio, kWlanRadio, kBluetoothRadio};
    qvga.info.cameras = 1;
    qvga.info.storageCards = {"Storage Card"};
    all.push_back(qvga);

    Profile wvga{"wm65-wvga",
                 "6.5 Professional, 480x800 at 192 DPI, everything including accelerometer, two cards",
                 Info("wm65-wvga", "PocketPC", 2, 21916, 480, 800, 192),
                 {"phone.dll", "ossvcs.dll", "libgles_cm.dll", "HTCSensorSDK.dll"}, true};
    wvga.info.bluetoothSockets = true;
    wvga.info.radios = {kPhoneRadio, kWlanRadio, kBluetoothRadio};
    wvga.info.cameras = 2;
    wvga.info.storageCards = {"Storage Card", "Storage Card2"};
    all.push_back(wvga);

    Profile spl{"wm65-sp-320x240", "6.5 Standard, 320x240 landscape at 131 DPI, phone, Wi-Fi, Bluetooth, GPS",
                Info("wm65-sp-320x240", "Smartphone", 2, 23090, 320, 240, 131),
                {"phone.dll", "ossvcs.dll"}, true};
    spl.info.bluetoothSockets = true;
    spl.info.radios = {kPhoneRadio, kWlanRadio, kBluetoothRadio};
    spl.info.storageCards = {"Storage Card"};
    all.push_back(spl);

    return all;
}

}  // namespace

const std::vector<Profile>& Profiles() {
    static const std::vector<Profile> all = Build();
    return all;
}

const Profile* FindProfile(const std::string& name) {
    for (const auto& p : Profiles())
        if (p.name == name) return &p;
    return nullptr;
}

}  // namespace devicectl
