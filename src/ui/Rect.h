#pragma once
#include <algorithm>
#include <cstdint>

// A point in window or object coordinates.
struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Geometry record of the object tree. The edge tests of Intersects are
// inclusive on purpose: two rectangles that only touch still count as
// intersecting, which is what drawing and invalidation expect.
struct Rect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    constexpr Rect() = default;
    constexpr Rect(int32_t x, int32_t y, int32_t width, int32_t height) : x(x), y(y), width(width), height(height) {}

    constexpr int32_t Right() const { return x + width; }
    constexpr int32_t Bottom() const { return y + height; }
    constexpr bool IsEmpty() const { return width <= 0 || height <= 0; }

    constexpr bool Contains(int32_t px, int32_t py) const {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
    constexpr bool Contains(Point p) const { return Contains(p.x, p.y); }

    constexpr bool Intersects(const Rect& o) const {
        return x <= o.Right() && o.x <= Right() && y <= o.Bottom() && o.y <= Bottom();
    }

    // A pair that does not intersect yields the empty rectangle (0, 0, 0, 0).
    constexpr Rect Intersect(const Rect& o) const {
        if (!Intersects(o)) return Rect();
        int32_t l = std::max(x, o.x), t = std::max(y, o.y);
        int32_t r = std::min(Right(), o.Right()), b = std::min(Bottom(), o.Bottom());
        return Rect(l, t, r - l, b - t);
    }

    // The bounding box of both; an empty rectangle contributes nothing.
    constexpr Rect Union(const Rect& o) const {
        if (IsEmpty()) return o;
        if (o.IsEmpty()) return *this;
        int32_t l = std::min(x, o.x), t = std::min(y, o.y);
        int32_t r = std::max(Right(), o.Right()), b = std::max(Bottom(), o.Bottom());
        return Rect(l, t, r - l, b - t);
    }

    constexpr Rect Offset(int32_t dx, int32_t dy) const { return Rect(x + dx, y + dy, width, height); }

    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};
