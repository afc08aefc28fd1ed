#include <gtest/gtest.h>

#include "SceneTestSupport.h"
#include "support/ProgramRun.h"
#include "i18n/Localization.h"
#include "ui/scenes/SceneLayout.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

class CountingScene : public Scene {
public:
    using Scene::Scene;
    void Build(const shared_ptr<GObject>& root) override {
        ++builds;
        body = NewObject(0, 0, 1, 1);
        root->AddChild(body, SceneLayout::Body);
        root->AddChild(NewObject(0, 0, 1, 1), SceneLayout::TopBar);
    }
    int builds = 0;
    shared_ptr<GObject> body;
};

}  // namespace

TEST(SceneTest, RootIsBuiltOnceAndRebuiltFromScratch) {
    TestHost host;
    shared_ptr<CountingScene> scene(new CountingScene(&host));
    scene->Refresh();  // nothing to rebuild before the root exists
    EXPECT_EQ(scene->builds, 0);

    auto root = scene->CreateRoot();
    EXPECT_EQ(scene->builds, 1);
    root->SetSize(240, 300);
    const int bar = static_cast<SceneLayout*>(root->GetLayout().get())->GetBarHeight();
    EXPECT_GT(bar, 0);
    EXPECT_EQ(scene->body->GetRect(), Rect(0, bar, 240, 300 - bar));

    auto firstBody = scene->body;
    scene->Refresh();
    EXPECT_EQ(scene->builds, 2);
    EXPECT_EQ(root->ChildCount(), 2);  // the old content is gone, not doubled
    int index = 0;
    EXPECT_FALSE(root->IndexOfChild(firstBody.get(), index));
    EXPECT_EQ(scene->body->GetRect(), Rect(0, bar, 240, 300 - bar));
}

TEST(SceneTest, DefaultKeysGoBackAndLabelTheLeftKey) {
    TestHost host;
    shared_ptr<CountingScene> scene(new CountingScene(&host));
    scene->OnLeftSoftKey();
    scene->OnChoose(3);
    scene->OnRightSoftKey();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"back", "back"}));

    scene->UpdateMenuBar(scene->CreateRoot());
    EXPECT_EQ(host.softKeys.GetLabel(0), Localization::Instance().Text(4));
    EXPECT_EQ(host.softKeys.GetLabel(1), u"");
}

// A link made by a scene is a real tap target: pressed it turns red, the tap
// opens the target once, and a press, a move or a release after a drag away
// from it opens nothing.
TEST(AppLauncherTest, LinksOpenTheirTargetWhenTapped) {
    TempRoot device;
    RecordingServer server(240, 320);
    auto link = Scene::AddLink(server.GetRoot(), u"Site", u"http://links.invalid/site", 1);
    link->SetRect(Rect(10, 10, 100, 30));
    EXPECT_EQ(link->GetText(), u"Site");
    EXPECT_EQ(link->GetColor(), 0xAA0000u);

    Touch touch;
    Stylus(*server.GetRoot(), touch, Touch::Down, 50, 20);
    EXPECT_EQ(link->GetColor(), 0x0000ADu);
    Stylus(*server.GetRoot(), touch, Touch::Move, 200, 200);
    Stylus(*server.GetRoot(), touch, Touch::Up, 200, 200);
    EXPECT_EQ(link->GetColor(), 0xAA0000u);
    EXPECT_EQ(ReadAll(device.path / "launch.log"), "");

    Tap(*server.GetRoot(), touch, 50, 20);
    const std::string log = ReadAll(device.path / "launch.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("http://links.invalid/site"), std::string::npos);
}
