#include "ui/widgets/SkinFactory.h"

#include <algorithm>

#include "platform/text/DeviceContext.h"
#include "ui/FontManager.h"
#include "ui/ImagePool.h"
#include "ui/layouts/LayoutMetrics.h"

using namespace widgets;

namespace {

constexpr int kBold = 600;
constexpr int kRowCheckId = 7002;
constexpr int kRowLabelId = 7001;

template <class Label>
void Caption(Label& label, const std::u16string& text, uint32_t color, int baseHeight, uint32_t horizontal) {
    label.SetText(text);
    label.SetColor(color);
    label.SetFont(FontManager::Instance().GetFont(kBold, baseHeight));
    label.SetAlign(horizontal, Label::Middle);
}

// Label on the left, check mark on the right, both centred vertically; run
// whenever the row gets its size from the list. The mark is drawn for a
// 96-DPI screen and scaled by the screen's density, so that it keeps its
// size beside the text (at its natural size it was a speck at 192 DPI).
void PlaceCheckRow(GObject& row, int margin) {
    shared_ptr<GObject> label, check;
    int right = row.Width() - margin;
    if (row.FindChildById(kRowCheckId, check)) {
        auto* image = dynamic_cast<Image*>(check.get());
        const shared_ptr<Surface>& s = image ? image->GetSourceImage() : shared_ptr<Surface>();
        const int dpi = std::max(96, LayoutMetrics::Get().horizontalDpi);
        const int w = s ? s->Width() * dpi / 96 : 0, h = s ? s->Height() * dpi / 96 : 0;
        check->SetRect(Rect(right - w, (row.Height() - h) / 2, w, h));
        right -= w + margin;
    }
    if (row.FindChildById(kRowLabelId, label)) label->SetRect(Rect(margin, 0, right - margin, row.Height()));
}

}  // namespace

shared_ptr<Surface> SkinFactory::SkinImage(const std::u16string& name) {
    return ImagePool::Instance().GetImage(name, ImagePool::Cache);
}

shared_ptr<Button> SkinFactory::CreateButton(GObject& parent, const std::u16string& caption, int baseHeight, int id) {
    shared_ptr<Button> button(new Button());
    button->AddImageState(Button::NormalImage, SkinImage(u"btn.png"));
    button->AddImageState(Button::PressedImage, SkinImage(u"btn_sel.png"));
    button->SetStretch(true);
    button->SetImageState(Button::NormalImage);
    Caption(*button, caption, kWhite, baseHeight, Button::Centre);
    parent.AddChild(button, id);
    return button;
}

shared_ptr<TextBox> SkinFactory::CreateTextBox(GObject& parent, uint32_t horizontalAlign, int baseHeight, int id) {
    shared_ptr<TextBox> box(new TextBox());
    box->AddImageState(0, SkinImage(u"edit.png"));
    box->SetStretch(true);
    box->SetImageState(0);
    box->SetAlign(horizontalAlign, TextBox::Middle);
    box->SetInsets(baseHeight / 2, 0, baseHeight / 2, 0);
    parent.AddChild(box, id);
    return box;
}

shared_ptr<RowButton> SkinFactory::CreateListRow(GObject& parent, uint8_t red, uint8_t green, uint8_t blue, int id) {
    shared_ptr<RowButton> row(new RowButton());
    row->AddImageState(RowButton::NormalImage, SkinImage(u"ls.png"));
    row->AddImageState(RowButton::PressedImage, SkinImage(u"ls_sel.png"));
    row->SetStretch(true);
    row->SetImageState(RowButton::NormalImage);
    row->SetLineColor(red, green, blue);
    parent.AddChild(row, id);
    return row;
}

std::vector<shared_ptr<RowButton>> SkinFactory::CreateCheckList(GObject& parent,
                                                                const std::vector<std::u16string>& entries,
                                                                int choice, int baseHeight,
                                                                std::function<void(int)> onChoose) {
    std::vector<shared_ptr<RowButton>> rows;
    const int margin = baseHeight / 2;
    for (size_t i = 0; i < entries.size(); ++i) {
        const int index = static_cast<int>(i);
        shared_ptr<RowButton> row = CreateListRow(parent, 0xC8, 0xC8, 0xC8);
        shared_ptr<Label> label(new Label());
        label->SetText(entries[i]);
        label->SetAlign(Label::Left, Label::Middle);
        label->SetFont(FontManager::Instance().GetFont(kBold, baseHeight));
        row->AddChild(label, kRowLabelId);
        shared_ptr<Image> check(new Image());
        check->AddImageState(0, SkinImage(u"check.png"));
        check->SetStretch(true);
        check->SetImageState(0);
        check->SetVisible(index == choice);
        row->AddChild(check, kRowCheckId);
        row->SetFocusable(index == choice);
        // Keys start on the current choice, as the eye does.
        if (index == choice) row->SetKeyRole(GObject::KeyRole::Start);
        // The handlers live in the row's own events and hold no pointer to
        // anything else, so they need no unsubscribing.
        GObject* rowObject = row.get();
        SubscribeFn(row->Resized(), [rowObject, margin](shared_ptr<GObject>&, int, int) {
            PlaceCheckRow(*rowObject, margin);
        });
        SubscribeFn(row->Touched(), [onChoose, index](shared_ptr<GObject>&, const Touch& touch) {
            if (touch.type == Touch::Click && onChoose) onChoose(index);
        });
        PlaceCheckRow(*row, margin);
        rows.push_back(row);
    }
    return rows;
}

