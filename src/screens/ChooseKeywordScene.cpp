#include "screens/ChooseKeywordScene.h"

#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "screens/ChooseSearchInScene.h"
#include "screens/ScreenParts.h"
#include "screens/ScreenRows.h"
#include "screens/SearchScene.h"
#include "ui/FontManager.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/SceneHost.h"
#include "ui/widgets/SkinFactory.h"

namespace {

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

constexpr int32_t kTitle = 9016;
constexpr uint32_t kText = 0x202020;

}  // namespace

ChooseKeywordScene::ChooseKeywordScene(SceneHost* h, shared_ptr<SearchScene> s)
    : Scene(h), search(std::move(s)), searchIn(search->SearchIn()) {}

void ChooseKeywordScene::Build(const shared_ptr<GObject>& root) {
    const int f = ScreenParts::FontUnit();
    // A rebuild (a new language) keeps what was typed.
    const std::u16string typed = edit ? edit->GetText() : search->Keyword();
    ScreenParts::AddHeader(*root, host, Str(kTitle), Str(textid::kSearch));
    shared_ptr<GObject> form = ScreenRows::AddForm(*root, {{0, 1.0, 1}, {1, 1.0, 1}, {2, 1.0, 1}, {3, 1.0, 1}});
    auto caption = ScreenParts::NewLabel(Str(9017), 600, f, kText, widgets::Label::Left);
    form->AddChild(caption, -1);
    edit = SkinFactory::CreateTextBox(*form, widgets::TextBox::Left, f);
    edit->SetFont(FontManager::Instance().GetFont(400, f));
    edit->SetColor(kText);
    edit->SetText(typed);
    // The caption is a larger target for a finger than the box below it.
    widgets::TextBox* box = edit.get();
    caption->SetKeyRole(GObject::KeyRole::Skip);
    captionTap = ScopedSubscription::ToFn(caption->Touched(), [box](shared_ptr<GObject>&, const Touch& touch) {
        if (touch.type == Touch::Click) box->SetFocused(true);
    });
    form->AddChild(ScreenParts::NewLabel(Str(9004), 600, f, kText, widgets::Label::Left), -1);
    fieldLink = ScreenRows::NewLink(Str(ChooseSearchInScene::FieldText(searchIn)), widgets::Link::Left);
    form->AddChild(fieldLink, -1);
    fieldTap = ScopedSubscription::ToFn(fieldLink->Touched(), [this](shared_ptr<GObject>&, const Touch& touch) {
        if (touch.type == Touch::Click)
            host->PushScene(shared_ptr<Scene>(new ChooseSearchInScene(host, shared_ptr<ChooseKeywordScene>(this))));
    });
}

void ChooseKeywordScene::UpdateMenuBar(const shared_ptr<GObject>& root) {
    Scene::UpdateMenuBar(root);
    host->GetSoftKeys().SetSoftKey(1, Str(textid::kOk));
}

void ChooseKeywordScene::SetSearchIn(std::u16string field) {
    searchIn = std::move(field);
    if (fieldLink) fieldLink->SetText(Str(ChooseSearchInScene::FieldText(searchIn)));
}

void ChooseKeywordScene::OnRightSoftKey() {
    search->SetKeyword(edit ? edit->GetText() : std::u16string(), searchIn);
    host->Back();
}
