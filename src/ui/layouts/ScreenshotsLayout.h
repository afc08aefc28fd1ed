#pragma once
#include "ui/layouts/BaseScrolledObjectLayout.h"

// Captions alternating with screenshots (even children are captions, odd ones
// images that implement IPictureSize). A screenshot is shown at its natural
// size, or scaled down with its aspect ratio to fit the width; one whose
// picture has not arrived takes no room until it does.
class ScreenshotsLayout : public BaseScrolledObjectLayout {
public:
    void LayoutContent(GObject* owner, int reason) override;
};
