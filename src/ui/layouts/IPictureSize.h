#pragma once
#include <cstdint>

// Implemented by images whose picture arrives later (fetched over the
// network): layouts that size such an image from its picture ask whether it
// is there yet and how large it is.
class IPictureSize {
public:
    virtual ~IPictureSize() = default;
    virtual bool HasPicture() const = 0;
    // The picture's natural size in pixels; meaningful only with a picture.
    virtual void GetPictureSize(int32_t& width, int32_t& height) const = 0;
};
