#include "screens/ChoiceListScene.h"

#include "i18n/Localization.h"
#include "screens/ScreenParts.h"
#include "ui/scenes/SceneHost.h"
#include "ui/widgets/SkinFactory.h"

void ChoiceListScene::Build(const shared_ptr<GObject>& root) {
    auto& l10n = Localization::Instance();
    ScreenParts::AddHeader(*root, host, l10n.Text(title), l10n.Text(backText));
    const int f = ScreenParts::FontUnit();
    shared_ptr<GObject> rows = ScreenParts::AddList(*root, 3 * f);
    // The rows hold the callback and outlive nothing but themselves; the host
    // outlives every scene, and only the top scene takes taps, so the choice
    // reaches this screen through it.
    SceneHost* shell = host;
    SkinFactory::CreateCheckList(*rows, Entries(), Choice(), f, [shell](int index) {
        if (Scene* top = shell->TopScene()) top->OnChoose(index);
    });
}
