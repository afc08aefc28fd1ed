#include "ui/ImagePool.h"

#include "ui/WMSurface.h"

shared_ptr<Surface> ImagePool::Load(const std::u16string& name) const {
    shared_ptr<Surface> surface(new WMSurface());
    surface->LoadFile(baseFolder + name);
    return surface;
}

bool ImagePool::GetImage(shared_ptr<Surface>& out, const std::u16string& name, int cacheMode) {
    if (cacheMode != NoCache) {
        if (auto it = images.find(name); it != images.end()) {
            out = it->second;
            return !out->IsEmpty();
        }
    }
    out = Load(name);
    if (cacheMode == Cache) images[name] = out;
    return !out->IsEmpty();
}
