#include "screens/ScreenshotsScene.h"

#include "i18n/Localization.h"
#include "screens/ScreenParts.h"
#include "screens/ScreenText.h"
#include "ui/layouts/ScreenshotsLayout.h"
#include "ui/widgets/TRemoteImage.h"

namespace {
constexpr int32_t kTitle = 8004;
constexpr uint32_t kText = 0x202020;
}  // namespace

void ScreenshotsScene::Build(const shared_ptr<GObject>& root) {
    const int f = ScreenParts::FontUnit();
    shared_ptr<GObject> list = ScreenParts::AddList(*root, 1);
    list->SetLayout(shared_ptr<Layout>(new ScreenshotsLayout()));
    const std::u16string title = Localization::Instance().Text(kTitle);
    ScreenParts::AddHeader(*root, host, title, name);
    for (size_t k = 0; k < pictures.size(); ++k) {
        list->AddChild(ScreenParts::NewLabel(screentext::ScreenshotCaption(title, k), 600, f, kText,
                                             widgets::Label::Left),
                       -1);
        shared_ptr<widgets::RemoteImage> picture(new widgets::RemoteImage());
        picture->SetUrl(pictures[k]);
        picture->SetBusyIndicator(true);
        picture->SetResizeParent(true);
        picture->SetStretch(true);
        list->AddChild(picture, -1);
    }
}
