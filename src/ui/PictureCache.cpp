#include "ui/PictureCache.h"

#include <iterator>

// Only the order changes: the sizes stay, so nothing has to go.
shared_ptr<Surface> PictureCache::Find(const std::u16string& url) {
    auto it = index.find(url);
    if (it == index.end()) return nullptr;
    MoveToFront(it->second);
    return it->second->picture;
}

void PictureCache::Put(const std::u16string& url, const shared_ptr<Surface>& picture) {
    if (auto it = index.find(url); it != index.end()) Erase(it->second);
    if (!picture || picture->IsEmpty()) return;
    Entry entry{url, picture, 0};
    Remeasure(entry);
    if (entry.bytes > budget) return;
    total += entry.bytes;
    order.push_front(std::move(entry));
    index[url] = order.begin();
    Trim();
}

void PictureCache::Used(const std::u16string& url) {
    auto it = index.find(url);
    if (it == index.end()) return;
    total -= it->second->bytes;
    Remeasure(*it->second);
    total += it->second->bytes;
    MoveToFront(it->second);
    Trim();
}

void PictureCache::SetBudget(size_t bytes) {
    budget = bytes;
    Trim();
}

void PictureCache::Clear() {
    index.clear();
    order.clear();
    total = 0;
}

void PictureCache::MoveToFront(Order::iterator it) { order.splice(order.begin(), order, it); }

void PictureCache::Remeasure(Entry& entry) { entry.bytes = entry.picture->MemoryBytes(); }

void PictureCache::Erase(Order::iterator it) {
    total -= it->bytes;
    index.erase(it->url);
    order.erase(it);
}

// From the back: the least recently used go first. The picture just used
// sits at the front and goes last, even when it alone outgrew the budget.
void PictureCache::Trim() {
    while (total > budget && !order.empty()) {
        const std::u16string url = order.back().url;
        Erase(std::prev(order.end()));
        Released.Invoke(url);
    }
}
