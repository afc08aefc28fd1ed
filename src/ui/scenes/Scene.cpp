#include "ui/scenes/Scene.h"

#include <cstdlib>

#include "i18n/Localization.h"
#include "platform/shell/Shell.h"
#include "platform/system/SystemInfo.h"
#include "ui/app/MenuBar.h"
#include "ui/scenes/SceneHost.h"
#include "ui/scenes/SceneLayout.h"

namespace {

constexpr int kBackText = 4;

int BaseTextHeight() {
    platform::ScreenMetrics metrics;
    if (platform::GetScreenMetrics(metrics) && metrics.systemFontHeight != 0) return std::abs(metrics.systemFontHeight);
    return 16;
}

}  // namespace

Scene::~Scene() = default;

void Scene::UpdateMenuBar(const shared_ptr<GObject>& /*root*/) {
    MenuBar& keys = host->GetSoftKeys();
    keys.SetSoftKey(0, Localization::Instance().Text(kBackText));
    keys.SetSoftKey(1, u"");
}

void Scene::OnLeftSoftKey() { host->Back(); }

void Scene::OnChoose(int /*index*/) { host->Back(); }

shared_ptr<GObject> Scene::CreateRoot() {
    root = shared_ptr<GObject>(new GObject());
    Refresh();
    return root;
}

void Scene::Refresh() {
    if (!root) return;
    root->RemoveAllChildren();
    shared_ptr<Layout> layout(new SceneLayout(3 * BaseTextHeight()));
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
