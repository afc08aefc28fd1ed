#include "screens/ScreenRows.h"

#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "screens/CaptionFit.h"
#include "screens/ScreenParts.h"
#include "screens/SwitchListItem_Touch.h"
#include "ui/FontManager.h"
#include "ui/layouts/ItemBuilders.h"
#include "ui/layouts/SwitchItemLayout.h"
#include "ui/layouts/TwoStageTreeItemLayout.h"
#include "ui/widgets/SkinFactory.h"
#include "ui/widgets/Switch.h"

namespace {

constexpr uint8_t kLineGrey = 0xDC;
constexpr uint32_t kCaption = 0x202020;
constexpr uint32_t kSectionGrey = 0x787878;
// GDI colour values (0x00BBGGRR), as the scenes' own links.
constexpr uint32_t kLinkColour = 0xAA0000;
constexpr uint32_t kLinkPressedColour = 0x0000AD;

template <class T>
T* ChildAs(GObject& parent, int32_t id) {
    shared_ptr<GObject> child;
    return parent.FindChildById(id, child) ? dynamic_cast<T*>(child.get()) : nullptr;
}

// Skin icons are drawn larger than the rows of coarse screens: they scale to
// the square the row layout gives them instead of being cut.
void FitIcon(GObject& row, int32_t id) {
    if (auto* icon = ChildAs<widgets::Image>(row, id)) icon->SetStretch(true);
}

}  // namespace

shared_ptr<widgets::RowButton> ScreenRows::AddTwoStageRow(GObject& list, const std::u16string& upper,
                                                          const std::u16string& lower, const std::u16string& icon,
                                                          bool arrow, shared_ptr<widgets::Label>* lowerLine) {
    using L = TwoStageTreeItemLayout;
    shared_ptr<widgets::RowButton> row = SkinFactory::CreateListRow(list, kLineGrey, kLineGrey, kLineGrey);
    ItemBuilders::TwoStageItem(row, upper, lower, icon, arrow ? u"more_arrow.png" : u"");
    FitIcon(*row, L::Icon);
    if (auto* top = ChildAs<widgets::Label>(*row, L::UpperLine)) {
        top->SetFont(FontManager::Instance().GetFont(400, ScreenParts::FontUnit()));
        top->SetColor(kSectionGrey);
    }
    shared_ptr<GObject> bottom;
    if (row->FindChildById(L::LowerLine, bottom)) {
        auto* label = dynamic_cast<widgets::Label*>(bottom.get());
        if (label) {
            label->SetColor(kCaption);
            // A value too long for its line (an edition name) takes a
            // plain font a little smaller than the caption's before it is cut.
            captionfit::Keep(*label, FontManager::Instance().GetFont(400, ScreenParts::FontUnit() * 5 / 6),
                             captionfit::Lines::One);
        }
        if (lowerLine) *lowerLine = shared_ptr<widgets::Label>(label);
    }
    return row;
}

shared_ptr<Switch> ScreenRows::AddSwitchRow(GObject& list, const std::u16string& text, const std::u16string& icon,
                                            bool cutAllowed) {
    using L = SwitchItemLayout;
    shared_ptr<widgets::RowButton> row = SkinFactory::CreateListRow(list, kLineGrey, kLineGrey, kLineGrey);
    ItemBuilders::SwitchRow(row, text, icon);
    FitIcon(*row, L::Icon);
    if (auto* label = ChildAs<widgets::Label>(*row, L::Label)) {
        label->SetFont(FontManager::Instance().GetFont(600, ScreenParts::FontUnit()));
        label->SetColor(kCaption);
        // The switch and the icon keep their sizes, so on a narrow screen a
        // caption has little room: a second line in its own font first (as
        // its neighbours read), then a smaller font.
        captionfit::Keep(*label, FontManager::Instance().GetFont(600, ScreenParts::FontUnit() * 4 / 5),
                         captionfit::Lines::ManyFirst);
        if (cutAllowed) label->AllowCut();
    }
    auto& l10n = Localization::Instance();
    // A switch reads as the answer to its caption: Yes or No.
    shared_ptr<Switch> toggle(new Switch(*row, l10n.Text(textid::kYes), l10n.Text(textid::kNo), L::Switch));
    row->Touched()->Add(shared_ptr<Delegate_2<shared_ptr<GObject>&, const Touch&>>(new SwitchListItem_Touch(toggle)));
    return toggle;
}

void ScreenRows::AddSectionCaption(GObject& list, const std::u16string& text) {
    const int f = ScreenParts::FontUnit();
    auto caption = ScreenParts::NewLabel(text, 600, f, kSectionGrey, widgets::Label::Left);
    caption->SetInsets(f / 2, 0, f / 2, 0);
    list.AddChild(caption, -1);
}

shared_ptr<GObject> ScreenRows::AddForm(GObject& root, std::vector<TableLayout::Cell> cells) {
    const int f = ScreenParts::FontUnit();
    // Item height 1: the table, not the list, sizes the rows.
    shared_ptr<GObject> form = ScreenParts::AddList(root, 1);
    form->SetLayout(shared_ptr<Layout>(new TableLayout(std::move(cells), f / 3, 2 * f)));
    return form;
}

shared_ptr<widgets::Link> ScreenRows::NewLink(const std::u16string& text, uint32_t horizontalAlign) {
    shared_ptr<widgets::Link> link(new widgets::Link());
    link->SetText(text);
    link->SetFont(FontManager::Instance().GetFont(400, ScreenParts::FontUnit()));
    link->SetAlign(horizontalAlign, widgets::Link::Middle);
    link->SetHotColors(kLinkColour, kLinkPressedColour);
    return link;
}
