// Fuzz target for the image decoders: any bytes must either decode within the
// limits or fail cleanly, and whatever decodes must survive conversion,
// scaling and drawing.
#include <cstddef>
#include <cstdint>

#include "platform/imaging/Bitmap.h"
#include "ui/WMSurface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small limits keep every run fast; the logic under test is the same.
    WMSurface::Limits().maxSide = 2048;
    WMSurface::Limits().maxPixels = 1 << 20;
    shared_ptr<WMSurface> image(new WMSurface());
    if (!image->LoadBuffer(data, size)) {
        if (!image->IsEmpty()) __builtin_trap();  // a failed load must leave nothing behind
        return 0;
    }
    if (image->Width() > 2048 || image->Height() > 2048) __builtin_trap();
    shared_ptr<Surface> smaller = image->GetScaled(image->Width() / 3 + 1, image->Height() / 2 + 1);
    WMSurface screen(64, 64);
    screen.DrawImage(-5, -7, *image, 255);
    screen.DrawImage(3, 3, *smaller, 100);
    return 0;
}
