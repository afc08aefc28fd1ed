#include "ui/widgets/RemotePicture.h"

#include "platform/shell/FileIcon.h"
#include "ui/GObject.h"
#include "ui/UIServer.h"
#include "ui/WMSurface.h"

namespace remotepicture {

namespace {
// So small that any content is taller: the scrolled layout then grows the
// parent to its content again.
constexpr int kCollapsedHeight = 10;
}  // namespace

shared_ptr<Surface> Decode(const char* data, std::size_t size) {
    if (!data || size == 0) return nullptr;
    shared_ptr<WMSurface> picture(new WMSurface());
    if (!picture->LoadBuffer(reinterpret_cast<const uint8_t*>(data), size)) return nullptr;
    return picture;
}

shared_ptr<Surface> FileIcon(const std::u16string& devicePath) {
    shared_ptr<WMSurface> surface(new WMSurface());
    platform::imaging::Bitmap icon;
    if (!platform::GetFileIcon(devicePath, icon) || icon.IsEmpty()) return surface;
    WMSurface drawn(icon.width, icon.height, true);
    platform::imaging::ToRgb565(icon, drawn.Pixels(), drawn.Alpha());
    surface->Create(icon.width, icon.height, false);
    surface->FillRect(Rect(0, 0, icon.width, icon.height), 0xF81F);  // magenta
    surface->DrawImage(0, 0, drawn);
    surface->SetColorKey(255, 0, 255);
    return surface;
}

bool OnScreen(const GObject& object) {
    const UIServer* server = object.GetServer();
    if (!server) return false;
    Rect area = object.GetScreenRect().Intersect(server->GetScreen());
    for (const GObject* o = &object; o && !area.IsEmpty(); o = o->Parent()) {
        if (!o->IsVisible()) return false;
        area = area.Intersect(o->GetScreenRect());
    }
    return !area.IsEmpty();
}

void RelayoutParent(GObject& parent) {
    const shared_ptr<Layout> layout = parent.GetLayout();
    if (!layout) return;
    layout->Lock();
    parent.SetSize(parent.Width(), kCollapsedHeight);
    layout->Unlock();
    layout->Update(LayoutAnimated);
}

}  // namespace remotepicture
