#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/app/ILabelText.h"
#include "ui/app/TreeQuery.h"
#include "ui/scenes/MultiSceneLayout.h"

namespace {

class Caption : public GObject, public ILabelText {
public:
    explicit Caption(std::u16string text) : text(std::move(text)) {}
    std::u16string GetLabelText() const override { return text; }
    std::u16string text;
};

shared_ptr<GObject> AddCaption(const shared_ptr<GObject>& parent, const std::u16string& text, Rect r) {
    shared_ptr<GObject> c(new Caption(text));
    c->SetRect(r);
    parent->AddChild(c);
    return c;
}

}  // namespace

// Two scenes in the container: the covered one waits off-screen to the left
// with a label of the same text as the one on screen, and one more label
// only it has. A script must see what the screen shows, nothing else.
TEST(ScriptViewTest, LabelsOfCoveredScenesAreNotOnScreen) {
    RecordingServer server(240, 320);
    auto container = NewObject(0, 0, 240, 320);
    server.GetRoot()->AddChild(container);
    auto covered = NewObject(0, 0, 1, 1);
    auto top = NewObject(0, 0, 1, 1);
    container->AddChild(covered);
    container->AddChild(top);
    shared_ptr<MultiSceneLayout> layout(new MultiSceneLayout(nullptr, 0));
    container->SetLayout(layout);
    layout->ShowIndex(1, false);

    auto hiddenBack = AddCaption(covered, u"Back", Rect(10, 10, 50, 20));
    AddCaption(covered, u"Only below", Rect(10, 40, 80, 20));
    auto shownBack = AddCaption(top, u"Back", Rect(10, 10, 50, 20));

    EXPECT_EQ(treequery::FindLabel(*server.GetRoot(), u"Back"), shownBack.get());
    EXPECT_EQ(treequery::FindLabel(*server.GetRoot(), u"Only below"), nullptr);
    Rect area;
    EXPECT_FALSE(treequery::VisibleArea(*hiddenBack, area));

    auto dump = treequery::Dump(*server.GetRoot());
    const auto& scenes = dump["children"][0]["children"];
    EXPECT_FALSE(scenes[0]["onScreen"].get<bool>());
    EXPECT_FALSE(scenes[0]["children"][0]["onScreen"].get<bool>());
    EXPECT_TRUE(scenes[1]["children"][0]["onScreen"].get<bool>());
}

// A label scrolled half out of its list is seen where it shows, and one
// scrolled out entirely is not seen at all, though its own rectangle lies
// inside the window.
TEST(ScriptViewTest, ParentsClipWhatIsSeen) {
    RecordingServer server(240, 320);
    auto list = NewObject(0, 100, 240, 100);
    server.GetRoot()->AddChild(list);
    auto half = AddCaption(list, u"Half", Rect(0, -10, 240, 30));
    auto gone = AddCaption(list, u"Gone", Rect(0, 150, 240, 30));
    Rect area;
    ASSERT_TRUE(treequery::VisibleArea(*half, area));
    EXPECT_EQ(area, Rect(0, 100, 240, 20));
    EXPECT_FALSE(treequery::VisibleArea(*gone, area));
    EXPECT_EQ(treequery::FindLabel(*server.GetRoot(), u"Gone"), nullptr);

    half->SetVisible(false);
    EXPECT_EQ(treequery::FindLabel(*server.GetRoot(), u"Half"), nullptr);
}
