#include "screens/ScreenParts.h"

#include "platform/text/DeviceContext.h"
#include "screens/CaptionFit.h"
#include "ui/FontManager.h"
#include "ui/layouts/FilterBarLayout.h"
#include "ui/layouts/ItemBuilders.h"
#include "ui/layouts/HorizontRadioLayout.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/layouts/ListLayout.h"
#include "ui/layouts/SimpleHeaderLayout.h"
#include "ui/layouts/TreeItemLayout.h"
#include "ui/scenes/SceneHost.h"
#include "ui/widgets/SkinFactory.h"

namespace {

constexpr int kBold = 600;
// Row separators: a light grey that reads on the white rows.
constexpr uint8_t kLineGrey = 0xDC;
constexpr uint32_t kCaption = 0x202020;

int NaturalWidth(const GObject* object) {
    auto* label = dynamic_cast<const widgets::Label*>(object);
    if (!label || label->GetText().empty()) return 0;
    platform::text::DeviceContext dc;
    dc.SelectFont(label->GetFont());
    return dc.GetTextExtent(label->GetText()).width;
}

GObject* Child(GObject& parent, int32_t id) {
    shared_ptr<GObject> child;
    return parent.FindChildById(id, child) ? child.get() : nullptr;
}

}  // namespace

int ScreenParts::FontUnit() { return LayoutMetrics::Get().fontUnit; }

Point ScreenParts::ArrowSize(const std::u16string& image) {
    shared_ptr<Surface> s = SkinFactory::SkinImage(image);
    if (!s || s->IsEmpty()) return Point{0, 0};
    const int scale = LayoutMetrics::Get().DoublesImages() ? 2 : 1;
    return Point{s->Width() * scale, s->Height() * scale};
}

shared_ptr<widgets::Label> ScreenParts::NewLabel(const std::u16string& text, int weight, int height, uint32_t color,
                                                 uint32_t horizontal) {
    shared_ptr<widgets::Label> label(new widgets::Label());
    label->SetText(text);
    label->SetFont(FontManager::Instance().GetFont(weight, height));
    label->SetColor(color);
    label->SetAlign(horizontal, widgets::Label::Middle);
    return label;
}

shared_ptr<widgets::Image> ScreenParts::NewImage(const std::u16string& image, bool stretch) {
    shared_ptr<widgets::Image> object(new widgets::Image());
    object->AddImageState(0, SkinFactory::SkinImage(image));
    object->SetStretch(stretch);
    object->SetAlign(1, 1);
    object->SetImageState(0);
    return object;
}

shared_ptr<widgets::Image> ScreenParts::AddHeader(GObject& root, SceneHost* host, const std::u16string& title,
                                                  const std::u16string& backText) {
    const int f = FontUnit();
    std::vector<std::u16string> path;
    if (!backText.empty()) path.push_back(backText);
    path.push_back(title);
    shared_ptr<widgets::Image> bar = SkinFactory::CreateTitleBar(root, path, f, HeaderId);
    GObject* back = Child(*bar, SimpleHeaderLayout::BackLink);
    GObject* separator = Child(*bar, SimpleHeaderLayout::Separator);
    if (back) {
        // The shell outlives every scene, so the link may hold it directly.
        SubscribeFn(back->Touched(), [host](shared_ptr<GObject>&, const Touch& touch) {
            if (touch.type == Touch::Click) host->Back();
        });
    }
    // The home icon leads somewhere only from a page above the main menu: on
    // the menu itself and before sign-in it is a picture, no stop for the keys.
    GObject* home = Child(*bar, SimpleHeaderLayout::RightIcon);
    if (home && !backText.empty() && host && host->HasMainMenu()) {
        SubscribeFn(home->Touched(), [host](shared_ptr<GObject>&, const Touch& touch) {
            if (touch.type == Touch::Click) host->ReturnToMainMenu();
        });
    }
    const int backWidth = NaturalWidth(back);
    bar->SetLayout(shared_ptr<Layout>(new SimpleHeaderLayout(backWidth, backWidth ? NaturalWidth(separator) : 0,
                                                             NaturalWidth(Child(*bar, SimpleHeaderLayout::Title)),
                                                             f / 3)));
    return bar;
}

shared_ptr<GObject> ScreenParts::AddList(GObject& root, int itemHeight) {
    shared_ptr<widgets::ScrollView> view(new widgets::ScrollView());
    view->SetBarWidth(std::max(4, FontUnit() / 4));
    view->SetItemHeight(itemHeight);
    shared_ptr<GObject> content = view->GetContent();
    content->SetLayout(shared_ptr<Layout>(new ListLayout(itemHeight)));
    root.AddChild(view, BodyId);
    return content;
}

shared_ptr<widgets::RowButton> ScreenParts::AddTreeRow(GObject& list, const std::u16string& text,
                                                       const std::u16string& icon, const std::u16string& arrow) {
    shared_ptr<widgets::RowButton> row = SkinFactory::CreateListRow(list, kLineGrey, kLineGrey, kLineGrey);
    ItemBuilders::TreeItem(row, text, icon, arrow);
    // The store's rows read as a menu: a bold, larger caption, and icons
    // scaled to the row on small screens rather than cut.
    if (auto* label = dynamic_cast<widgets::Label*>(Child(*row, TreeItemLayout::Label))) {
        label->SetFont(FontManager::Instance().GetFont(kBold, FontUnit() * 5 / 4));
        label->SetColor(kCaption);
        // Long names on a small screen: two lines in the rows' own font
        // where the row has the height for them, else the plain font size.
        captionfit::Keep(*label, FontManager::Instance().GetFont(kBold, FontUnit()), captionfit::Lines::ManyFirst);
    }
    if (auto* image = dynamic_cast<widgets::Image*>(Child(*row, TreeItemLayout::Icon))) image->SetStretch(true);
    return row;
}

shared_ptr<Layout> ScreenParts::NewFilterBarLayout() { return shared_ptr<Layout>(new FilterBarLayout()); }
shared_ptr<Layout> ScreenParts::NewHorizontRadioLayout() { return shared_ptr<Layout>(new HorizontRadioLayout()); }

shared_ptr<widgets::MultiLineBox> ScreenParts::AddTextEditor(GObject& root, SceneHost* host, const std::u16string& typed,
                                                             int top, int rows, bool visible) {
    const int f = FontUnit();
    shared_ptr<widgets::MultiLineBox> editor(new widgets::MultiLineBox());
    editor->SetFont(FontManager::Instance().GetFont(400, f));
    editor->SetColor(0x202020);
    editor->SetInsets(f / 3, f / 4, f / 3 + 4, f / 4);
    const int width = host && host->GetUiRoot() ? host->GetUiRoot()->Width() : root.Width();
    editor->SetRect(Rect(f / 2, top * f, width - f, rows * f));
    editor->SetText(typed);
    editor->SetCursor(typed.size());
    editor->SetVisible(visible);
    root.AddChild(editor, -1);
    return editor;
}

void ScreenParts::ShowTextEditor(const shared_ptr<widgets::MultiLineBox>& editor, bool show) {
    if (!editor) return;
    if (!show && editor->IsFocused()) editor->SetFocused(false);
    editor->SetVisible(show);
}
