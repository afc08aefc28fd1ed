#pragma once
#include "ui/FontManager.h"
#include "ui/widgets/WidgetTypes.h"

// Keeps a one-line caption readable in whatever width its layout gives it
// (the long names of a 176-pixel-wide screen). When the text is wider than
// the label it takes the smaller font, when one is given; when it is still
// too wide it breaks between words into lines centred on the label's middle
// (which may reach past the label's own height: the row around it has the
// room). A single word wider than the label stays one line with an ellipsis:
// split words read worse than a cut one. The label is fitted again whenever
// its size or text changes; the handlers live in the label's own events and
// hold nothing else. The label's top and bottom insets are the fitter's.
namespace captionfit {

// Many: the smaller font first, then lines. ManyFirst: lines in the label's
// own font first, when every word fits and the lines fit the label's height
// (a menu row whose caption would otherwise stand out smaller than its
// neighbours'); the smaller font only when they do not.
enum class Lines { One, Many, ManyFirst };

void Keep(widgets::Label& label, FontManager::FontHandle smaller = nullptr, Lines lines = Lines::Many);
// The same for a button's caption.
void Keep(widgets::Button& button, FontManager::FontHandle smaller = nullptr, Lines lines = Lines::Many);

}  // namespace captionfit
