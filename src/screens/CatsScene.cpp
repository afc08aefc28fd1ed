#include "screens/CatsScene.h"

#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "net/ApiMethods.h"
#include "net/XMLCatalogResponses.h"
#include "screens/AppsScene.h"
#include "screens/ScreenParts.h"
#include "screens/ScreenText.h"
#include "ui/scenes/SceneHost.h"

namespace {

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

constexpr const char16_t* kShowAll = u"icon_showall.png";
constexpr const char16_t* kFolder = u"icon_cats.png";

}  // namespace

CatsScene::CatsScene(SceneHost* h, Category* c, CategoryPicker* p) : Scene(h), category(c), picker(p) {}

CatsScene::~CatsScene() { cats.Drop(); }

void CatsScene::Build(const shared_ptr<GObject>& root) {
    if (IsRoot())
        ScreenParts::AddHeader(*root, host, Str(6000), Str(picker ? 9000 : 5000));
    else
        ScreenParts::AddHeader(*root, host, category->name, category->parent->name);
    list = ScreenParts::AddList(*root, 4 * ScreenParts::FontUnit());
    if (IsRoot() && category->children.empty() && !cats.Pending()) {
        SendCats();
        return;
    }
    FillList();
}

std::vector<CatsScene::RowSpec> CatsScene::Rows() const {
    std::vector<RowSpec> rows;
    if (!IsRoot()) {
        if (picker)
            rows.push_back({Str(9013), kShowAll, false});
        else
            rows.push_back({screentext::WithCount(Str(6001), category->count), kShowAll, true});
    } else if (picker) {
        rows.push_back({Str(9006), kShowAll, false});
    }
    for (const auto& child : category->children) {
        const bool branch = !child->children.empty();
        rows.push_back({screentext::WithCount(child->name, child->count), branch ? kFolder : kShowAll, !picker || branch});
    }
    return rows;
}

void CatsScene::FillList() {
    rowTaps.clear();
    list->RemoveAllChildren();
    int index = 0;
    for (const RowSpec& entry : Rows()) {
        auto row = ScreenParts::AddTreeRow(*list, entry.text, entry.icon, entry.arrow ? u"more_arrow.png" : u"");
        row->SetUserValue(index++);
        rowTaps.push_back(ScopedSubscription::To(row->Touched(), this, &CatsScene::OnRowTouched));
    }
}

void CatsScene::OnRowTouched(shared_ptr<GObject>& row, const Touch& touch) {
    if (touch.type == Touch::Click) Choose(row->GetUserValue());
}

void CatsScene::Choose(int index) {
    if (index < 0) return;
    if (HasFirstRow() && index == 0) {
        // The first row of a sub-level is the category itself; at the top it
        // only exists when picking, and means any category.
        Category* chosen = IsRoot() ? nullptr : category;
        if (picker)
            HandToPicker(chosen);
        else
            OpenApps(chosen);
        return;
    }
    const std::size_t at = static_cast<std::size_t>(HasFirstRow() ? index - 1 : index);
    if (at >= category->children.size()) return;
    Category* child = category->children[at].get();
    if (!child->children.empty())
        host->PushScene(shared_ptr<Scene>(new CatsScene(host, child, picker)));
    else if (picker)
        HandToPicker(child);
    else
        OpenApps(child);
}

void CatsScene::OpenApps(Category* c) {
    host->PushScene(shared_ptr<Scene>(
        new AppsScene(host, c->name, c->parent ? c->parent->name : Str(6000), c, u"", u"", u"", -1, -1, u"", false,
                      false)));
}

void CatsScene::HandToPicker(Category* c) {
    // Popping ends the scenes above the picker, this one among them; it must
    // live until its handler has returned, and its host is read before.
    shared_ptr<Scene> self(this);
    CategoryPicker* target = picker;
    target->SetPickedCategory(c);
    Scene* back = target->PickerScene();
    SceneHost* shell = host;
    while (shell->TopScene() && shell->TopScene() != back) shell->PopScene();
}

void CatsScene::SendCats() {
    host->SetInputEnabled(false);
    cats.Start(api::Cats(ApiContext::Current()), [this](HttpRequest* r, bool ok) { OnCatsDone(r, ok); });
}

void CatsScene::OnCatsDone(HttpRequest* request, bool ok) {
    host->SetInputEnabled(true);
    // A 203 returns to sign-in while the answer is read, which may end this
    // scene; after the parse only the store's own records are touched.
    Category* tree = category;
    int32_t code = XMLResponse::kNoAnswer;
    if (ok) {
        XMLResponse_Cats answer(tree);
        code = answer.Parse(request->Data(), request->Size());
    }
    if (code != XMLResponse::kSuccess) {
        // A half-read tree would be taken for the whole catalog from now on;
        // dropping it lets the next visit ask again.
        tree->children.clear();
        XMLResponse::ShowError(code);
        return;
    }
    FillList();
}
