#include <gtest/gtest.h>

#include <functional>

#include "StoreProgramFixture.h"

// The store on a 176x220 Smartphone: the captions a person reads to find
// their way (titles, menu and category rows, buttons, switch rows, the sort
// link and the review form's first line) show whole, neither cut with an
// ellipsis nor wrapped past their row.
namespace {

using nlohmann::json;

constexpr int kWebReader = 9;

const json* FindShown(const json& node, const std::function<bool(const std::string&)>& match) {
    if (node.value("onScreen", false) && node.contains("text") && match(node["text"].get<std::string>())) return &node;
    for (const auto& child : node["children"])
        if (const json* found = FindShown(child, match)) return found;
    return nullptr;
}

void CollectCutButtons(const json& node, std::vector<std::string>& out) {
    if (node.value("onScreen", false) && node.value("cut", false) &&
        node.value("type", "").find("TPushButton") != std::string::npos)
        out.push_back(node.value("text", ""));
    for (const auto& child : node["children"]) CollectCutButtons(child, out);
}

class SmallScreenCaptionsTest : public StoreProgramFixture {
protected:
    std::string Dump(const std::string& name) const {
        return "dump-tree " + device->Scratch(name + ".json").string() + "\n";
    }
    json Tree(const std::string& name) const { return ReadTree(device->Scratch(name + ".json")); }

    // The caption `text` (or, ending in "(", the row that starts so) is on
    // screen in the dump `tree` and whole.
    void ExpectWhole(const std::string& tree, const std::string& text) {
        const bool prefix = text.back() == '(';
        const json dump = Tree(tree);
        const json* label = FindShown(dump, [&](const std::string& t) {
            return prefix ? t.rfind(text, 0) == 0 : t == text;
        });
        ASSERT_TRUE(label) << text << " is not shown on " << tree;
        EXPECT_FALSE(label->value("cut", true)) << label->value("text", "") << " is cut on " << tree;
    }

    static constexpr const char* kDragUp =
        "down 88 180\nmove 88 150\nsleep 100\nmove 88 120\nsleep 100\nmove 88 90\nsleep 100\n"
        "move 88 60\nsleep 300\nup 88 60\nwait-idle\n";
};

TEST_P(SmallScreenCaptionsTest, KeyCaptionsShowWhole) {
    const std::string back = "key soft1\nwait-idle\n";
    StoreRun run = Run(std::string(kDragUp) + kDragUp + "tap-text Write a review\nwait-idle\n" + Dump("review") +
                           back + back + "tap-text Categories\nwait-idle\n" + Dump("categories") +
                           "tap-text-start Games(\nwait-idle\n" + Dump("games") +
                           "tap-text-start All applications(\nwait-idle\n" + Dump("list") + back + back + back +
                           kDragUp + "tap-text My applications\nwait-idle\n" + Dump("myapps") + back + kDragUp +
                           "tap-text Settings\nwait-idle\n" + Dump("settings") +
                           "screenshot " + ShotFile("captions-settings") + "\n",
                       {"\"tobrix://" + std::to_string(kWebReader) + "/\""});
    ASSERT_EQ(run.exitCode, 0) << run.errors;

    ExpectWhole("review", "Write a review");
    ExpectWhole("review", "Your rating:");
    ExpectWhole("review", "Report a problem");
    ExpectWhole("categories", "All categories");
    ExpectWhole("games", "Games");
    ExpectWhole("games", "All applications(");
    ExpectWhole("list", "By downloads");
    ExpectWhole("myapps", "My applications");
    ExpectWhole("myapps", "Run");
    ExpectWhole("myapps", "Uninstall");
    ExpectWhole("settings", "Settings");
    ExpectWhole("settings", "Keep packages on the card");
    ExpectWhole("settings", "Hardware keyboard");
    for (const char* tree : {"review", "categories", "games", "list", "myapps", "settings"}) {
        std::vector<std::string> cut;
        CollectCutButtons(Tree(tree), cut);
        EXPECT_TRUE(cut.empty()) << "cut buttons on " << tree << ": " << (cut.empty() ? "" : cut.front());
    }
}

INSTANTIATE_TEST_SUITE_P(Smartphone, SmallScreenCaptionsTest, ::testing::Values("wm5-sp-176x220"), ProfileName);

}  // namespace
