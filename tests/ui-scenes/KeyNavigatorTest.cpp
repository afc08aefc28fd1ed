#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/ImagePool.h"
#include "ui/KeyStops.h"
#include "ui/layouts/LayoutMetrics.h"
#include "ui/widgets/StarRating.h"
#include "ui/widgets/Switch.h"
#include "ui/widgets/WidgetTypes.h"

namespace {

// A page as the screens build them: a title bar with a back link and a home
// icon on one line, and a scroll view of ten rows 60 high in a 200-high
// viewport; the second row holds two buttons side by side.
class KeyNavigatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        page = NewObject(0, 0, 240, 320);
        server.GetRoot()->AddChild(page);
        back = Tappable(*page, Rect(5, 8, 60, 16), 1);
        home = Tappable(*page, Rect(200, 2, 30, 26), 2);
        view = new widgets::ScrollView();
        page->AddChild(view);
        view->SetRect(Rect(0, 30, 240, 200));
        content = view->GetContent();
        content->SetSize(240, 600);
        for (int i = 0; i < 10; ++i) rows.push_back(Tappable(*content, Rect(0, i * 60, 240, 60), 10 + i));
        ok = Tappable(*rows[1], Rect(10, 35, 60, 20), 30);
        cancel = Tappable(*rows[1], Rect(100, 35, 60, 20), 31);
        keys().SetTapper([this](Point p) { Tap(p.x, p.y); });
        keys().SetScope(page);
    }

    shared_ptr<GObject> Tappable(GObject& parent, Rect r, int id) {
        shared_ptr<GObject> o = NewObject(r.x, r.y, r.width, r.height);
        log.Listen(*o);
        parent.AddChild(o, id);
        return o;
    }
    KeyNavigator& keys() { return server.Keys(); }
    bool Press(int code) {
        Key key;
        key.code = code;
        return keys().OnKey(key);
    }
    void Tap(int x, int y) { ::Tap(*server.GetRoot(), touch, x, y); }
    GObject* Lit() { return keys().Highlight().get(); }
    // Presses each step's key (`times` over) and checks what is lit after it.
    struct Step {
        int key;
        shared_ptr<GObject> lit;
        const char* why = "";
        int times = 1;
    };
    void Walk(std::initializer_list<Step> steps) {
        int n = 0;
        for (const Step& s : steps) {
            for (int i = 0; i < s.times; ++i) Press(s.key);
            EXPECT_EQ(Lit(), s.lit.get()) << "step " << n++ << ": " << s.why;
        }
    }
    void Repaint() {
        server.Invalidate();
        server.Tick(true, true);
    }
    int Scrolled() const { return -content->Y(); }

    RecordingServer server{240, 320};
    shared_ptr<GObject> page, back, home, content, ok, cancel;
    shared_ptr<widgets::ScrollView> view;
    std::vector<shared_ptr<GObject>> rows;
    EventLog log;
    Touch touch;
};

std::vector<int> Ids(const std::vector<GObject*>& stops) {
    std::vector<int> ids;
    for (GObject* s : stops) ids.push_back(s->GetId());
    return ids;
}

}  // namespace

// Lines top to bottom, each left to right, as if the list rested at its top;
// what is hidden, takes no touches, lies off the screen or is marked to be
// passed over is no stop, and neither is the scrolled content itself.
TEST_F(KeyNavigatorTest, StopsComeInReadingOrderAndSkipWhatCannotBeReached) {
    rows[3]->SetVisible(false);
    rows[4]->SetTouchEnabled(false);
    rows[5]->SetKeyRole(GObject::KeyRole::Skip);
    Tappable(*page, Rect(250, 100, 20, 20), 40);  // right of the screen
    Tappable(*rows[6], Rect(0, 70, 20, 20), 41);  // outside its row: never drawn
    const std::vector<int> expected{1, 2, 10, 11, 30, 31, 12, 16, 17, 18, 19};
    EXPECT_EQ(Ids(keystops::Collect(*page)), expected);
    view->ScrollContentBy(-400);
    ASSERT_EQ(Scrolled(), 400);
    EXPECT_EQ(Ids(keystops::Collect(*page)), expected) << "a row scrolled above the list still follows the title bar";
    page->SetTouchEnabled(false);
    EXPECT_TRUE(keystops::Collect(*page).empty()) << "a page waiting for an answer offers nothing";
}

