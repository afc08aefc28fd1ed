#include "screens/ChooseSearchInScene.h"

#include "i18n/Localization.h"
#include "screens/ChooseKeywordScene.h"
#include "ui/scenes/SceneHost.h"

namespace {

constexpr const char16_t* kFields[] = {u"", u"name", u"com", u"desc"};
constexpr int32_t kFieldTexts[] = {9009, 9010, 9011, 9012};

}  // namespace

ChooseSearchInScene::ChooseSearchInScene(SceneHost* h, shared_ptr<ChooseKeywordScene> k)
    : ChoiceListScene(h, 9015, 9000), keyword(std::move(k)) {}

std::u16string ChooseSearchInScene::FieldOfRow(int index) {
    return index >= 1 && index <= 3 ? kFields[index] : kFields[0];
}

int ChooseSearchInScene::RowOfField(const std::u16string& field) {
    for (int i = 1; i <= 3; ++i)
        if (field == kFields[i]) return i;
    return 0;
}

int32_t ChooseSearchInScene::FieldText(const std::u16string& field) { return kFieldTexts[RowOfField(field)]; }

std::vector<std::u16string> ChooseSearchInScene::Entries() const {
    std::vector<std::u16string> entries;
    for (int32_t number : kFieldTexts) entries.push_back(Localization::Instance().Text(number));
    return entries;
}

int ChooseSearchInScene::Choice() const { return RowOfField(keyword->SearchIn()); }

void ChooseSearchInScene::OnChoose(int index) {
    keyword->SetSearchIn(FieldOfRow(index));
    host->Back();
}
