#pragma once
#include <cstdint>
#include <string>

#include "ui/Layout.h"
#include "ui/widgets/WidgetTypes.h"

class SceneHost;

// The pieces the catalog screens are built from, sized by the font unit so
// that they scale with the screen. Ids are those of the scene layout: the
// header is -90, a second bar -92, the body -91.
class ScreenParts {
public:
    enum SceneId : int32_t { HeaderId = -90, BodyId = -91, SecondBarId = -92 };

    // The font unit f and the half unit u = f / 2 of the layouts.
    static int FontUnit();
    static int HalfUnit() { return FontUnit() / 2; }
    // Natural size of a skin image, doubled on screens above 128 DPI.
    static Point ArrowSize(const std::u16string& image);  // (width, height)

    // The header bar: "back text / title"; a click on the back text goes back
    // through the host. Without a back text the title has the bar alone.
    static shared_ptr<widgets::Image> AddHeader(GObject& root, SceneHost* host, const std::u16string& title,
                                                const std::u16string& backText);

    // A scroll view as the scene's body. Returns the scrolled content, whose
    // rows follow one another at `itemHeight`.
    static shared_ptr<GObject> AddList(GObject& root, int itemHeight);

    // A list row with an icon, a text and an arrow (each image optional).
    static shared_ptr<widgets::RowButton> AddTreeRow(GObject& list, const std::u16string& text,
                                                     const std::u16string& icon, const std::u16string& arrow);

    static shared_ptr<widgets::Label> NewLabel(const std::u16string& text, int weight, int height, uint32_t color,
                                               uint32_t horizontal);
    // A skin image at its natural size, centred in whatever room it gets.
    static shared_ptr<widgets::Image> NewImage(const std::u16string& image, bool stretch);

    // The multi-line box of the review and feedback forms, added to `root`
    // at row `top` (in font units), `rows` tall and as wide as the screen
    // less a margin. It starts with `typed` (what a rebuilt form keeps) and
    // the cursor at its end.
    static shared_ptr<widgets::MultiLineBox> AddTextEditor(GObject& root, SceneHost* host, const std::u16string& typed,
                                                           int top, int rows, bool visible);
    // Hides a form's box (giving up its focus first) or shows it again.
    static void ShowTextEditor(const shared_ptr<widgets::MultiLineBox>& editor, bool show);

    static shared_ptr<Layout> NewFilterBarLayout();
    static shared_ptr<Layout> NewHorizontRadioLayout();
};
