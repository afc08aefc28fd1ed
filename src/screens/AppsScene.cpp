#include "screens/AppsScene.h"

#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "net/XMLCatalogResponses.h"
#include "screens/AppRowBuilder.h"
#include "screens/App_Touch.h"
#include "screens/AppsSceneChooseSort.h"
#include "screens/CaptionFit.h"
#include "screens/FormAnswer.h"
#include "screens/ScreenParts.h"
#include "ui/scenes/SceneHost.h"
#include "ui/widgets/SkinFactory.h"

namespace {

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

AppListModel::Request MakeRequest(Category* category, std::u16string query, std::u16string in, std::u16string tags,
                                  int32_t count, int32_t page, std::u16string price) {
    AppListModel::Request r;
    r.category = category;
    r.query = std::move(query);
    r.in = std::move(in);
    r.tags = std::move(tags);
    r.count = count;
    r.page = page;
    r.price = std::move(price);
    return r;
}

}  // namespace

AppsScene::AppsScene(SceneHost* h, std::u16string t, std::u16string back, Category* category, std::u16string query,
                     std::u16string searchIn, std::u16string tags, int32_t count, int32_t page, std::u16string price,
                     bool serverMode, bool newestFirst)
    : Scene(h),
      title(std::move(t)),
      backText(std::move(back)),
      model(MakeRequest(category, std::move(query), std::move(searchIn), std::move(tags), count, page,
                        std::move(price)),
            serverMode, newestFirst, Kestrum::Instance().GetSortOrder(), Kestrum::Instance().GetPriceFilter()) {}

AppsScene::~AppsScene() { request.Drop(); }

void AppsScene::Build(const shared_ptr<GObject>& root) {
    if (!shownOnce) model.OnFirstShown();
    shownOnce = true;
    model.ClearApps();
    list = ScreenParts::AddList(*root, 6 * ScreenParts::FontUnit());
    ScreenParts::AddHeader(*root, host, title, backText);
    AddFilterBar(*root);
    SendRequest();
}

void AppsScene::AddFilterBar(GObject& root) {
    barTaps.clear();
    const int f = ScreenParts::FontUnit();
    shared_ptr<widgets::Image> bar(new widgets::Image());
    bar->AddImageState(0, SkinFactory::SkinImage(u"ls.png"));
    bar->SetStretch(true);
    bar->SetImageState(0);
    auto radio = SkinFactory::CreateSortSelector(*bar, {Str(12000), Str(12001), Str(12002)},
                                                 AppListModel::IndexForPrice(model.LocalPrice()), f, PriceRadioId);
    radio->SetLayout(ScreenParts::NewHorizontRadioLayout());
    barTaps.push_back(ScopedSubscription::To(radio->GetSelectionChanged(), this, &AppsScene::OnPriceSelected));
    sortButton = shared_ptr<widgets::Link>(new widgets::Link());
    sortButton->SetFont(FontManager::Instance().GetFont(600, f));
    sortButton->SetAlign(widgets::Link::Right, widgets::Link::Middle);
    sortButton->SetHotColors(0xAA0000, 0x0000AD);
    bar->AddChild(sortButton, SortButtonId);
    captionfit::Keep(*sortButton);
    RelabelSortButton();
    barTaps.push_back(ScopedSubscription::To(sortButton->Touched(), this, &AppsScene::OnSortTouched));
    bar->SetLayout(ScreenParts::NewFilterBarLayout());
    bar->SetVisible(false);
    root.AddChild(bar, ScreenParts::SecondBarId);
    filterBar = bar;
}

void AppsScene::RelabelSortButton() {
    if (sortButton) sortButton->SetText(Str(AppListModel::SortLabelString(model.LocalSort())));
}

void AppsScene::SendRequest() {
    filterBar->SetVisible(false);
    list->RemoveAllChildren();
    list->SetPosition(0, 0);
    list->SetSize(list->Width(), 1);
    model.ClearApps();
    host->SetInputEnabled(false);
    request.Start(api::GetApps(ApiContext::Current(), model.Query()),
                  [this](HttpRequest* r, bool ok) { OnAppsDone(r, ok); });
}

void AppsScene::OnAppsDone(HttpRequest* answerRequest, bool ok) {
    host->SetInputEnabled(true);
    std::vector<shared_ptr<App>> apps;
    XMLResponse_GetApps answer(&apps);
    if (!formanswer::Accepted(answerRequest, ok, answer)) return;
    model.TakeAnswer(apps);
    BuildRows();
}

void AppsScene::BuildRows() {
    filterBar->SetVisible(true);
    list->RemoveAllChildren();
    const shared_ptr<Layout>& layout = list->GetLayout();
    if (layout) layout->Lock();
    rowStates = InstallStates();
    for (const auto& app : model.Shown()) {
        auto row = AppRowBuilder::Build(*list, *app, false);
        row->Touched()->Add(shared_ptr<Delegate_2<shared_ptr<GObject>&, const Touch&>>(
            new App_Touch(host, app->name, app->id, title)));
    }
    if (layout) layout->Unlock();
}

std::vector<int32_t> AppsScene::InstallStates() const {
    std::vector<int32_t> states;
    for (const auto& app : model.Shown()) states.push_back(AppRowBuilder::InstalledString(*app));
    return states;
}

// Back from a page that installed, updated or removed one of the listed
// applications: its row says so, as a freshly opened list would.
void AppsScene::OnShown() {
    if (!request.Pending() && filterBar && filterBar->IsVisible() && InstallStates() != rowStates) BuildRows();
}

void AppsScene::OnPriceSelected(shared_ptr<GObject>& /*radio*/, int index) { OnFilterChanged(PriceRadioId, index); }

void AppsScene::OnFilterChanged(int id, int value) {
    if (id != PriceRadioId) return;
    Kestrum::Instance().SetPriceFilter(AppListModel::PriceForIndex(value));
    switch (model.ChoosePrice(value)) {
    case ListChange::Resend: SendRequest(); break;
    case ListChange::Rebuild: BuildRows(); break;
    case ListChange::None: break;
    }
}

void AppsScene::ApplySort(const std::u16string& key) {
    Kestrum::Instance().SetSortOrder(key);
    const ListChange change = model.ChooseSort(key);
    RelabelSortButton();
    if (change == ListChange::Resend) SendRequest();
    if (change == ListChange::Rebuild) BuildRows();
}

void AppsScene::OnSortTouched(shared_ptr<GObject>& /*button*/, const Touch& touch) {
    if (touch.type != Touch::Click) return;
    host->PushScene(shared_ptr<Scene>(new AppsSceneChooseSort(host, shared_ptr<AppsScene>(this))));
}
