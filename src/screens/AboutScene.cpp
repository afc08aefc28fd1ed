#include "screens/AboutScene.h"

#include <algorithm>

#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "screens/ScreenParts.h"
#include "screens/ScreenRows.h"
#include "screens/ScreenText.h"
#include "ui/scenes/SceneHost.h"

namespace {

std::u16string Str(int32_t number) { return Localization::Instance().Text(number); }

constexpr uint32_t kText = 0x202020;
constexpr uint32_t kGrey = 0x787878;

shared_ptr<widgets::Label> Paragraph(int32_t number, uint32_t colour) {
    const int f = ScreenParts::FontUnit();
    auto label = ScreenParts::NewLabel(screentext::FromWire(Str(number)), 400, f, colour, widgets::Label::Centre);
    label->SetWordWrap(true);
    return label;
}

}  // namespace

std::vector<TableLayout::Cell> AboutScene::Cells(int width) {
    const int f = ScreenParts::FontUnit();
    const int spacing = f / 3, rowHeight = 2 * f;
    // The icon spans two rows: a square of that height, plus the spacing the
    // table takes off a cell that shares its row. A share of the width too
    // small for that would leave the icon a cell of negative width.
    const double inner = std::max(1, width - 2 * spacing);
    const double icon = std::min(0.5, (2 * rowHeight + spacing) / inner);
    // The links take the whole width, centred like the rest: the support
    // address does not fit seven tenths of a 480-pixel screen and was cut.
    return {{0, 1.0, 1}, {1, icon, 2}, {1, 1.0 - icon, 2}, {3, 1.0, 1}, {5, 0.7, 1}, {6, 1.0, 1}, {7, 1.0, 2}};
}

void AboutScene::Build(const shared_ptr<GObject>& root) {
    const int f = ScreenParts::FontUnit();
    ScreenParts::AddHeader(*root, host, Str(13000), Str(textid::kMainMenu));
    const int width = host->GetUiRoot() ? host->GetUiRoot()->Width() : root->Width();
    shared_ptr<GObject> form = ScreenRows::AddForm(*root, Cells(width));
    form->AddChild(ScreenParts::NewLabel(Str(13001), 600, f * 5 / 4, kText, widgets::Label::Centre), -1);
    // Scaled to its square, so that it keeps its size beside the text on
    // every screen.
    auto icon = ScreenParts::NewImage(u"icon.png", true);
    form->AddChild(icon, -1);
    form->AddChild(Paragraph(13002, kText), -1);
    Scene::AddLink(form, Str(13003), Str(13003), widgets::Label::Centre);
    form->AddChild(ScreenParts::NewLabel(Str(13004), 400, f, kText, widgets::Label::Centre), -1);
    Scene::AddLink(form, Str(13005), Str(13005), widgets::Label::Centre);
    form->AddChild(Paragraph(13006, kGrey), -1);
}
