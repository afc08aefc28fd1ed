#include "screens/AppListModel.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double kSameRating = 0.05;

// A merge sort of our own. The rating order treats nearby ratings as equal,
// which is not transitive (4.20 ~ 4.24 ~ 4.28, yet 4.20 < 4.28); the standard
// sorts may then run past the ends of the range. Merging only ever compares
// two existing elements and writes each exactly once, whatever the order says.
template <class T, class Less>
void MergeSort(std::vector<T>& items, Less less) {
    const std::size_t n = items.size();
    std::vector<T> buffer(n);
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, n);
            const std::size_t hi = std::min(lo + 2 * width, n);
            std::size_t i = lo, j = mid, k = lo;
            // Take from the right run only when it strictly ranks first: stable.
            while (i < mid && j < hi) buffer[k++] = less(items[j], items[i]) ? items[j++] : items[i++];
            while (i < mid) buffer[k++] = items[i++];
            while (j < hi) buffer[k++] = items[j++];
        }
        items.swap(buffer);
    }
}

}  // namespace

AppListModel::AppListModel(Request r, bool server, bool newestFirst, const std::u16string& persistedSort,
                           const std::u16string& persistedPrice)
    : request(std::move(r)), serverMode(server), localPrice(persistedPrice), localSort(persistedSort) {
    // The service is asked for the remembered price only when it does the
    // filtering: a local list filters the whole answer itself, and an answer
    // already cut to "free" could never show the paid ones.
    if (request.price.empty() && serverMode) request.price = persistedPrice;
    request.sort = persistedSort.empty() ? u"rates" : persistedSort;
    if (newestFirst) request.sort = u"createtime";
}

void AppListModel::OnFirstShown() {
    if (!serverMode) return;
    localSort = request.sort;
    localPrice = request.price;
}

api::GetAppsQuery AppListModel::Query() const {
    api::GetAppsQuery q;
    if (request.category) q.cat = request.category->id;
    q.query = request.query;
    q.in = request.in;
    q.tags = request.tags;
    q.count = request.count;
    q.page = request.page;
    q.price = request.price;
    q.sort = request.sort;
    return q;
}

void AppListModel::ClearApps() {
    received.clear();
    shown.clear();
}

void AppListModel::TakeAnswer(const std::vector<shared_ptr<App>>& apps) {
    received = apps;
    shown = received;
    if (!serverMode) ApplyLocal();
}

void AppListModel::ApplyLocal() {
    shown = FilterByPrice(received, localPrice);
    SortApps(shown, localSort);
}

ListChange AppListModel::ChoosePrice(int index) {
    std::u16string price = PriceForIndex(index);
    if (serverMode) {
        request.price = price;
        localPrice = std::move(price);
        return ListChange::Resend;
    }
    if (price == localPrice) return ListChange::None;
    localPrice = std::move(price);
    ApplyLocal();
    return ListChange::Rebuild;
}

ListChange AppListModel::ChooseSort(const std::u16string& key) {
    if (serverMode) {
        request.sort = key;
        localSort = key;
        return ListChange::Resend;
    }
    if (key == localSort) return ListChange::None;
    localSort = key;
    ApplyLocal();
    return ListChange::Rebuild;
}

std::u16string AppListModel::PriceForIndex(int index) {
    if (index == 1) return u"paid";
    if (index == 2) return u"free";
    return u"";
}

int AppListModel::IndexForPrice(const std::u16string& price) {
    if (price == u"paid") return 1;
    if (price == u"free") return 2;
    return 0;
}

int32_t AppListModel::SortLabelString(const std::u16string& key) {
    if (key == u"rates") return 12005;
    if (key == u"downloads") return 12006;
    if (key == u"createtime") return 12011;
    if (key == u"views") return 12007;
    return 12003;
}

std::vector<int32_t> AppListModel::SortChoiceStrings(bool server) {
    if (server) return {12005, 12006, 12007, 12011};
    return {12003, 12005, 12006, 12007, 12011};
}

std::u16string AppListModel::SortKeyForChoice(int index, bool server) {
    static const char16_t* const keys[] = {u"rates", u"downloads", u"views", u"createtime"};
    if (!server) index -= 1;  // a local list starts with "no particular order"
    if (index >= 0 && index < 4) return keys[index];
    return server ? u"rates" : u"";
}

int AppListModel::ChoiceForSortKey(const std::u16string& key, bool server) {
    const int count = static_cast<int>(SortChoiceStrings(server).size());
    for (int i = 0; i < count; ++i)
        if (SortKeyForChoice(i, server) == key) return i;
    return 0;
}

std::vector<shared_ptr<App>> AppListModel::FilterByPrice(const std::vector<shared_ptr<App>>& apps,
                                                         const std::u16string& price) {
    if (price != u"free" && price != u"paid") return apps;
    const bool wantFree = price == u"free";
    std::vector<shared_ptr<App>> kept;
    for (const auto& app : apps)
        if ((app->type == u"free") == wantFree) kept.push_back(app);
    return kept;
}

bool AppListModel::RanksBefore(const App& a, const App& b, const std::u16string& key) {
    if (key == u"rates") {
        if (std::fabs(a.rate - b.rate) < kSameRating) return a.rates > b.rates;
        return a.rate > b.rate;
    }
    if (key == u"downloads") return a.downloads > b.downloads;
    if (key == u"views") return a.views > b.views;
    if (key == u"createtime") return a.createtime > b.createtime;
    return false;
}

void AppListModel::SortApps(std::vector<shared_ptr<App>>& apps, const std::u16string& key) {
    MergeSort(apps, [&key](const shared_ptr<App>& a, const shared_ptr<App>& b) { return RanksBefore(*a, *b, key); });
}
