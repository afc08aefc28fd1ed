#pragma once

class GObject;

// A view that shows part of a taller content and moves it under a fixed
// viewport (the view's own rectangle). Key navigation scrolls it so that the
// highlighted object is fully shown, and pages through text that has nothing
// to highlight.
class IScrollView {
public:
    virtual ~IScrollView() = default;
    // The child that moves.
    virtual GObject* ScrolledContent() const = 0;
    // How far the content may move from where it is now: `least` is the most
    // it may go up (zero or negative), `most` the most it may go down (zero or
    // positive), so that it never leaves its resting range.
    virtual void ScrollRoom(int& least, int& most) const = 0;
    // Moves the content by `dy` at once (clamped to the room), ending any
    // scroll animation. Returns how far it moved.
    virtual int ScrollContentBy(int dy) = 0;
    // How much of the viewport's bottom something lies over (the server's
    // overlay): the content may scroll that much further, and what the keys
    // show stays above it.
    virtual int EndRoom() const { return 0; }
};