// Up and Down go line by line, Left and Right within a line; a stop below
// the viewport is scrolled in whole, and the ends do not wrap.
TEST_F(KeyNavigatorTest, ArrowsWalkTheLinesScrollingAndStopAtTheEnds) {
    EXPECT_EQ(Lit(), nullptr) << "a touch device shows no highlight before the first arrow";
    server.Tick(true, true);
    EXPECT_EQ(Lit(), nullptr);
    ASSERT_TRUE(Press(Key::Down));
    EXPECT_EQ(Lit(), rows[0].get()) << "the first arrow shows the start: the body's first stop";
    Walk({{Key::Down, rows[1]}, {Key::Down, ok}, {Key::Right, cancel}, {Key::Right, cancel, "the end of a line"},
          {Key::Up, rows[1]}, {Key::Up, back, "Up lands on the first stop of the line above", 3},
          {Key::Right, home}, {Key::Up, home, "no wrapping at the top"}, {Key::Down, rows[9], "", 12}});
    EXPECT_EQ(Scrolled(), 400) << "the last row shows whole at the bottom of the view";
    const Rect r = rows[9]->GetScreenRect();
    EXPECT_GE(r.y, 30);
    EXPECT_LE(r.Bottom(), 230);
    Walk({{Key::Down, rows[9], "no wrapping at the bottom"}});
    EXPECT_EQ(Scrolled(), 400);
    Walk({{Key::Up, rows[8]}});
}

// Enter is a finger on the highlighted object: the same records in the same
// order, so every handler sees a tap. A row is tapped where none of its
// buttons is.
TEST_F(KeyNavigatorTest, EnterTapsTheHighlightAsAFingerWould) {
    const Point middle{120, 30 + 2 * 60 + 30};
    Tap(middle.x, middle.y);
    const std::vector<std::string> byFinger = log.entries;
    ASSERT_FALSE(byFinger.empty());
    log.entries.clear();
    Walk({{Key::Down, rows[2], "", 4}});
    ASSERT_TRUE(Press(Key::Enter));
    EXPECT_EQ(log.entries, byFinger);
    EXPECT_EQ(log.entries.back(), "release:12");

    log.entries.clear();
    Walk({{Key::Up, rows[1], "", 2}});
    Press(Key::Enter);
    ASSERT_FALSE(log.entries.empty());
    for (const auto& e : log.entries) EXPECT_EQ(e.substr(e.find(':')), ":11") << e;
    EXPECT_EQ(Lit(), rows[1].get()) << "the highlight stays where Enter was pressed";
}

// A scene may order its stops, and a page may mark where it starts; on a
// device without a touch screen the start is highlighted as soon as the page
// takes input, and a stylus drops it.
TEST_F(KeyNavigatorTest, AScenesOwnOrderAndStartOnAKeysOnlyDevice) {
    keys().SetKeysOnly(true);
    rows[2]->SetKeyRole(GObject::KeyRole::Start);
    page->SetTouchEnabled(false);
    keys().SetScope(page, [](std::vector<GObject*>& stops) { std::reverse(stops.begin(), stops.end()); });
    server.Tick(true, true);
    EXPECT_EQ(Lit(), nullptr) << "not while the page takes no input";
    page->SetTouchEnabled(true);
    // A key before the next frame acts as after it: on from the start.
    Walk({{Key::Down, cancel, "the scene's order: reversed, from the start"}});
    keys().OnStylus();
    server.Tick(true, true);
    EXPECT_EQ(Lit(), nullptr) << "a stylus drops it, and it does not come back by itself";
}

