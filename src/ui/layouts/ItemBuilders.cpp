#include "ui/layouts/ItemBuilders.h"

#include "ui/FontManager.h"
#include "ui/ImagePool.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/layouts/SwitchItemLayout.h"
#include "ui/layouts/TreeItemLayout.h"
#include "ui/layouts/TwoStageTreeItemLayout.h"
#include "ui/widgets/WidgetTypes.h"

namespace ItemBuilders {
namespace {

struct ImageSize {
    int32_t width = 0;
    int32_t height = 0;
};

shared_ptr<widgets::Image> NewImage(const shared_ptr<Surface>& picture) {
    shared_ptr<widgets::Image> image(new widgets::Image());
    image->AddImageState(0, picture);
    return image;
}

shared_ptr<Surface> SkinImage(const std::u16string& name) {
    return ImagePool::Instance().GetImage(name, ImagePool::Cache);
}

// Icons are centred in the square the layout gives them, at their own size.
void AddIcon(GObject& row, const std::u16string& name, int32_t id) {
    if (name.empty()) return;
    auto icon = NewImage(SkinImage(name));
    icon->SetAlign(widgets::Image::Centre, widgets::Image::Centre);
    icon->SetImageState(0);
    row.AddChild(icon, id);
}

// Returns the size the layout must give the arrow (0 by 0 without one).
ImageSize AddArrow(GObject& row, const std::u16string& name, int32_t id) {
    if (name.empty()) return {};
    shared_ptr<Surface> picture = SkinImage(name);
    auto arrow = NewImage(picture);
    const int32_t scale = LayoutMetrics::Get().DoublesImages() ? 2 : 1;
    ImageSize size{picture->Width() * scale, picture->Height() * scale};
    arrow->SetStretch(scale != 1);
    arrow->SetImageState(0);
    row.AddChild(arrow, id);
    return size;
}

shared_ptr<widgets::Label> AddLabel(GObject& row, const std::u16string& text, int32_t id) {
    shared_ptr<widgets::Label> label(new widgets::Label());
    label->SetText(text);
    label->SetAlign(widgets::Label::Left, widgets::Label::Middle);
    row.AddChild(label, id);
    return label;
}

}  // namespace

shared_ptr<GObject> TreeItem(const shared_ptr<GObject>& row, const std::u16string& text,
                             const std::u16string& iconName, const std::u16string& arrowName) {
    using L = TreeItemLayout;
    AddIcon(*row, iconName, L::Icon);
    ImageSize arrow = AddArrow(*row, arrowName, L::Arrow);
    AddLabel(*row, text, L::Label);
    row->SetLayout(shared_ptr<Layout>(new TreeItemLayout(LayoutMetrics::Get().Half(), arrow.width, arrow.height)));
    return row;
}

shared_ptr<GObject> TwoStageItem(const shared_ptr<GObject>& row, const std::u16string& upperText,
                                 const std::u16string& lowerText, const std::u16string& iconName,
                                 const std::u16string& arrowName) {
    using L = TwoStageTreeItemLayout;
    const LayoutMetrics& m = LayoutMetrics::Get();
    AddIcon(*row, iconName, L::Icon);
    ImageSize arrow = AddArrow(*row, arrowName, L::Arrow);
    AddLabel(*row, upperText, L::UpperLine);
    AddLabel(*row, lowerText, L::LowerLine)->SetFont(FontManager::Instance().GetFont(600, m.fontUnit * 5 / 4));
    row->SetLayout(shared_ptr<Layout>(new TwoStageTreeItemLayout(m.Half(), arrow.width, arrow.height)));
    return row;
}

shared_ptr<GObject> SwitchRow(const shared_ptr<GObject>& row, const std::u16string& text,
                              const std::u16string& iconName) {
    using L = SwitchItemLayout;
    AddIcon(*row, iconName, L::Icon);
    AddLabel(*row, text, L::Label);
    row->SetLayout(shared_ptr<Layout>(new SwitchItemLayout(LayoutMetrics::Get().Half())));
    return row;
}

}  // namespace ItemBuilders
