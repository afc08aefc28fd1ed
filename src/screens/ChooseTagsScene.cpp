#include "screens/ChooseTagsScene.h"

#include <algorithm>

#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "net/ApiMethods.h"
#include "net/XMLCatalogResponses.h"
#include "screens/ScreenParts.h"
#include "screens/ScreenRows.h"
#include "screens/ScreenText.h"
#include "screens/SearchScene.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/SceneHost.h"
#include "ui/widgets/Switch.h"

namespace {

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

constexpr int32_t kTitle = 9014;
constexpr int32_t kDone = 13;

}  // namespace

ChooseTagsScene::~ChooseTagsScene() { request.Drop(); }

void ChooseTagsScene::Build(const shared_ptr<GObject>& root) {
    ScreenParts::AddHeader(*root, host, Str(kTitle), Str(textid::kSearch));
    list = ScreenParts::AddList(*root, 4 * ScreenParts::FontUnit());
    if (Kestrum::Instance().tagList.empty()) {
        if (!request.Pending()) SendTags();
        return;
    }
    BuildRows();
}

void ChooseTagsScene::UpdateMenuBar(const shared_ptr<GObject>& root) {
    Scene::UpdateMenuBar(root);
    host->GetSoftKeys().SetSoftKey(1, Str(kDone));
}

void ChooseTagsScene::SendTags() {
    host->SetInputEnabled(false);
    request.Start(api::Tags(ApiContext::Current()), [this](HttpRequest* r, bool ok) { OnTagsDone(r, ok); });
}

void ChooseTagsScene::OnTagsDone(HttpRequest* answer, bool ok) {
    host->SetInputEnabled(true);
    // A 203 returns to sign-in while the answer is read, which may end this
    // scene; after the parse only the store's own list is touched.
    TagList& tags = Kestrum::Instance().tagList;
    int32_t code = XMLResponse::kNoAnswer;
    if (ok) {
        XMLResponse_Tags reader(&tags);
        code = reader.Parse(answer->Data(), answer->Size());
    }
    if (code != XMLResponse::kSuccess) {
        // A half-read list would pass for the catalog's tags for the rest of
        // the run; an empty one is asked for again next time.
        tags.clear();
        XMLResponse::ShowError(code);
        return;
    }
    BuildRows();
}

void ChooseTagsScene::BuildRows() {
    switches.clear();
    list->RemoveAllChildren();
    const auto& chosen = search->ChosenTags();
    for (const auto& [name, count] : Kestrum::Instance().tagList) {
        shared_ptr<Switch> toggle = ScreenRows::AddSwitchRow(*list, screentext::WithCount(name, count), u"");
        toggle->SetOn(std::any_of(chosen.begin(), chosen.end(), [&](const auto& t) { return t.first == name; }));
        switches.push_back(toggle);
    }
}

void ChooseTagsScene::OnRightSoftKey() {
    // Without rows (the tags could not be fetched) there was nothing to
    // choose from: the search keeps the tags it had rather than losing them.
    if (switches.empty()) {
        host->Back();
        return;
    }
    const auto& all = Kestrum::Instance().tagList;
    std::vector<SearchScene::Tag> chosen;
    for (size_t i = 0; i < switches.size() && i < all.size(); ++i)
        if (switches[i]->IsOn()) chosen.push_back(all[i]);
    search->SetChosenTags(std::move(chosen));
    host->Back();
}
