#pragma once
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "ui/GObject.h"
#include "ui/ITextFit.h"
#include "ui/layouts/IPictureSize.h"
#include "ui/layouts/LayoutMetrics.h"

// Sets the screen metrics for one test and puts the previous ones back.
class MetricsScope {
public:
    explicit MetricsScope(int32_t fontUnit, int32_t dpi = 96, int32_t iconSize = 32) : saved(LayoutMetrics::Get()) {
        LayoutMetrics::Set(LayoutMetrics{fontUnit, dpi, iconSize});
    }
    ~MetricsScope() { LayoutMetrics::Set(saved); }

private:
    LayoutMetrics saved;
};

inline shared_ptr<GObject> Box(int32_t w, int32_t h) {
    shared_ptr<GObject> o(new GObject());
    o->SetSize(w, h);
    return o;
}

// Adds a 1 by 1 child at (0, 0) for each id; returns them in order.
inline std::vector<shared_ptr<GObject>> AddChildren(GObject& owner, std::initializer_list<int32_t> ids) {
    std::vector<shared_ptr<GObject>> added;
    for (int32_t id : ids) {
        added.push_back(Box(1, 1));
        owner.AddChild(added.back(), id);
    }
    return added;
}

inline Rect RectOf(const GObject& owner, int32_t id) {
    shared_ptr<GObject> child;
    return owner.FindChildById(id, child) ? child->GetRect() : Rect(-1, -1, -1, -1);
}

// The rectangles a layout gave its children, by id: one table a case.
struct Placed {
    int32_t id;
    Rect rect;
};
inline void ExpectPlaced(const GObject& owner, const std::vector<Placed>& table) {
    for (const Placed& p : table) EXPECT_EQ(RectOf(owner, p.id), p.rect) << "child " << p.id;
}

// An object whose text is `height` pixels tall at any width and `natural`
// pixels wide on one line; it remembers the widths it was asked about.
struct FittingText : GObject, ITextFit {
    explicit FittingText(int32_t height, int32_t natural = 0) : height(height), natural(natural) {}
    int FittedHeight(int width) const override {
        askedWidths.push_back(width);
        return height;
    }
    int NaturalWidth() const override { return natural; }
    int32_t height, natural;
    mutable std::vector<int> askedWidths;
};

// An image whose picture arrives when the test says so.
struct LatePicture : GObject, IPictureSize {
    bool HasPicture() const override { return arrived; }
    void GetPictureSize(int32_t& w, int32_t& h) const override {
        w = width;
        h = height;
    }
    bool arrived = false;
    int32_t width = 0, height = 0;
};
