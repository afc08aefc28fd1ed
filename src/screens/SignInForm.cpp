#include "screens/SignInForm.h"

#include "core/AppServices.h"
#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "net/NetServices.h"
#include "ui/FontManager.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/layouts/VScrollLayout.h"
#include "ui/scenes/SceneHost.h"
#include "ui/scenes/SceneLayout.h"
#include "ui/widgets/SkinFactory.h"
#include "screens/ScreenParts.h"

namespace {

constexpr uint32_t kLinkColor = 0xAA0000;     // blue, as the platform writes colours
constexpr uint32_t kLinkPressed = 0x0000AD;   // red while the finger is on it
constexpr uint32_t kCaptionColor = 0x505050;  // dark grey: quieter than what the user types
constexpr char16_t kMaskCharacter = u'\u25CF';

int Unit() { return LayoutMetrics::Get().fontUnit; }

bool IsClick(const Touch& touch) { return touch.type == Touch::Click; }

}  // namespace

SignInForm::SignInForm(SceneHost* h, GObject& root, const std::u16string& title, const std::u16string& back)
    : host(h) {
    ScreenParts::AddHeader(root, host, title, back);
    shared_ptr<widgets::ScrollView> body(new widgets::ScrollView());
    root.AddChild(body, SceneLayout::Body);
    body->FindChildById(VScrollLayout::ContentId, content);
}

int SignInForm::RowHeight() { return Unit() * 2; }

void SignInForm::AddRow(const shared_ptr<GObject>& row) {
    content->AddChild(row);
    TableLayout::Cell cell;
    cell.row = static_cast<int>(cells.size());
    cells.push_back(cell);
}

shared_ptr<widgets::Label> SignInForm::AddCaption(const std::u16string& text) {
    shared_ptr<widgets::Label> label(new widgets::Label());
    label->SetText(text);
    label->SetColor(kCaptionColor);
    label->SetFont(FontManager::Instance().GetFont(400, Unit()));
    label->SetAlign(widgets::Label::Left, widgets::Label::Bottom);
    AddRow(label);
    lastCaption = label;
    return label;
}

shared_ptr<widgets::TextBox> SignInForm::AddEdit(const std::u16string& text, bool password) {
    shared_ptr<widgets::TextBox> box = SkinFactory::CreateTextBox(*content, widgets::TextBox::Left, Unit());
    content->RemoveChild(box);  // rows are added in order, through AddRow
    box->SetFont(FontManager::Instance().GetFont(400, Unit()));
    box->SetColor(0x000000);
    if (password) {
        box->SetPassword(true);
        box->SetMaskCharacter(kMaskCharacter);
    }
    box->SetText(text);
    AddRow(box);
    if (lastCaption) {
        // The box itself is the key stop; its caption is only a larger target.
        lastCaption->SetKeyRole(GObject::KeyRole::Skip);
        subscriptions.push_back(ScopedSubscription::ToFn(
            lastCaption->Touched(), [box](shared_ptr<GObject>&, const Touch& t) {
                if (IsClick(t)) box->SetFocused(true);
            }));
        lastCaption = nullptr;
    }
    return box;
}

shared_ptr<widgets::Link> SignInForm::AddLink(const std::u16string& text, std::function<void()> onClick) {
    shared_ptr<widgets::Link> link(new widgets::Link());
    link->SetText(text);
    link->SetFont(FontManager::Instance().GetFont(400, Unit(), true));
    link->SetHotColors(kLinkColor, kLinkPressed);
    link->SetAlign(widgets::Link::Left, widgets::Link::Middle);
    subscriptions.push_back(ScopedSubscription::ToFn(
        link->Touched(), [onClick = std::move(onClick)](shared_ptr<GObject>&, const Touch& t) {
            if (IsClick(t)) onClick();
        }));
    AddRow(link);
    return link;
}

void SignInForm::Finish() {
    content->SetLayout(shared_ptr<Layout>(new TableLayout(cells, Unit() / 2, RowHeight())));
}

namespace signin {

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

bool HasNonAscii(std::u16string_view text) {
    for (char16_t c : text)
        if (c >= 127) return true;
    return false;
}

void InputError(int32_t text) { net::Services().AskPopup(textid::kErrorTitle, Str(text), textid::kOk, 0, nullptr); }

void Inform(int32_t text, int32_t button, std::function<void()> then) {
    net::Services().AskPopup(textid::kInfoTitle, Str(text), button, 0, [then = std::move(then)](int) {
        if (then) then();
    });
}

void Ask(const std::u16string& text, std::function<void(bool yes)> answer) {
    net::Services().AskPopup(textid::kInfoTitle, text, textid::kYes, textid::kNo,
                             [answer = std::move(answer)](int button) { answer(button == 0); });
}

}  // namespace signin
