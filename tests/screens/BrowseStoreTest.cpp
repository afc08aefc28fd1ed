#include <gtest/gtest.h>

#include <functional>

#include "support/StoreProgramFixture.h"

// The tobrix program itself, headless, browsing a seeded catalogd: signed in
// with remembered credentials, as a person would use it.
namespace {

using nlohmann::json;

using BrowseStoreTest = StoreProgramFixture;

// A script speaks of the screen in one set of coordinates: the middle of
// every button that dump-tree reports on screen, pressed with "down", is that
// very button, whatever lies above the window (the task bar).
TEST_P(BrowseStoreTest, TheMiddleOfEveryDumpedButtonIsWhereItsTapLands) {
    const std::string open = "tap-text Categories\nwait-idle\n";  // a header with a path, and rows
    const auto before = device->Scratch("buttons.json");
    ASSERT_EQ(Run(open + "dump-tree " + before.string() + "\n").exitCode, 0);
    const json tree = ReadTree(before);
    // The window, in screen pixels: below the task bar.
    const std::vector<int> window = tree["rect"].get<std::vector<int>>();
    ASSERT_GT(window[1], 0);
    std::vector<std::vector<int>> buttons;  // x, y, width, height
    std::function<void(const json&)> collect = [&](const json& node) {
        const std::string type = node.value("type", "");
        const std::vector<int> r = node["rect"].get<std::vector<int>>();
        if (node.value("onScreen", false) && (type.starts_with("TPushButton") || type.starts_with("THot")) &&
            r[0] >= window[0] && r[1] >= window[1] && r[0] + r[2] <= window[0] + window[2] &&
            r[1] + r[3] <= window[1] + window[3])
            buttons.push_back(r);
        for (const auto& child : node["children"]) collect(child);
    };
    collect(tree);
    ASSERT_GE(buttons.size(), 4u) << "the path, the home icon and rows";

    // Each pressed where the dump put it, and let go beside the screen so
    // that nothing opens.
    std::string script = open;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const auto& b = buttons[i];
        const std::string middle = std::to_string(b[0] + b[2] / 2) + " " + std::to_string(b[1] + b[3] / 2);
        const std::string aside = std::to_string(window[2] + 40) + " " + std::to_string(b[1] + b[3] / 2);
        script += "down " + middle + "\ndump-tree " + device->Scratch("pressed" + std::to_string(i) + ".json").string() +
                  "\nmove " + aside + "\nup " + aside + "\nwait-idle\n";
    }
    ASSERT_EQ(Run(script).exitCode, 0);
    for (size_t i = 0; i < buttons.size(); ++i) {
        std::vector<std::vector<int>> pressed;
        std::function<void(const json&)> find = [&](const json& node) {
            if (node.value("pressed", false)) pressed.push_back(node["rect"].get<std::vector<int>>());
            for (const auto& child : node["children"]) find(child);
        };
        find(ReadTree(device->Scratch("pressed" + std::to_string(i) + ".json")));
        EXPECT_EQ(pressed, std::vector<std::vector<int>>{buttons[i]}) << "button " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles, BrowseStoreTest, ::testing::ValuesIn(kProfiles), ProfileName);

}  // namespace
