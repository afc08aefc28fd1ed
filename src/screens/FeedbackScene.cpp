#include "screens/FeedbackScene.h"

#include "i18n/Localization.h"
#include "net/ApiMethods.h"
#include "net/NetServices.h"
#include "net/XMLResponse.h"
#include "screens/FormAnswer.h"
#include "screens/ScreenParts.h"
#include "screens/ScreenRows.h"
#include "screens/ScreenText.h"
#include "ui/FontManager.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/SceneHost.h"

namespace {

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

constexpr int32_t kTitle = 14000;
constexpr int32_t kPrompt = 14001;
constexpr int32_t kThanks = 14002;
constexpr int32_t kSend = 15;
constexpr uint32_t kText = 0x202020;

}  // namespace

FeedbackScene::~FeedbackScene() {
    request.Drop();
    ShowEditor(false);
}

void FeedbackScene::Build(const shared_ptr<GObject>& root) {
    const int f = ScreenParts::FontUnit();
    ScreenParts::AddHeader(*root, host, Str(kTitle), name);
    // Two rows for the prompt, which takes two lines on most screens; its
    // text still ends above the box. The box is a row of the form, so that it
    // scrolls with it into sight above the advertising strip.
    shared_ptr<GObject> form = ScreenRows::AddForm(*root, {{0, 1.0, 2}, {2, 1.0, 4}});
    auto prompt = ScreenParts::NewLabel(Str(kPrompt), 600, f, kText, widgets::Label::Left);
    prompt->SetAlign(widgets::Label::Left, widgets::Label::Top);
    prompt->SetWordWrap(true);
    form->AddChild(prompt, -1);
    AddEditor(*form);
}

void FeedbackScene::AddEditor(GObject& form) {
    // A rebuilt form (a new language) keeps what was typed.
    const std::u16string typed = editor ? editor->GetText() : std::u16string();
    const bool shown = editor && editor->IsVisible();
    editor = ScreenParts::AddTextEditor(form, host, typed, 0, 8, shown);
}

void FeedbackScene::ShowEditor(bool show) { ScreenParts::ShowTextEditor(editor, show); }

void FeedbackScene::OnHide(const shared_ptr<GObject>& root) {
    Scene::OnHide(root);
    ShowEditor(false);
}

void FeedbackScene::UpdateMenuBar(const shared_ptr<GObject>& root) {
    Scene::UpdateMenuBar(root);
    host->GetSoftKeys().SetSoftKey(1, Str(kSend));
}

void FeedbackScene::OnRightSoftKey() {
    const std::u16string text = editor ? screentext::ToWire(editor->GetText()) : std::u16string();
    if (text.empty() || request.Pending()) return;
    host->SetInputEnabled(false);
    request.Start(api::Feedback(ApiContext::Current(), appId, text),
                  [this](HttpRequest* r, bool ok) { OnFeedbackDone(r, ok); });
}

void FeedbackScene::OnFeedbackDone(HttpRequest* answerRequest, bool ok) {
    ShowEditor(false);
    host->SetInputEnabled(true);
    if (!formanswer::Accepted(answerRequest, ok)) return;
    formanswer::ThankAndGoBack(host, kThanks);
}
