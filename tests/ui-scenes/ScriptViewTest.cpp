#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/app/ILabelText.h"
#include "ui/app/TreeQuery.h"
#include "ui/scenes/MultiSceneLayout.h"
#include "ui/widgets/WidgetTypes.h"

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

// A 240x320 screen with a fault of each kind beside its sound twin: a cut
// that had room and one allowed, next to a text wider than the screen; a
// count whose label overlaps a name's and whose text does (left) or does not
// (right-aligned) meet it; a fixed button under the strip's close button and
// one under the strip, next to a list row that scrolls clear of the button.
// Under a modal layer only the layer's box counts.
TEST(ScriptViewTest, TheLayoutCheckNamesEachFaultAndNoSoundTwin) {
    RecordingServer server(240, 320);
    const shared_ptr<GObject>& root = server.GetRoot();
    auto label = [](GObject& parent, const std::u16string& text, Rect r, uint32_t align = widgets::Label::Left) {
        shared_ptr<widgets::Label> l(new widgets::Label());
        l->SetText(text);
        l->SetAlign(align, widgets::Label::Top);
        l->SetRect(r);
        parent.AddChild(l);
        return l;
    };
    label(*root, u"Uninstall", Rect(0, 0, 20, 20));
    label(*root, u"Hardware", Rect(0, 20, 20, 20))->AllowCut();
    label(*root, std::u16string(80, u'W'), Rect(0, 40, 100, 20));
    label(*root, u"Installed", Rect(0, 60, 200, 20));
    label(*root, u"(203)", Rect(20, 60, 200, 20));
    label(*root, u"Web Reader", Rect(0, 80, 200, 20));
    label(*root, u"(7)", Rect(20, 80, 200, 20), widgets::Label::Right);
    EventLog log;
    auto tappable = [&log](GObject& parent, Rect r, int32_t id = -1) {
        shared_ptr<GObject> o = NewObject(r.x, r.y, r.width, r.height);
        log.Listen(*o);
        parent.AddChild(o, id);
        return o;
    };
    shared_ptr<widgets::ScrollView> view(new widgets::ScrollView());
    root->AddChild(view);
    view->SetRect(Rect(0, 120, 240, 140));
    view->GetContent()->SetSize(240, 400);
    tappable(*view->GetContent(), Rect(0, 120, 240, 30));
    tappable(*root, Rect(150, 270, 60, 10));
    tappable(*root, Rect(0, 295, 40, 10));
    server.SetOverlay(tappable(*root, Rect(200, 250, 40, 30), 1000));
    tappable(*root, Rect(0, 280, 240, 40), 1001);

    const treequery::LayoutIds ids{1000, 1001, -21212};
    const std::vector<std::string> faults = treequery::LayoutFaults(*root, ids);
    const std::vector<std::string> expected{"\"Uninstall\" is cut", "\"Installed\" and TLabel #-1 \"(203)\" are",
                                            "#-1 lies under the strip's close button",
                                            "#-1 lies under the advertising strip"};
    ASSERT_EQ(faults.size(), expected.size()) << testing::PrintToString(faults);
    for (std::size_t i = 0; i < faults.size(); ++i)
        EXPECT_NE(faults[i].find(expected[i]), std::string::npos) << faults[i];

    auto layer = NewObject(0, 0, 240, 320);
    root->AddChild(layer, ids.modalLayer);
    label(*layer, u"Remember your login?", Rect(10, 200, 220, 20));
    EXPECT_EQ(treequery::LayoutFaults(*root, ids), std::vector<std::string>());
}
