#include "screens/AppsSceneChooseSort.h"

#include "i18n/Localization.h"
#include "screens/ScreenParts.h"
#include "ui/scenes/SceneHost.h"
#include "ui/widgets/SkinFactory.h"

AppsSceneChooseSort::AppsSceneChooseSort(SceneHost* h, shared_ptr<AppsScene> l)
    : Scene(h), list(std::move(l)), serverMode(list->Model().ServerMode()) {}

void AppsSceneChooseSort::Build(const shared_ptr<GObject>& root) {
    ScreenParts::AddHeader(*root, host, Localization::Instance().Text(12004), list->Title());
    const int f = ScreenParts::FontUnit();
    shared_ptr<GObject> rows = ScreenParts::AddList(*root, 4 * f);
    std::vector<std::u16string> entries;
    for (int32_t number : AppListModel::SortChoiceStrings(serverMode))
        entries.push_back(Localization::Instance().Text(number));
    const int choice = AppListModel::ChoiceForSortKey(list->Model().LocalSort(), serverMode);
    // Only the scene on top receives taps, and the rows are this scene's; the
    // shell outlives both, so the rows need to hold nothing else.
    SceneHost* shell = host;
    SkinFactory::CreateCheckList(*rows, entries, choice, f, [shell](int index) {
        if (Scene* top = shell->TopScene()) top->OnChoose(index);
    });
}

void AppsSceneChooseSort::OnChoose(int index) {
    list->ApplySort(AppListModel::SortKeyForChoice(index, serverMode));
    host->Back();
}