// Left and Right change the control in the highlighted row; a text box under
// the highlight is typed into and loses the focus when the highlight leaves.
TEST_F(KeyNavigatorTest, ControlsTakeLeftAndRightAndTextBoxesTakeTheFocus) {
    for (size_t i = 1; i < rows.size(); ++i) rows[i]->SetVisible(false);
    content->SetSize(240, 200);
    shared_ptr<Switch> toggle(new Switch(*rows[0], u"ON", u"OFF", 8991));
    toggle->GetViewport()->SetRect(Rect(150, 10, 80, 40));
    Switch* flip = toggle.get();
    SubscribeFn(rows[0]->Touched(), [flip](shared_ptr<GObject>&, const Touch& t) {
        if (t.type == Touch::Click) flip->Toggle();
    });
    shared_ptr<StarRating> stars(new StarRating(3, false));
    stars->SetRect(Rect(10, 240, 100, 20));
    page->AddChild(stars);
    shared_ptr<widgets::TextBox> box(new widgets::TextBox());
    box->SetRect(Rect(10, 270, 200, 30));
    page->AddChild(box);
    EXPECT_EQ(Ids(keystops::Collect(*page)), (std::vector<int>{1, 2, 10, -1, -1})) << "the switch is part of its row";

    Walk({{Key::Down, box, "a page starts on its first text box"}});
    EXPECT_TRUE(box->IsFocused());
    Walk({{Key::Up, stars}});
    EXPECT_FALSE(box->IsFocused()) << "leaving the box ends the typing there";
    EXPECT_EQ(server.GetFocus(), nullptr);

    Walk({{Key::Up, rows[0]}});
    Press(Key::Right);
    EXPECT_TRUE(toggle->IsOn());
    Press(Key::Left);
    EXPECT_FALSE(toggle->IsOn());
    Press(Key::Enter);
    EXPECT_TRUE(toggle->IsOn()) << "Enter is the row's tap, which flips it";

    Walk({{Key::Down, stars}});
    Press(Key::Right);
    EXPECT_EQ(stars->GetValue(), 4) << "a half star rounds up to the next whole one";
    Press(Key::Left);
    Press(Key::Left);
    EXPECT_EQ(stars->GetValue(), 0);
    Press(Key::Enter);
    EXPECT_EQ(stars->GetValue(), 0) << "Enter keeps the value";
}

// Text between stops is read a page at a time: the highlight leaves with the
// page it was on, and the next stop is taken once a page brings it near.
TEST_F(KeyNavigatorTest, FarStopsAreReachedPageByPage) {
    for (size_t i = 1; i < 9; ++i) rows[i]->SetKeyRole(GObject::KeyRole::Skip);
    rows[1]->RemoveAllChildren();
    // Each row: the key pressed, what is lit after it and how far the list has scrolled.
    const std::tuple<int, GObject*, int> steps[] = {{Key::Down, rows[0].get(), 0},   {Key::Down, nullptr, 150},
                                                    {Key::Down, nullptr, 300},       {Key::Down, rows[9].get(), 400},
                                                    {Key::Up, nullptr, 250}};
    for (const auto& [key, lit, scrolled] : steps) {
        Press(key);
        EXPECT_EQ(Lit(), lit) << "scrolled " << scrolled << " (three quarters of the view a page)";
        EXPECT_EQ(Scrolled(), scrolled);
    }
}

// The skin's frame is drawn over the highlighted object, and nowhere once it
// has gone.
TEST_F(KeyNavigatorTest, TheHighlightIsDrawnFromTheSkin) {
    const LayoutMetrics metrics = LayoutMetrics::Get();
    LayoutMetrics::Set(LayoutMetrics{12, 96, 32});
    ImagePool::Instance().SetBaseFolder(u"" TOBRIX_SOURCE_DIR "/data/skin/");
    ImagePool::Instance().Clear();
    auto leftEdgeOfFirstRow = [&] {
        Repaint();
        return server.surface->PixelAt(1, 60);
    };
    const uint16_t plain = leftEdgeOfFirstRow();
    Press(Key::Down);
    EXPECT_NE(leftEdgeOfFirstRow(), plain);
    keys().OnStylus();
    EXPECT_EQ(leftEdgeOfFirstRow(), plain);

    // The ring lies round the object, never over it: the OK button (10, 125,
    // 60 x 20 on the screen) looks the same lit and unlit.
    auto okPixels = [&] {
        Repaint();
        std::vector<uint16_t> pixels;
        for (int y = 125; y < 145; ++y)
            for (int x = 10; x < 70; ++x) pixels.push_back(server.surface->PixelAt(x, y));
        return pixels;
    };
    const std::vector<uint16_t> unlit = okPixels();
    const uint16_t beside = server.surface->PixelAt(8, 135);
    Walk({{Key::Down, ok, "", 3}});
    EXPECT_EQ(okPixels(), unlit);
    EXPECT_NE(server.surface->PixelAt(8, 135), beside) << "the ring is drawn just outside";

    // A link in the title bar takes its pressed colour while lit.
    shared_ptr<widgets::Link> link(new widgets::Link());
    link->SetHotColors(0xC8C8C8, 0xFFFFFF);
    log.Listen(*link);
    page->AddChild(link, 3);
    link->SetRect(Rect(100, 8, 60, 16));
    keys().OnStylus();
    Press(Key::Up);
    while (Lit() != back.get() && Press(Key::Up)) {
    }
    Walk({{Key::Right, link}});
    EXPECT_EQ(link->GetColor(), 0xFFFFFFu);
    Press(Key::Right);
    EXPECT_EQ(link->GetColor(), 0xC8C8C8u);
    ImagePool::Instance().SetBaseFolder(u"");
    ImagePool::Instance().Clear();
    LayoutMetrics::Set(metrics);
}

