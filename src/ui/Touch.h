#pragma once
#include <cstdint>
#include <vector>

#include "base/shared_ptr.h"
#include "ui/GObject.h"
#include "ui/Rect.h"

// The touch record. The application keeps one and refills it for every stylus
// message, so the objects recorded in it (pressed, down, last...) survive from
// the down to the up of one gesture.
struct Touch {
    enum Type : int32_t {
        Down = 0,
        Up = 1,
        Move = 2,
        DoubleTap = 4,
        Click = 5,  // synthesised after an up on the object that took the down
    };

    int32_t type = Down;
    uint32_t time = 0;       // tick count of the last down or double tap
    bool handled = false;    // a drag ended: the rest of this record is refused
    bool cancelled = false;  // refused until the next refill
    shared_ptr<GObject> dragged;
    shared_ptr<GObject> hovered;
    shared_ptr<GObject> pressedObject;
    shared_ptr<GObject> downObject;
    shared_ptr<GObject> lastObject;
    shared_ptr<GObject> capture;  // survives refills: the capturing object decides when to let go
    std::vector<Point> points;    // samples since the last down; the last is the current point
    int32_t savedId = -1;

    // Refill for a new stylus message. A down or double tap starts a new
    // gesture and forgets everything the previous one recorded.
    void Refill(int32_t newType, int32_t x, int32_t y, uint32_t tick) {
        if (newType == Down || newType == DoubleTap) {
            points.clear();
            time = tick;
            dragged = nullptr;
            pressedObject = nullptr;
            hovered = nullptr;
            downObject = nullptr;
            lastObject = nullptr;
            handled = false;
        }
        cancelled = false;
        points.push_back(Point{x, y});
        type = newType;
    }

    Point Current() const { return points.empty() ? Point{} : points.back(); }
    bool IsDown() const { return type == Down || type == DoubleTap; }
};

// Delivers one refilled record to the tree from `root` (which some owner must
// hold), then synthesises the click after an up and releases whatever is
// still pressed: what the application does for every stylus message.
void DispatchTouch(GObject& root, Touch& touch);
