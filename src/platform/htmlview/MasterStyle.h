#pragma once

namespace platform::htmlview {

// The view's own style sheet, applied before a page's: how each element
// shows when the page says nothing (blocks, margins, lists, tables, links,
// what never shows). Sizes are in em so that they follow the device's font.
const char* MasterStyleSheet();

}  // namespace platform::htmlview
