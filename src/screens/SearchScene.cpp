#include "screens/SearchScene.h"

#include "core/Category.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "net/XMLResponse.h"
#include "screens/AppsScene.h"
#include "screens/CatsScene.h"
#include "screens/ChooseKeywordScene.h"
#include "screens/ChooseTagsScene.h"
#include "screens/ScreenParts.h"
#include "screens/ScreenRows.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/SceneHost.h"

namespace {

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

constexpr int32_t kFind = 9005;
constexpr int32_t kResults = 9019;
constexpr int32_t kAnyCategory = 9006;
constexpr int32_t kAnyTags = 9007;
constexpr int32_t kNoKeyword = 9008;

struct RowEntry {
    SearchScene::Row row;
    const char16_t* icon;
    int32_t text;
};

constexpr RowEntry kRows[] = {
    {SearchScene::Row::Category, u"icon_search_cat.png", 9001},
    {SearchScene::Row::Tags, u"icon_search_tag.png", 9002},
    {SearchScene::Row::Keyword, u"icon_search_keyword.png", 9003},
};

std::u16string JoinTags(const std::vector<SearchScene::Tag>& tags, std::u16string_view separator) {
    std::u16string joined;
    for (const auto& tag : tags) {
        if (!joined.empty()) joined += separator;
        joined += tag.first;
    }
    return joined;
}

}  // namespace

void SearchScene::Build(const shared_ptr<GObject>& root) {
    rowTaps.clear();
    ScreenParts::AddHeader(*root, host, Str(textid::kSearch), Str(textid::kMainMenu));
    shared_ptr<GObject> list = ScreenParts::AddList(*root, 4 * ScreenParts::FontUnit());
    shared_ptr<widgets::Label>* lines[] = {&categoryLine, &tagsLine, &keywordLine};
    for (const RowEntry& entry : kRows) {
        auto row = ScreenRows::AddTwoStageRow(*list, Str(entry.text), u"", entry.icon, true,
                                              lines[static_cast<int>(entry.row)]);
        row->SetUserValue(static_cast<int32_t>(entry.row));
        rowTaps.push_back(ScopedSubscription::To(row->Touched(), this, &SearchScene::OnRowTouched));
    }
    RefreshLines();
}

void SearchScene::UpdateMenuBar(const shared_ptr<GObject>& root) {
    Scene::UpdateMenuBar(root);
    host->GetSoftKeys().SetSoftKey(1, Str(kFind));
}

std::u16string SearchScene::CategoryLine() const {
    if (!category) return Str(kAnyCategory);
    // From the top-most level down to the chosen one; the root record is
    // "all categories" and names no level of its own.
    std::u16string line;
    for (const Category* c = category; c && c->parent; c = c->parent)
        line = line.empty() ? c->name : c->name + u" > " + line;
    return line;
}

std::u16string SearchScene::TagsLine() const { return tags.empty() ? Str(kAnyTags) : JoinTags(tags, u", "); }

std::u16string SearchScene::KeywordLine() const { return keyword.empty() ? Str(kNoKeyword) : keyword; }

void SearchScene::RefreshLines() {
    if (categoryLine) categoryLine->SetText(CategoryLine());
    if (tagsLine) tagsLine->SetText(TagsLine());
    if (keywordLine) keywordLine->SetText(KeywordLine());
}

void SearchScene::SetPickedCategory(Category* c) {
    category = c;
    RefreshLines();
}

void SearchScene::SetChosenTags(std::vector<Tag> chosen) {
    tags = std::move(chosen);
    RefreshLines();
}

void SearchScene::SetKeyword(std::u16string text, std::u16string field) {
    keyword = std::move(text);
    searchIn = std::move(field);
    RefreshLines();
}

void SearchScene::OnRowTouched(shared_ptr<GObject>& row, const Touch& touch) {
    if (touch.type == Touch::Click) Open(static_cast<Row>(row->GetUserValue()));
}

void SearchScene::Open(Row row) {
    // The criterion screens write back into this one, which stays below them.
    shared_ptr<SearchScene> self(this);
    switch (row) {
    case Row::Category:
        host->PushScene(shared_ptr<Scene>(new CatsScene(host, &Kestrum::Instance().AllCategories(), this)));
        break;
    case Row::Tags: host->PushScene(shared_ptr<Scene>(new ChooseTagsScene(host, self))); break;
    case Row::Keyword: host->PushScene(shared_ptr<Scene>(new ChooseKeywordScene(host, self))); break;
    }
}

void SearchScene::OnRightSoftKey() {
    if (keyword.empty() && tags.empty() && !category) {
        XMLResponse::ShowError(kNoCriteria);
        return;
    }
    host->PushScene(shared_ptr<Scene>(new AppsScene(host, Str(kResults), Str(textid::kSearch), category, keyword,
                                                    searchIn, JoinTags(tags, u","), -1, -1, u"", false, false)));
}
