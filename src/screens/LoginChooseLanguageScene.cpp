#include "screens/LoginChooseLanguageScene.h"

#include <algorithm>

#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "ui/app/MenuBar.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/layouts/ListLayout.h"
#include "ui/scenes/SceneHost.h"
#include "ui/widgets/SkinFactory.h"

using namespace signin;

void LoginChooseLanguageScene::Build(const shared_ptr<GObject>& root) {
    form = std::make_unique<SignInForm>(host, *root, Str(3015), Str(1000));
    auto& l10n = Localization::Instance();
    names.clear();
    std::vector<std::u16string> titles;
    for (const auto& [name, language] : l10n.Languages()) {
        // Entries the file only mentions in its strings have no title: they
        // are no language a person could pick.
        if (language.title.empty()) continue;
        names.push_back(name);
        titles.push_back(language.title);
    }
    const auto current = std::find(names.begin(), names.end(), l10n.CurrentLanguage());
    const int choice = current == names.end() ? -1 : static_cast<int>(current - names.begin());
    SceneHost* h = host;
    // The rows hold the callback; the host outlives every scene, and only the
    // top scene takes taps, so the choice reaches this screen through it.
    const int unit = LayoutMetrics::Get().fontUnit;
    SkinFactory::CreateCheckList(form->Content(), titles, choice, unit, [h](int index) {
        if (Scene* top = h->TopScene()) top->OnChoose(index);
    });
    form->Content().SetLayout(shared_ptr<Layout>(new ListLayout(3 * unit)));
}

void LoginChooseLanguageScene::UpdateMenuBar(const shared_ptr<GObject>& /*root*/) {
    host->GetSoftKeys().SetSoftKey(0, Str(textid::kBack));
    host->GetSoftKeys().SetSoftKey(1, u"", false);
}

void LoginChooseLanguageScene::OnChoose(int index) {
    if (index < 0 || index >= static_cast<int>(names.size())) return;
    auto& l10n = Localization::Instance();
    if (names[static_cast<size_t>(index)] != l10n.CurrentLanguage() &&
        l10n.SetCurrentLanguage(names[static_cast<size_t>(index)]))
        host->RebuildAllScenes();
    host->Back();
}
