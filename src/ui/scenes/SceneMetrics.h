#pragma once

// The UI's base text height in pixels (the height of the device's system
// font): bars, margins and popup text scale with it.
int BaseTextHeight();
