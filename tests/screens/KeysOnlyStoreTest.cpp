#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/StoreProgramFixture.h"
#include "platform/registry/Registry.h"

// The tobrix program on a Smartphone, which has no touch screen, used with
// its D-pad, soft keys and keypad alone. Every walk checks where the key
// highlight is before it presses Enter, and what the screen shows after.
namespace {

using nlohmann::json;

constexpr int kWebReader = 9;  // "Orbit Web Reader": screenshots and four reviews

bool AnyKeyFocus(const json& node) {
    if (node.value("keyFocus", false)) return true;
    for (const auto& child : node["children"])
        if (AnyKeyFocus(child)) return true;
    return false;
}

class KeysOnlyStoreTest : public StoreProgramFixture {
protected:
    // The walk's screenshots go where the other store tests put theirs.
    std::string Shot(const std::string& name) const { return "screenshot " + ShotFile("keys-" + name) + "\n"; }
    std::string Dump(const std::string& name) const {
        return "dump-tree " + device->Scratch(name + ".json").string() + "\n";
    }
    json Tree(const std::string& name) const { return ReadTree(device->Scratch(name + ".json")); }
    std::string LaunchLog() const {
        std::ifstream in(device->Root() / "launch.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

}  // namespace

// Another language and back, the password restore and a registration, then
// the sign-in itself.
TEST_P(KeysOnlyStoreTest, SignInScreens) {
    StoreRun run = RunStore(*device, R"(wait-idle
expect-highlight demo
key up
expect-highlight Choose language
key enter
wait-idle
expect-highlight English
key down
key enter
wait-idle
expect-text Вход
expect-highlight Выбрать язык
key enter
wait-idle
key up
key enter
wait-idle
expect-highlight Choose language
key down 3
expect-highlight Forgot your password?
key enter
wait-idle
expect-text Password recovery
type demo
key soft2
wait-idle
expect-text Your password has been sent to the e-mail address of your account.
key soft1
wait-idle
expect-highlight Forgot your password?
key down
key enter
wait-idle
expect-text Registration
type keys
key down
type keys@example.org
key down
type secret
key down
type secret
)" + Shot("register") + R"(key soft2
wait-idle
expect-text Registration complete. We have sent an activation link to your e-mail address.
key soft1
wait-idle
expect-highlight Create an account
key soft1
wait-idle
expect-text Main menu
expect-highlight New
quit
)", text::Utf16ToUtf8(server.BaseUrl()));
    ASSERT_TRUE(Succeeded(run));
}

// An application of a category's list installed from its details, then run
// and removed from My applications, opened again from the main menu that the
// title bar's home icon leads back to. (The keys-only tour walks the price
// filter and the sort order.)
TEST_P(KeysOnlyStoreTest, BrowseInstallRunAndUninstall) {
    StoreRun run = Run(R"(key down 2
expect-highlight Categories
key enter
wait-idle
expect-highlight Games(
key enter
wait-idle
key down
expect-highlight Puzzles(
key enter
wait-idle
expect-highlight Логика
key enter
wait-idle
key down
expect-highlight Install
key enter
wait-idle
expect-text Install Логика? 22 KB will be downloaded.
key soft1
wait-idle
expect-text My applications
key up 9
key right 9
key enter
wait-idle
expect-text Main menu
expect-highlight Categories
key down 2
expect-highlight My applications
key enter
wait-idle
expect-highlight Tobrix
key down 2
expect-highlight Логика
key down
expect-highlight Run
key enter
wait-idle
key right
expect-highlight Uninstall
)" + Shot("myapps") + R"(key enter
wait-idle
expect-text Uninstall Логика from this device?
key soft1
wait-idle
)");
    ASSERT_TRUE(Succeeded(run));
    EXPECT_NE(LaunchLog().find("\\Program Files\\Логика\\"), std::string::npos) << LaunchLog();
    EXPECT_FALSE(platform::OpenRegistryKey(platform::Hive::LocalMachine, u"\\Security\\AppInstall\\Мостик Логика"));
}

// Screenshots and reviews read page by page, a review with three stars and
// two lines, and a problem report, on the page a "tobrix" link opens.
TEST_P(KeysOnlyStoreTest, DetailsReviewsAndTheirForms) {
    StoreRun run = Run(R"(wait-idle
expect-highlight Orbit
key down 2
expect-highlight Screenshots
key enter
wait-idle
key down 3
)" + Shot("screenshots") + R"(key soft1
wait-idle
key down
expect-highlight Reviews
key enter
wait-idle
key down 2
key soft2
wait-idle
expect-text Write a review
key right 3
key down
type Read by keys
key enter
type all the way
)" + Shot("review") + R"(key soft2
wait-idle
expect-text Thank you! Your review has been sent.
key soft1
wait-idle
)" + Dump("reviews") + R"(key soft1
wait-idle
key down
expect-highlight Write a review
key enter
wait-idle
key up
expect-highlight Report a problem
key enter
wait-idle
type It crashes
key soft2
wait-idle
expect-text Thank you! Your message has been sent.
key soft1
wait-idle
)", {"\"tobrix://" + std::to_string(kWebReader) + "/\""});
    ASSERT_TRUE(Succeeded(run));
    EXPECT_TRUE(Shows(Tree("reviews"), "Read by keys\rall the way"));
}

// Every criterion of the search: a keyword in one field, a tag, a category,
// then the results.
TEST_P(KeysOnlyStoreTest, SearchByEveryCriterion) {
    StoreRun run = Run(R"(key down 3
expect-highlight Search
key enter
wait-idle
key down 2
expect-highlight Keyword
key enter
wait-idle
type reader
key down
expect-highlight Everywhere
key enter
wait-idle
key down
expect-highlight Name
key enter
wait-idle
expect-highlight Name
key soft2
wait-idle
expect-text reader
key up
expect-highlight Tags
key enter
wait-idle
key down 19
expect-highlight reading(
key right
key soft2
wait-idle
key up
expect-highlight Category
key enter
wait-idle
key down 5
expect-highlight Internet(
key enter
wait-idle
expect-highlight This whole category
key enter
wait-idle
)" + Shot("search") + R"(key soft2
wait-idle
)" + Dump("results"));
    ASSERT_TRUE(Succeeded(run));
    EXPECT_TRUE(Shows(Tree("results"), "Web Reader"));
    EXPECT_TRUE(Shows(Tree("results"), "Feed Reader"));
}

// The switches, the three lists and the detection of Settings, and the
// links of About.
TEST_P(KeysOnlyStoreTest, SettingsAndAbout) {
    StoreRun run = Run(R"(key down 5
expect-highlight Settings
key enter
wait-idle
expect-highlight Language
key enter
wait-idle
expect-highlight English
key soft1
wait-idle
key down
expect-highlight Keep packages on the card
key right
key down
expect-highlight Hardware keyboard
key enter
key down 3
expect-highlight Operating system
key enter
wait-idle
expect-highlight Windows Mobile 5 Smartphone
key down
key enter
wait-idle
)" + Dump("edition") + R"(key down
expect-highlight Screen
key enter
wait-idle
key up
key enter
wait-idle
key down 20
expect-highlight GPS
key right
)" + Shot("settings") + R"(key soft1
wait-idle
expect-text Main menu
key soft1
wait-idle
expect-text About
key down
key enter
wait-idle
key down 2
key enter
wait-idle
)");
    ASSERT_TRUE(Succeeded(run));
    EXPECT_TRUE(Shows(Tree("edition"), "Windows Mobile 6 Professional")) << "the edition chosen from the list";
    EXPECT_NE(LaunchLog().find("browser\thttp://www.tobrix.example/support"), std::string::npos) << LaunchLog();
}

INSTANTIATE_TEST_SUITE_P(Smartphone, KeysOnlyStoreTest, ::testing::Values("wm5-sp-176x220"), ProfileName);

// With a touch screen the stylus sees the store as it always was: nothing
// is highlighted until an arrow is pressed, and the next tap drops it again.
using TouchScreenKeysTest = KeysOnlyStoreTest;

TEST_P(TouchScreenKeysTest, NothingIsHighlightedUntilAnArrowIsPressed) {
    StoreRun run = Run(Dump("menu") + "tap-text Categories\nwait-idle\n" + Dump("categories") +
                       "key down\nwait-idle\n" + Dump("arrow") + "tap-text-start Games(\nwait-idle\n" + Dump("games"));
    ASSERT_TRUE(Succeeded(run));
    EXPECT_FALSE(AnyKeyFocus(Tree("menu")));
    EXPECT_FALSE(AnyKeyFocus(Tree("categories")));
    EXPECT_TRUE(AnyKeyFocus(Tree("arrow")));
    EXPECT_FALSE(AnyKeyFocus(Tree("games")));
}

INSTANTIATE_TEST_SUITE_P(Vga, TouchScreenKeysTest, ::testing::ValuesIn(kVga), ProfileName);
