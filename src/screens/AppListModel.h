#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/shared_ptr.h"
#include "core/Category.h"
#include "net/ApiMethods.h"
#include "net/App.h"

// What changing a filter or the order asks of the list screen.
enum class ListChange {
    None,     // nothing to redo
    Rebuild,  // the shown list changed on the device: rebuild the rows
    Resend,   // the service filters and sorts: ask it again
};

// The state of one application list without any of its drawing: what it asks
// the catalog for, what came back, and the filter and order it shows. The
// list screen owns one; keeping it apart lets the rules be checked without a UI.
//
// In server mode the service filters, sorts and limits the list and the rows
// follow the answer. In local mode the whole answer is kept and the free/paid
// filter and the order are applied on the device.
class AppListModel {
public:
    struct Request {
        Category* category = nullptr;  // not owned; null for no category
        std::u16string query;
        std::u16string in;
        std::u16string tags;
        int32_t count = -1;  // -1: not sent
        int32_t page = -1;   // -1: not sent
        std::u16string price;
        std::u16string sort;
    };

    // persistedSort and persistedPrice are the store's remembered choices.
    // An empty sort becomes "rates"; newest-first lists sort by "createtime".
    AppListModel(Request request, bool serverMode, bool newestFirst, const std::u16string& persistedSort,
                 const std::u16string& persistedPrice);

    // The list becomes visible: in server mode the radio group and the sort
    // button describe what the service is asked for.
    void OnFirstShown();

    api::GetAppsQuery Query() const;

    // Forget what was shown before a new request.
    void ClearApps();
    // A readable answer arrived (possibly empty). In local mode the filter
    // and the order are applied to it.
    void TakeAnswer(const std::vector<shared_ptr<App>>& apps);

    // The radio group: 0 all, 1 paid, 2 free.
    ListChange ChoosePrice(int index);
    // The sort choice screen; the key is one of the four sort keys or empty.
    ListChange ChooseSort(const std::u16string& key);

    bool ServerMode() const { return serverMode; }
    const Request& GetRequest() const { return request; }
    const std::u16string& LocalPrice() const { return localPrice; }
    const std::u16string& LocalSort() const { return localSort; }
    const std::vector<shared_ptr<App>>& Received() const { return received; }
    const std::vector<shared_ptr<App>>& Shown() const { return shown; }

    // --- The rules themselves ---------------------------------------------
    static std::u16string PriceForIndex(int index);
    static int IndexForPrice(const std::u16string& price);
    // String number naming a sort key on the sort button.
    static int32_t SortLabelString(const std::u16string& key);
    // The sort choice screen's rows: string numbers, and the key of a row.
    static std::vector<int32_t> SortChoiceStrings(bool serverMode);
    static std::u16string SortKeyForChoice(int index, bool serverMode);
    static int ChoiceForSortKey(const std::u16string& key, bool serverMode);

    // Keeps the free applications for "free", the others for "paid", all of
    // them for any other filter. The order is kept.
    static std::vector<shared_ptr<App>> FilterByPrice(const std::vector<shared_ptr<App>>& apps,
                                                      const std::u16string& price);
    // Descending by the key. Ratings closer than 0.05 count as equal, and then
    // more votes come first. Any other key keeps the order. Stable.
    static void SortApps(std::vector<shared_ptr<App>>& apps, const std::u16string& key);
    // True when a goes before b under the key (false for unknown keys).
    static bool RanksBefore(const App& a, const App& b, const std::u16string& key);

private:
    // shown := the received list, filtered and ordered on the device.
    void ApplyLocal();

    Request request;
    bool serverMode;
    std::u16string localPrice;
    std::u16string localSort;
    std::vector<shared_ptr<App>> received;
    std::vector<shared_ptr<App>> shown;
};
