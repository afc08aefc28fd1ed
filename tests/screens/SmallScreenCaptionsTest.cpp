#include <gtest/gtest.h>

#include <functional>

#include "ScreensProgramFixture.h"

// The store on a 176x220 Smartphone: the captions the screens fit to their
// room (menu and category rows, the sort link and the review form's first
// line) show whole, neither cut with an ellipsis nor wrapped past their row.
// Titles, buttons and switch rows keep the layouts' shares and may be cut,
// but the header's path stays on screen to be tapped.
namespace {

using nlohmann::json;

constexpr int kWebReader = 9;

const json* FindShown(const json& node, const std::function<bool(const std::string&)>& match) {
    if (node.value("onScreen", false) && node.contains("text") && match(node["text"].get<std::string>())) return &node;
    for (const auto& child : node["children"])
        if (const json* found = FindShown(child, match)) return found;
    return nullptr;
}

class SmallScreenCaptionsTest : public ScreensProgramFixture {
protected:
    // The caption `text` (or, ending in "(", the row that starts so) is on
    // screen in the dump `tree`, and whole unless `mayBeCut`.
    void ExpectWhole(const std::string& tree, const std::string& text, bool mayBeCut = false) {
        const bool prefix = text.back() == '(';
        const json dump = Tree(tree);
        const json* label = FindShown(dump, [&](const std::string& t) {
            return prefix ? t.rfind(text, 0) == 0 : t == text;
        });
        ASSERT_TRUE(label) << text << " is not shown on " << tree;
        if (!mayBeCut) {
            EXPECT_FALSE(label->value("cut", true)) << label->value("text", "") << " is cut on " << tree;
        }
    }

    static constexpr const char* kDragUp =
        "down 88 180\nmove 88 150\nsleep 100\nmove 88 120\nsleep 100\nmove 88 90\nsleep 100\n"
        "move 88 60\nsleep 300\nup 88 60\nwait-idle\n";
};

TEST_P(SmallScreenCaptionsTest, FittedCaptionsShowWholeAndTheHeaderKeepsItsPath) {
    const std::string back = "key soft1\nwait-idle\n";
    StoreRun run = Run(std::string(kDragUp) + kDragUp + "tap-text Write a review\nwait-idle\n" + Dump("review") +
                           back + back + "tap-text Categories\nwait-idle\n" + Dump("categories") +
                           "tap-text-start Games(\nwait-idle\n" + Dump("games") +
                           "tap-text-start All applications(\nwait-idle\n" + Dump("list") + back + back + back +
                           kDragUp + "tap-text My applications\nwait-idle\n" + Dump("myapps") + back + kDragUp +
                           "tap-text Settings\nwait-idle\n" + Dump("settings") +
                           "screenshot " + ShotFile("captions-settings") + "\n",
                       kWebReader);
    ASSERT_TRUE(Succeeded(run));

    using Caption = std::pair<const char*, const char*>;  // the dump, the text
    const Caption whole[] = {{"review", "Your rating:"}, {"review", "Report a problem"}, {"games", "All applications("},
                             {"list", "By downloads"}, {"myapps", "Run"}};
    for (const auto& [tree, text] : whole) ExpectWhole(tree, text);
    // A long title leaves the path its third of the header.
    const Caption shown[] = {{"review", "Write a review"}, {"categories", "All categories"}, {"categories", "Main menu"},
                             {"games", "Games"}, {"games", "All categories"}, {"myapps", "My applications"},
                             {"myapps", "Main menu"}, {"myapps", "Uninstall"}, {"settings", "Settings"},
                             {"settings", "Keep packages on the card"}};
    for (const auto& [tree, text] : shown) ExpectWhole(tree, text, true);
}

INSTANTIATE_TEST_SUITE_P(Smartphone, SmallScreenCaptionsTest, ::testing::Values("wm5-sp-176x220"), ProfileName);

}  // namespace
