#pragma once
#include <cstddef>
#include <list>
#include <string>
#include <unordered_map>

#include "base/Delegate.h"
#include "base/shared_ptr.h"
#include "ui/Surface.h"

// Decoded pictures fetched by URL (application icons, screenshots), kept so
// that a list opened again shows its icons without asking the network. The
// handheld has little memory, so the cache holds at most `Budget()` bytes of
// pixel memory, measured on the surfaces themselves (a picture's scaled
// copies count too), and lets the least recently used pictures go first.
//
// A picture that leaves the cache is not destroyed while a widget still
// shows it: the widget's own reference keeps it. The cache only stops
// holding it, so what the cache holds never exceeds the budget. It tells
// `Released` which URL went, so that widgets far off screen can let go of
// their copy too and look it up (or fetch it) again when they are drawn: a
// long list then holds the pictures of the rows in view, not of every row
// it ever showed.
//
// Used under the UI lock. Find may be called from any thread holding it
// (rows are built in request completions) and never lets a picture go;
// Put, Used and SetBudget may, and are called on the UI thread only, so
// that `Released` always fires there.
class PictureCache {
public:
    // About the icons of one list (an icon drawn in a row takes some 40 KB)
    // on a 32 MB handheld, where a long list's own rows need several MB: a
    // larger budget pushed a browse through 400 applications past 32 MB.
    static constexpr size_t kDefaultBudget = size_t{1} << 20;

    explicit PictureCache(size_t budget = kDefaultBudget) : budget(budget) {}
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    // Fired with the URL of each picture the cache let go to keep its budget.
    Delegation<const std::u16string&> Released;

    // The picture kept for `url`, which becomes the most recently used; null
    // when none is kept.
    shared_ptr<Surface> Find(const std::u16string& url);
    // Keeps `picture` for `url` as the most recently used, replacing what was
    // kept for it, and lets older pictures go until the budget holds. A
    // picture larger than the whole budget is not kept (its widget still
    // shows it). Empty pictures are not kept.
    void Put(const std::u16string& url, const shared_ptr<Surface>& picture);
    // A picture may grow after it was kept (its widget draws a scaled copy):
    // measures it again, marks it used and keeps the budget.
    void Used(const std::u16string& url);

    // Lets pictures go at once when the budget shrinks.
    void SetBudget(size_t bytes);
    size_t Budget() const { return budget; }
    // Bytes held, as last measured (Put and Used measure again).
    size_t Bytes() const { return total; }
    size_t Count() const { return index.size(); }
    // Whether `url` is kept; does not count as a use.
    bool Contains(const std::u16string& url) const { return index.count(url) != 0; }
    void Clear();

private:
    struct Entry {
        std::u16string url;
        shared_ptr<Surface> picture;
        size_t bytes = 0;
    };
    using Order = std::list<Entry>;  // most recently used first

    void MoveToFront(Order::iterator it);
    void Remeasure(Entry& entry);
    void Erase(Order::iterator it);
    void Trim();

    Order order;
    std::unordered_map<std::u16string, Order::iterator> index;
    size_t total = 0;
    size_t budget;
};
