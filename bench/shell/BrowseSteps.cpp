#include "BrowseSteps.h"

#include "base/Text.h"

namespace {

// Where a finger drags a list on the wm65-vga screen.
constexpr int kDragX = 240;
constexpr int kDragFrom = 580;
constexpr int kDragTo = 180;
// A row of an application list is 144 pixels high on that screen and a
// drag moves the list at least by its own length (the list flings on), so
// this many drags surely reach the end of a list of `rows`; a list at its
// end just bounces.
int DragsFor(int rows) { return rows * 144 / (kDragFrom - kDragTo) + 2; }

}  // namespace

std::string BrowseSteps::Idle() const { return "wait-idle " + text::FormatDouble(idleSeconds) + "\n"; }

std::string BrowseSteps::Tap(const std::string& label) const { return "tap-text " + label + "\n" + Idle(); }

std::string BrowseSteps::TapStart(const std::string& start) const {
    return "tap-text-start " + start + "\n" + Idle();
}

std::string BrowseSteps::SignIn() const {
    return "tap-text Login:\ntype demo\ntap-text Password:\ntype demo\nkey soft1\n" + Idle() +
           "expect-text Remember your login and password on this device?\nkey soft1\n" + Idle() +
           "expect-text Settings\nkey soft2\n" + Idle() + "expect-text Main menu\n";
}

std::string BrowseSteps::Drag() const {
    const std::string x = std::to_string(kDragX);
    std::string s = "down " + x + " " + std::to_string(kDragFrom) + "\n";
    for (int y = kDragFrom - 40; y >= kDragTo; y -= 40) s += "move " + x + " " + std::to_string(y) + "\nsleep 20\n";
    return s + "sleep 200\nup " + x + " " + std::to_string(kDragTo) + "\n" + Idle();
}

std::string BrowseSteps::ScrollToEnd(int rows) const {
    std::string s;
    for (int i = 0; i < DragsFor(rows); ++i) s += Drag();
    return s;
}

std::string BrowseSteps::Back(int times) const {
    std::string s;
    for (int i = 0; i < times; ++i) s += "key soft1\n" + Idle();
    return s;
}

std::string BrowseSteps::Search(const std::string& keyword, const std::string& field) const {
    std::string s = Tap("Search") + Tap("Keyword");
    if (!field.empty()) s += Tap("Everywhere") + Tap(field);
    return s + "tap-text Enter a keyword:\ntype " + keyword + "\nkey soft2\n" + Idle() + "key soft2\n" + Idle() +
           "expect-text Search results\n";
}
