#include "screens/MakeReviewScene.h"

#include "i18n/Localization.h"
#include "net/ApiMethods.h"
#include "net/NetServices.h"
#include "net/XMLResponse.h"
#include "screens/CaptionFit.h"
#include "screens/ScreenLinks.h"
#include "screens/FormAnswer.h"
#include "screens/ScreenParts.h"
#include "screens/ScreenText.h"
#include "ui/app/MenuBar.h"
#include "ui/layouts/TableLayout.h"
#include "ui/scenes/SceneHost.h"
#include "ui/scenes/SingleLayout.h"
#include "ui/widgets/StarRating.h"

namespace {

constexpr int32_t kTitle = 10000;
constexpr int32_t kSend = 10003;
constexpr int32_t kThanks = 10006;
constexpr uint32_t kText = 0x202020;
constexpr uint32_t kGrey = 0x787878;
constexpr uint32_t kLink = 0xAA0000;
constexpr uint32_t kLinkPressed = 0x0000AD;

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

}  // namespace

MakeReviewScene::~MakeReviewScene() {
    request.Drop();
    ShowEditor(false);
}

void MakeReviewScene::Build(const shared_ptr<GObject>& root) {
    taps.clear();
    shared_ptr<GObject> form = ScreenParts::AddList(*root, 1);
    ScreenParts::AddHeader(*root, host, Str(kTitle), name);
    BuildForm(*form);
}

void MakeReviewScene::BuildForm(GObject& form) {
    const int f = ScreenParts::FontUnit();
    // The comment box is a row of the form, so that it scrolls with it and
    // the keys reach it on a screen too short to show it below the stars.
    std::vector<TableLayout::Cell> cells = {{0, 0.4, 1}, {0, 0.6, 1}, {1, 1.0, 1}, {2, 1.0, 1}, {3, 1.0, 3}, {6, 1.0, 3}};
    form.SetLayout(shared_ptr<Layout>(new TableLayout(cells, f / 3, 2 * f)));

    // On a small screen the caption and the link share a line too short for
    // both: each breaks into two lines rather than being cut.
    auto caption = ScreenParts::NewLabel(Str(10001), 600, f, kText, widgets::Label::Left);
    form.AddChild(caption, -1);
    captionfit::Keep(*caption);
    shared_ptr<widgets::Link> report(new widgets::Link());
    report->SetText(Str(10007));
    report->SetFont(FontManager::Instance().GetFont(400, f));
    report->SetAlign(widgets::Link::Right, widgets::Link::Middle);
    report->SetHotColors(kLink, kLinkPressed);
    form.AddChild(report, -1);
    captionfit::Keep(*report);
    SceneHost* h = host;
    const std::u16string appName = name;
    const int32_t id = appId;
    taps.push_back(ScopedSubscription::ToFn(report->Touched(), [h, appName, id](shared_ptr<GObject>&, const Touch& t) {
        if (t.type == Touch::Click) screenlinks::OpenFeedback(h, appName, id);
    }));

    // The holder keeps the stars at their own size, at its left edge.
    shared_ptr<GObject> holder(new GObject());
    auto single = shared_ptr<SingleLayout>(new SingleLayout(SingleLayout::Start, SingleLayout::Centre, false));
    holder->SetLayout(single);
    stars = shared_ptr<StarRating>(new StarRating(0, false));
    stars->SetSize(10 * f, 2 * f);
    stars->SetKeyRole(GObject::KeyRole::Start);
    holder->AddChild(stars, -1);
    form.AddChild(holder, -1);

    form.AddChild(ScreenParts::NewLabel(Str(10002), 600, f, kText, widgets::Label::Left), -1);
    AddEditor(form);
    auto hint = ScreenParts::NewLabel(screentext::FromWire(Str(10004)), 400, f, kGrey, widgets::Label::Left);
    hint->SetAlign(widgets::Label::Left, widgets::Label::Top);
    hint->SetWordWrap(true);
    form.AddChild(hint, -1);
}

void MakeReviewScene::AddEditor(GObject& form) {
    // A rebuilt form (a new language) keeps what was typed; the form's
    // layout places the box.
    const std::u16string typed = editor ? editor->GetText() : std::u16string();
    editor = ScreenParts::AddTextEditor(form, host, typed, 0, 6, false);
}

void MakeReviewScene::ShowEditor(bool show) { ScreenParts::ShowTextEditor(editor, show); }

void MakeReviewScene::ShowForm() { ShowEditor(true); }

void MakeReviewScene::OnHide(const shared_ptr<GObject>& root) {
    Scene::OnHide(root);
    ShowEditor(false);
}

void MakeReviewScene::UpdateMenuBar(const shared_ptr<GObject>& root) {
    Scene::UpdateMenuBar(root);
    host->GetSoftKeys().SetSoftKey(1, Str(kSend));
}

std::u16string MakeReviewScene::WireText() const {
    return editor ? screentext::ToWire(editor->GetText()) : std::u16string();
}

void MakeReviewScene::OnRightSoftKey() {
    const int32_t chosen = stars ? stars->GetValue() / 2 : 0;
    if (chosen == 0) {
        ShowEditor(false);
        XMLResponse::ShowError(kNeedStars);
        return;
    }
    host->SetInputEnabled(false);
    request.Start(api::Rate(ApiContext::Current(), appId, chosen, WireText()),
                  [this](HttpRequest* r, bool ok) { OnRateDone(r, ok); });
}

void MakeReviewScene::OnRateDone(HttpRequest* answerRequest, bool ok) {
    ShowEditor(false);
    host->SetInputEnabled(true);
    if (!formanswer::Accepted(answerRequest, ok)) return;
    formanswer::ThankAndGoBack(host, kThanks);
    host->RefreshDataScenes();
}
