#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "WidgetTestSupport.h"
#include "ui/widgets/SkinFactory.h"

namespace {

using namespace widgets;

// Renders a few widgets and compares them pixel for pixel with reference
// PNGs kept next to this file. TOBRIX_UPDATE_GOLDEN=1 rewrites the references
// after a deliberate change; a mismatch leaves the rendering in the build
// folder to look at.
struct GoldenTest : ::testing::Test {
    SkinFolder skin;
    GoldenTest() {
        // Gradients, so that stretching and placement show.
        Add("btn.png", 12, 12,
            [](int x, int y) { return 0x204080FFu + (uint32_t(x * 8) << 16) + (uint32_t(y * 8) << 8); });
        Add("btn_sel.png", 12, 12, [](int, int) { return 0x102040FFu; });
        Add("edit.png", 12, 12,
            [](int x, int y) { return x == 0 || y == 0 || x == 11 || y == 11 ? 0x808080FFu : 0xFFFFFFFFu; });
    }
    template <class F>
    void Add(const std::string& name, int w, int h, F f) {
        skin.dir.Write(name, testimages::Png(testimages::Make(w, h, true, f)));
    }

    static void ExpectMatchesGolden(const Surface& rendered, const std::string& name) {
        const std::filesystem::path golden =
            std::filesystem::path(TOBRIX_SOURCE_DIR) / "tests/ui-widgets/golden" / name;
        if (const char* update = std::getenv("TOBRIX_UPDATE_GOLDEN"); update && std::string(update) == "1") {
            ASSERT_TRUE(rendered.SavePng(golden.u16string()));
            return;
        }
        WMSurface expected;
        ASSERT_TRUE(expected.LoadFile(golden.u16string())) << "no reference " << golden;
        const size_t n = static_cast<size_t>(rendered.Width()) * rendered.Height();
        if (expected.Width() == rendered.Width() && expected.Height() == rendered.Height() &&
            std::equal(rendered.Pixels(), rendered.Pixels() + n, expected.Pixels()))
            return;
        const std::filesystem::path actual = std::filesystem::path(TOBRIX_BINARY_DIR) / "ui-widgets-actual" / name;
        std::filesystem::create_directories(actual.parent_path());
        rendered.SavePng(actual.u16string());
        ADD_FAILURE() << name << " differs from its reference; the rendering is in " << actual;
    }
};

TEST_F(GoldenTest, ButtonNormalAndPressed) {
    RecordingServer server(100, 56);
    auto normal = SkinFactory::CreateButton(*server.GetRoot(), u"OK", 13);
    auto pressed = SkinFactory::CreateButton(*server.GetRoot(), u"Back", 13);
    normal->SetRect(Rect(4, 4, 92, 22));
    pressed->SetRect(Rect(4, 30, 92, 22));
    pressed->SetImageState(Button::PressedImage);
    server.Invalidate();
    server.Tick(true, true);
    ExpectMatchesGolden(*server.surface, "button.png");
}

TEST_F(GoldenTest, TextBoxPlaceholderMaskAndScrollThumb) {
    RecordingServer server(120, 64);
    auto empty = SkinFactory::CreateTextBox(*server.GetRoot(), TextBox::Left, 12);
    empty->SetPlaceholder(u"Login");
    empty->SetRect(Rect(2, 2, 100, 26));
    auto secret = SkinFactory::CreateTextBox(*server.GetRoot(), TextBox::Left, 12);
    secret->SetPassword(true);
    secret->SetMaskCharacter(u'\u25CF');
    secret->SetText(u"hunter2");
    secret->SetRect(Rect(2, 32, 100, 26));
    shared_ptr<ScrollThumb> thumb(new ScrollThumb());
    thumb->SetBarColor(0x78, 0x78, 0x78);
    thumb->SetRect(Rect(108, 4, 10, 50));
    server.GetRoot()->AddChild(thumb);
    server.Invalidate();
    server.Tick(true, true);
    ExpectMatchesGolden(*server.surface, "textbox.png");
}

}  // namespace
