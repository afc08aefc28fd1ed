#include "screens/PlaceholderScene.h"

#include "i18n/Localization.h"
#include "screens/ScreenParts.h"

PlaceholderScene::PlaceholderScene(SceneHost* h, int32_t titleString, int32_t backString)
    : PlaceholderScene(h, Localization::Instance().Text(titleString), Localization::Instance().Text(backString)) {}

PlaceholderScene::PlaceholderScene(SceneHost* h, std::u16string t, std::u16string back)
    : Scene(h), title(std::move(t)), backText(std::move(back)) {}

void PlaceholderScene::Build(const shared_ptr<GObject>& root) { ScreenParts::AddHeader(*root, host, title, backText); }
