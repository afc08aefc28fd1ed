#pragma once
#include <map>
#include <string>

#include "base/Singleton.h"
#include "base/shared_ptr.h"
#include "ui/PictureCache.h"
#include "ui/Surface.h"

// Images of the application folder by name. Skin images are decoded once and
// shared; a missing or broken file yields an empty image rather than an error.
//
// Beside them the pool keeps pictures fetched by URL (RemotePictures()), in a
// cache of its own with a memory budget. Skin images are few, needed on
// every screen and never count against that budget nor leave the pool.
class ImagePool : public Singleton<ImagePool> {
public:
    enum CacheMode : int {
        NoCache = 0,        // always a fresh image, not kept
        Cache = 1,          // kept under its name and shared
        UseCacheOnly = 2,   // any other non-zero value: shared if already kept, else fresh and not kept
    };

    // The folder of the executable, ending in a backslash.
    void SetBaseFolder(const std::u16string& folder) { baseFolder = folder; }
    const std::u16string& GetBaseFolder() const { return baseFolder; }

    // Returns whether `out` holds pixels; `out` is set either way.
    bool GetImage(shared_ptr<Surface>& out, const std::u16string& name, int cacheMode);
    shared_ptr<Surface> GetImage(const std::u16string& name, int cacheMode = Cache) {
        shared_ptr<Surface> s;
        GetImage(s, name, cacheMode);
        return s;
    }
    bool IsCached(const std::u16string& name) const { return images.count(name) != 0; }
    // Forgets the skin images and the fetched pictures.
    void Clear() {
        images.clear();
        remote.Clear();
    }

    PictureCache& RemotePictures() { return remote; }

private:
    friend class Singleton<ImagePool>;
    ImagePool() = default;
    shared_ptr<Surface> Load(const std::u16string& name) const;

    std::map<std::u16string, shared_ptr<Surface>> images;
    std::u16string baseFolder;
    PictureCache remote;
};