namespace {
constexpr uint32_t kUnselectedPiece = 0x4A5562;

// The widest caption of the pieces in a font.
int WidestCaption(const RadioGroup& group, FontManager::FontHandle font) {
    platform::text::DeviceContext dc;
    dc.SelectFont(font);
    int widest = 0;
    for (const auto& child : group.Children())
        if (auto* tab = dynamic_cast<SelectTab*>(child.get()))
            widest = std::max(widest, dc.GetTextExtent(tab->GetText()).width);
    return widest;
}

// Each piece gets an equal share of the group. A caption that fills its
// share runs into the dividers and into its neighbour's caption (three words
// in half of a 176-pixel bar): the pieces then step down to the plain face,
// then to a smaller one, all three alike, until the widest keeps a quarter
// of the font unit clear on either side.
void FitCaptions(RadioGroup& group, int baseHeight) {
    const int count = static_cast<int>(group.Children().size());
    if (count == 0 || group.Width() <= 0) return;
    const int room = group.Width() / count - 2 * (baseHeight / 4);
    FontManager& fonts = FontManager::Instance();
    const FontManager::FontHandle choices[] = {fonts.GetFont(kBold, baseHeight), fonts.GetFont(400, baseHeight),
                                               fonts.GetFont(400, baseHeight * 5 / 6)};
    FontManager::FontHandle font = choices[0];
    for (FontManager::FontHandle choice : choices) {
        font = choice;
        if (WidestCaption(group, choice) <= room) break;
    }
    for (const auto& child : group.Children())
        if (auto* tab = dynamic_cast<SelectTab*>(child.get())) tab->SetFont(font);
}

}  // namespace

shared_ptr<RadioGroup> SkinFactory::CreateSortSelector(GObject& parent, const std::vector<std::u16string>& captions,
                                                       int selected, int baseHeight, int id) {
    // Whole names, so that a look through the code finds every image it needs.
    static const char16_t* const kParts[3][2] = {{u"sort_left_sel.png", u"sort_left_usel.png"},
                                                 {u"sort_mid_sel.png", u"sort_mid_usel.png"},
                                                 {u"sort_right_sel.png", u"sort_right_usel.png"}};
    shared_ptr<RadioGroup> group(new RadioGroup());
    for (int i = 0; i < 3; ++i) {
        shared_ptr<SelectTab> tab(new SelectTab());
        tab->SetStretch(true);
        tab->SetSelectImage(SelectTab::Selected, SkinImage(kParts[i][0]));
        tab->SetSelectImage(SelectTab::Unselected, SkinImage(kParts[i][1]));
        Caption(*tab, i < static_cast<int>(captions.size()) ? captions[static_cast<size_t>(i)] : u"", kWhite,
                baseHeight, SelectTab::Centre);
        // An unselected piece is a choice to make, not a disabled one: dark
        // slate on its light image reads at about 6:1 (the light grey of the
        // title bar's path read at 1.5:1 there).
        tab->SetSelectColors(kWhite, kUnselectedPiece);
        group->AddChild(tab, i);
    }
    group->Select(selected);
    RadioGroup* self = group.get();
    SubscribeFn(group->Resized(), [self, baseHeight](shared_ptr<GObject>&, int, int) { FitCaptions(*self, baseHeight); });
    parent.AddChild(group, id);
    return group;
}

shared_ptr<Image> SkinFactory::CreateTitleBar(GObject& parent, const std::vector<std::u16string>& path,
                                              int baseHeight, int id) {
    shared_ptr<Image> bar(new Image());
    bar->AddImageState(0, SkinImage(u"app_bar.png"));
    bar->SetStretch(true);
    bar->SetImageState(0);
    shared_ptr<Image> home(new Image());
    home->AddImageState(0, SkinImage(u"icon_home.png"));
    home->SetImageState(0, true);
    // The header gives the icon a square as high as the bar; on a coarse
    // screen that is smaller than the picture, which must shrink, not be cut.
    home->SetStretch(true);
    bar->AddChild(home, HomeIconId);
    for (size_t i = 0; i < path.size(); ++i) {
        if (i + 1 == path.size()) {
            shared_ptr<Label> title(new Label());
            Caption(*title, path[i], kWhite, baseHeight, Label::Left);
            bar->AddChild(title, TitleId);
            break;
        }
        shared_ptr<Link> link(new Link());
        // Against the separator: a link cut to its share of a narrow bar
        // leaves the slack of its ellipsis before it, not a gap in the path.
        Caption(*link, path[i], kPathGrey, baseHeight, Link::Right);
        link->SetHotColors(kPathGrey, kWhite);
        bar->AddChild(link, i == 0 ? FirstLinkId : -1);
        shared_ptr<Label> separator(new Label());
        Caption(*separator, u" / ", kPathGrey, baseHeight, Label::Left);
        bar->AddChild(separator, i == 0 ? FirstSeparatorId : -1);
    }
    parent.AddChild(bar, id);
    return bar;
}
