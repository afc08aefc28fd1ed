#include "ui/scenes/Scene.h"

#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "platform/shell/Shell.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/SceneHost.h"
#include "ui/scenes/SceneLayout.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

// GDI colour values (0x00BBGGRR): a blue link that turns red while pressed.
constexpr uint32_t kLinkColour = 0xAA0000;
constexpr uint32_t kLinkPressedColour = 0x0000AD;

}  // namespace

Scene::~Scene() = default;

void Scene::UpdateMenuBar(const shared_ptr<GObject>& /*root*/) {
    MenuBar& keys = host->GetSoftKeys();
    keys.SetSoftKey(0, Localization::Instance().Text(textid::kBack));
    keys.SetSoftKey(1, u"");
}

void Scene::OnLeftSoftKey() { host->Back(); }

void Scene::OnChoose(int /*index*/) { host->Back(); }

shared_ptr<GObject> Scene::CreateRoot() {
    // Movable: the scene container slides the roots.
    root = shared_ptr<GObject>(new widgets::Movable());
    Refresh();
    return root;
}

void Scene::Refresh() {
    if (!root) return;
    root->RemoveAllChildren();
    shared_ptr<Layout> layout(new SceneLayout(3 * LayoutMetrics::Get().fontUnit));
    root->SetLayout(layout);
    layout->Lock();
    Build(root);
    layout->Unlock();
}

void Scene::AppLauncher::Invoke(shared_ptr<GObject>& /*sender*/, const Touch& touch) {
    if (touch.type != Touch::Click) return;
    // Fire and forget: a link that cannot be opened simply opens nothing.
    platform::ShellExecute(u"open", target);
}

shared_ptr<THotLabel<TLabel<GObject>>> Scene::AddLink(const shared_ptr<GObject>& parent, const std::u16string& text,
                                                      const std::u16string& target, uint32_t horizontalAlign) {
    shared_ptr<widgets::Link> link(new widgets::Link());
    link->SetText(text);
    link->SetAlign(horizontalAlign, widgets::Link::Middle);
    link->SetHotColors(kLinkColour, kLinkPressedColour);
    // The label owns its Touched event and with it the launcher: the link
    // can open its target exactly as long as it exists.
    link->Touched()->Add(shared_ptr<Delegate_2<shared_ptr<GObject>&, const Touch&>>(new AppLauncher(target)));
    parent->AddChild(link, -1);
    return link;
}