// One application listed on a short screen: its row, taller than the whole
// view, spans the height where the close button and the strip's link lie;
// they still come after it, once its end has shown, not as parts of its line.
TEST_F(KeyNavigatorTest, AfterARowTallerThanItsListComeTheStopsOutsideThePage) {
    for (size_t i = 1; i < rows.size(); ++i) rows[i]->SetVisible(false);
    rows[1]->RemoveAllChildren();
    view->SetRect(Rect(0, 131, 240, 29));
    content->SetSize(240, 96);
    rows[0]->SetSize(240, 96);
    shared_ptr<GObject> close = Tappable(*server.GetRoot(), Rect(200, 128, 40, 32), 1000);
    shared_ptr<GObject> link = Tappable(*server.GetRoot(), Rect(0, 160, 240, 80), 1001);
    server.SetOverlay(close);
    keys().SetTrailing({close, link});
    Walk({{Key::Down, rows[0]}});
    for (int i = 0; i < 10 && Lit() == rows[0].get(); ++i) Press(Key::Down);
    Walk({{Key::Down, link, "after the close button"}, {Key::Up, close}});
    server.SetOverlay(shared_ptr<GObject>());
    keys().SetTrailing({});
}

// Under a close button that lies over the view's bottom (the server's
// overlay) only 50 of the 70 pixels show: every 60-high row is taller than
// that. Each Down still moves something in sight: a row shows its top, then
// its rest; the list scrolls clear of the button; then the stops outside the
// page (the button, the strip's link) come last, and a hidden one is none.
TEST_F(KeyNavigatorTest, TallRowsPageThroughAndTheStopsOutsideThePageComeLast) {
    rows[1]->RemoveAllChildren();
    view->SetRect(Rect(0, 30, 240, 70));
    shared_ptr<GObject> close = Tappable(*server.GetRoot(), Rect(200, 80, 30, 30), 1000);
    shared_ptr<GObject> link = Tappable(*server.GetRoot(), Rect(0, 110, 240, 60), 1001);
    server.SetOverlay(close);
    keys().SetTrailing({close, link});
    std::vector<GObject*> announced;
    keys().SetOnHighlight([&](GObject* lit) { announced.push_back(lit); });
    EXPECT_EQ(view->EndRoom(), 20);

    Walk({{Key::Down, rows[0]}});
    std::vector<std::pair<GObject*, int>> seen{{Lit(), Scrolled()}};
    for (int i = 0; i < 40 && Lit() != close.get(); ++i) {
        Press(Key::Down);
        ASSERT_NE(std::make_pair(Lit(), Scrolled()), seen.back()) << "a Down that changed nothing, press " << i;
        seen.emplace_back(Lit(), Scrolled());
    }
    ASSERT_EQ(Lit(), close.get());
    EXPECT_EQ(Scrolled(), 550) << "the last row's end shows above the button";
    // Row 3 came with its top in sight, then its bottom, highlighted both times.
    EXPECT_NE(std::find(seen.begin(), seen.end(), std::make_pair(rows[3].get(), 180)), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), std::make_pair(rows[3].get(), 190)), seen.end());
    Walk({{Key::Down, link}});
    EXPECT_EQ(announced.back(), link.get()) << "the strip learns that it is lit";
    Walk({{Key::Down, link, "no wrapping"}, {Key::Up, rows[9], "", 2}});
    EXPECT_EQ(announced.back(), rows[9].get());
    close->SetVisible(false);
    Walk({{Key::Down, link, "a hidden button is passed over"}});
    server.SetOverlay(shared_ptr<GObject>());
    keys().SetTrailing({});
    keys().SetOnHighlight({});
}
