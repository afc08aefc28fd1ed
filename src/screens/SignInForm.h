#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ScopedSubscription.h"
#include "ui/layouts/TableLayout.h"
#include "ui/widgets/WidgetTypes.h"

class SceneHost;

// What the four sign-in screens share: a header with the title and an
// optional back link, and a scrolling form of captions, text boxes and links,
// one per row, in the order they are added. The form keeps the subscriptions
// of its links, so a link never calls a screen that has gone.
class SignInForm {
public:
    // The header (title, back link) and the empty form body under `root`.
    // An empty `back` leaves the header without a back link.
    SignInForm(SceneHost* host, GObject& root, const std::u16string& title, const std::u16string& back);

    shared_ptr<widgets::Label> AddCaption(const std::u16string& text);
    // A one-line text box; a password box shows a black circle per character.
    // Tapping the caption right above it puts the cursor in it, as a larger
    // target for a finger.
    shared_ptr<widgets::TextBox> AddEdit(const std::u16string& text, bool password = false);
    // A blue text that runs `onClick` when tapped.
    shared_ptr<widgets::Link> AddLink(const std::u16string& text, std::function<void()> onClick);
    // Lays the rows out; call once everything is added.
    void Finish();

    GObject& Content() { return *content; }
    // The rows' height: the font unit and a half, so a finger hits them.
    static int RowHeight();

private:
    void AddRow(const shared_ptr<GObject>& row);

    SceneHost* host;
    shared_ptr<GObject> content;
    std::vector<TableLayout::Cell> cells;
    std::vector<ScopedSubscription> subscriptions;
    shared_ptr<widgets::Label> lastCaption;
};

// Checks and messages the sign-in screens share.
namespace signin {

std::u16string Str(int32_t number);
// The service takes logins and addresses in plain ASCII only.
bool HasNonAscii(std::u16string_view text);
// An input error: (7, text, 0, none).
void InputError(int32_t text);
// An information: (8, text, button, none); `then` runs when it is closed.
void Inform(int32_t text, int32_t button, std::function<void()> then = {});
// A question (8, text, 1, 2); `yes` tells the answer.
void Ask(const std::u16string& text, std::function<void(bool yes)> answer);

}  // namespace signin
