#pragma once
#include "base/shared_ptr.h"
#include "ui/GObject.h"

// A number an animation can drive: a position, a transparency, a frame.
template <class T>
class Property : public shared_object {
public:
    ~Property() override = default;
    virtual void SetValue(T value) = 0;
    virtual T GetValue() = 0;
};

// A property of one object of the tree.
class IntGObjectProperty : public Property<int> {
public:
    explicit IntGObjectProperty(const shared_ptr<GObject>& target) : target(target) {}
    const shared_ptr<GObject>& Target() const { return target; }

protected:
    shared_ptr<GObject> target;
};

class XPositionProperty : public IntGObjectProperty {
public:
    using IntGObjectProperty::IntGObjectProperty;
    void SetValue(int v) override { target->SetPosition(v, target->Y()); }
    int GetValue() override { return target->X(); }
};

class YPositionProperty : public IntGObjectProperty {
public:
    using IntGObjectProperty::IntGObjectProperty;
    void SetValue(int v) override { target->SetPosition(target->X(), v); }
    int GetValue() override { return target->Y(); }
};

// The object's own transparency only.
class TransparencyProperty : public IntGObjectProperty {
public:
    using IntGObjectProperty::IntGObjectProperty;
    void SetValue(int v) override { target->SetTransparency(v, false); }
    int GetValue() override { return target->GetTransparency(); }
};

// The transparency of the object and its whole subtree: how a group fades,
// since children do not inherit transparency when drawn.
class TransparencyChildsProperty : public IntGObjectProperty {
public:
    using IntGObjectProperty::IntGObjectProperty;
    void SetValue(int v) override { target->SetTransparency(v, true); }
    int GetValue() override { return target->GetTransparency(); }
};

// The frame of an animated image: any image widget with SetImageState
// (state, resizeToImage) and GetImageState().
template <class AnimatedImage>
class ImageProperty : public Property<int> {
public:
    explicit ImageProperty(const shared_ptr<AnimatedImage>& image) : image(image) {}
    void SetValue(int v) override { image->SetImageState(v, false); }
    int GetValue() override { return image->GetImageState(); }

private:
    shared_ptr<AnimatedImage> image;
};
