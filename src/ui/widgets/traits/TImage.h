#pragma once
#include <map>

#include "ui/GObject.h"
#include "ui/Surface.h"

// Adds an image to the object: a set of numbered image states of which one is
// shown, placed in the inset box by the alignments, or stretched to fill it.
// A fill fraction cuts the drawn width (a progress bar).
template <class Base>
class TImage : public Base {
public:
    enum Align : int { Near = 0, Centre = 1, Far = 2 };

    void AddImageState(int state, const shared_ptr<Surface>& image) { images[state] = image; }
    void ClearImageStates() {
        images.clear();
        source = drawn = nullptr;
        currentState = -1;
        this->Invalidate();
    }
    bool HasImageState(int state) const { return images.count(state) != 0; }

    // Shows the image of `state`; a state without an image changes nothing.
    // `resizeToImage` gives the object the image's own size (normal mode).
    void SetImageState(int state, bool resizeToImage = false) {
        auto it = images.find(state);
        if (it == images.end()) return;
        currentState = state;
        ShowImage(it->second, resizeToImage);
    }
    int GetImageState() const { return currentState; }
    const shared_ptr<Surface>& GetSourceImage() const { return source; }

    void SetAlign(int horizontal, int vertical) {
        horizontalAlign = horizontal;
        verticalAlign = vertical;
        this->Invalidate();
    }
    void SetStretch(bool value) {
        if (stretch == value) return;
        stretch = value;
        Rescale();
    }
    bool IsStretched() const { return stretch; }
    void SetInsets(int left, int top, int right, int bottom) {
        insetLeft = left;
        insetTop = top;
        insetRight = right;
        insetBottom = bottom;
        UpdateImageBox();
    }
    const Rect& GetImageBox() const { return imageBox; }
    // The same two setters under names a label above cannot hide.
    void SetImageAlign(int horizontal, int vertical) { TImage::SetAlign(horizontal, vertical); }
    void SetImageInsets(int left, int top, int right, int bottom) { TImage::SetInsets(left, top, right, bottom); }
    // Draws only `fraction` (0..1) of the image's width from the left.
    void SetFill(double fraction) {
        fillFraction = fraction;
        fillEnabled = 1.0;
        this->Invalidate();
    }

    void OnResized(int dw, int dh) override {
        Base::OnResized(dw, dh);
        UpdateImageBox();
    }

    void Draw(Surface& surface) override {
        Base::Draw(surface);
        if (needsRescale) {
            drawn = source ? source->GetScaled(imageBox.width, imageBox.height) : nullptr;
            needsRescale = false;
        }
        if (!drawn || drawn->IsEmpty()) return;
        int x = imageBox.x, y = imageBox.y;
        if (!stretch) {
            x = Place(imageBox.x, imageBox.width, drawn->Width(), horizontalAlign);
            y = Place(imageBox.y, imageBox.height, drawn->Height(), verticalAlign);
        }
        int width = drawn->Width();
        if (fillEnabled != 0.0) width = static_cast<int>(drawn->Width() * fillFraction);
        surface.DrawImage(x, y, width, drawn->Height(), *drawn, this->GetTransparency(), 0, 0);
    }

protected:
    // Shows `image` directly (the selectable buttons keep images of their own).
    void ShowImage(const shared_ptr<Surface>& image, bool resizeToImage) {
        source = image;
        if (!stretch && resizeToImage && image) this->SetSize(image->Width(), image->Height());
        Rescale();
    }

private:
    static int Place(int boxStart, int boxSize, int imageSize, int align) {
        if (align == Centre) return boxStart + (boxSize - imageSize) / 2;
        if (align == Far) return boxStart + boxSize - imageSize;
        return boxStart;
    }
    void UpdateImageBox() {
        imageBox = Rect(insetLeft, insetTop, this->Width() - insetLeft - insetRight,
                        this->Height() - insetTop - insetBottom);
        if (stretch) needsRescale = true;
        this->Invalidate();
    }
    // Stretched images are scaled lazily at the next draw, once per size.
    void Rescale() {
        if (stretch) {
            needsRescale = true;
        } else {
            drawn = source;
            needsRescale = false;
        }
        this->Invalidate();
    }

    bool needsRescale = false;
    int horizontalAlign = Near;
    int verticalAlign = Near;
    bool stretch = false;
    int insetLeft = 0, insetTop = 0, insetRight = 0, insetBottom = 0;
    Rect imageBox;
    shared_ptr<Surface> source;
    shared_ptr<Surface> drawn;
    std::map<int, shared_ptr<Surface>> images;
    int currentState = -1;
    double fillFraction = 1.0;
    double fillEnabled = 0.0;
};
