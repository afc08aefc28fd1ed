#pragma once
#include <functional>
#include <vector>

#include "base/shared_ptr.h"
#include "ui/GObject.h"
#include "ui/Rect.h"

class UIServer;
class Surface;
struct Key;

// The key highlight of the UI server: which object of the page the D-pad is
// on, apart from the keyboard focus (what text goes into) and from the
// selected state of radios and switches. An application gives it a scope,
// the page the keys walk (the store: the scene on top); without one the
// keys go to the focus as they always did.
//
//  - Up and Down move to the first stop of the previous or next line of the
//    page's stops (see keystops), scrolling a scroll view so that the stop is
//    shown whole. When the next stop lies more than a page further, or there
//    is none, the view scrolls one page instead, so that text between links
//    can be read; a highlight scrolled out of sight is then dropped, and the
//    next Up or Down picks the first stop that came into view. A stop right
//    next to the current one is always the next, however tall: a stop taller
//    than the view shows its top first, and each further key pages through
//    it, highlighted, until its far end shows.
//  - Left and Right change the highlighted control (or the control in the
//    highlighted row); otherwise they move within the line.
//  - Enter taps the highlighted object: a stylus down and up where it shows,
//    through the same path as a finger, so every screen's own rules apply.
//  - The ends do not wrap: Down on the last stop (with nothing left to
//    scroll) and Up on the first do nothing, as a list stops at its ends.
//  - A text box under the highlight has the keyboard focus; leaving it takes
//    the focus away.
//
// On a device without a touch screen every new scope starts highlighted: on
// the stop whose key role is Start, else its first text box, else its first
// stop inside a scroll view, else its first stop. On a touch device nothing
// is highlighted until the first arrow, and a stylus down drops it again.
class KeyNavigator {
public:
    // A scene's own order of its stops, which it is handed in reading order.
    using Order = std::function<void(std::vector<GObject*>&)>;
    using Tapper = std::function<void(Point)>;

    explicit KeyNavigator(UIServer& server) : server(server) {}

    void SetKeysOnly(bool value) { keysOnly = value; }
    // How Enter taps (the application's stylus path, in window coordinates).
    void SetTapper(Tapper value) { tapper = std::move(value); }

    // A new page: the old highlight goes (and comes back at the same place
    // when the old page is the scope again); on a keys-only device the new
    // page's start is highlighted as soon as the page takes input.
    void SetScope(const shared_ptr<GObject>& scope, Order order = {});
    // Stops outside every page that come after the page's own on each of
    // them (the advertising strip's link and close button): Down after the
    // page's last stop, once its scroll views have reached their ends,
    // reaches them. They are never where a page starts.
    void SetTrailing(std::vector<shared_ptr<GObject>> stops) { trailing = std::move(stops); }
    // Called with the new highlight (null: none) whenever it changes, for a
    // stop the tree cannot draw the frame on itself (one under a window of
    // its own).
    void SetOnHighlight(std::function<void(GObject*)> listener) { onHighlight = std::move(listener); }
    // A modal layer over the page (a popup box): it takes no highlight, Up
    // and Down scroll its text. Null ends it; a text box under the highlight
    // gets the focus back.
    void SetModal(const shared_ptr<GObject>& layer);

    // Up, Down, Left, Right or Enter: true when the navigation used it.
    bool OnKey(const Key& key);
    // A stylus went down: stylus use looks and works as without keys.
    void OnStylus();
    // Before a frame: a highlight whose object left the page is put back on
    // the stop at the same place in the order, and a new page gets its first.
    void Resolve();

    const shared_ptr<GObject>& Highlight() const { return highlight; }
    // Draws the frame round the highlight, outside it (so that it never
    // covers the object's text) and within what its ancestors show; the tree
    // calls it once it has drawn everything, at the screen's origin.
    void DrawFrame(Surface& surface) const;

private:
    // The stops of the scope in the order the keys walk them.
    std::vector<GObject*> Stops() const;
    bool Vertical(int direction);
    bool Horizontal(const Key& key);
    bool Enter();
    GObject* Current(const std::vector<GObject*>& stops) const;
    GObject* Start(const std::vector<GObject*>& stops) const;
    bool OneLine(const GObject& a, const GObject& b) const;
    GObject* NextLine(const std::vector<GObject*>& stops, int from, int direction) const;
    GObject* FirstInView(const std::vector<GObject*>& stops, int direction) const;
    GObject* Beyond(GObject& view, const std::vector<GObject*>& stops, int direction) const;
    GObject* PagingView(GObject* next, GObject* current, int direction) const;
    bool Page(GObject* view, int direction);
    void MoveTo(GObject* object, const std::vector<GObject*>& stops);
    void SetHighlight(GObject* object);
    void InvalidateFrame(GObject& object) const;
    void Drop();
    bool Attached(const GObject& object) const;
    bool IsTrailing(const GObject* object) const;
    size_t PageStopCount(const std::vector<GObject*>& stops) const;
    bool PageThrough(GObject& current, int direction);
    bool ToTrailing(GObject* current, GObject& next, const std::vector<GObject*>& stops);
    Point TapPoint(GObject& object, const std::vector<GObject*>& stops) const;

    UIServer& server;
    bool keysOnly = false;
    Tapper tapper;
    shared_ptr<GObject> scope;
    shared_ptr<GObject> modal;
    Order order;
    shared_ptr<GObject> highlight;
    std::vector<shared_ptr<GObject>> trailing;
    std::function<void(GObject*)> onHighlight;
    // The scroll view being read page by page while nothing is highlighted.
    shared_ptr<GObject> readingView;
    int lastIndex = -1;   // the highlight's place in the order, for Resolve
    bool pending = false; // a highlight is to be placed when the page can take it
    struct Covered {
        shared_ptr<GObject> scope;
        int index;
    };
    std::vector<Covered> covered;
};
