#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/ScopedSubscription.h"
#include "core/Category.h"
#include "screens/AppListModel.h"
#include "screens/ScreenRequest.h"
#include "ui/scenes/Scene.h"
#include "ui/widgets/WidgetTypes.h"

// A list of applications from one "getapps" answer, with the free/paid
// filter and the sort button above it. In server mode (the new and top
// lists) the service filters, sorts and limits the list, and every change of
// filter or order asks it again; in local mode (categories, search, tags) the
// whole answer is kept and filtered and sorted on the device.
class AppsScene : public Scene {
public:
    AppsScene(SceneHost* host, std::u16string title, std::u16string backText, Category* category,
              std::u16string query, std::u16string searchIn, std::u16string tags, int32_t count, int32_t page,
              std::u16string price, bool serverMode, bool newestFirst);
    ~AppsScene() override;

    void Build(const shared_ptr<GObject>& root) override;
    void OnShown() override;
    bool RefreshOnDataChange() const override { return true; }
    // The filter bar's radio group (id 9000) chose a price filter.
    void OnFilterChanged(int id, int value) override;

    // The sort choice screen's answer: a sort key, or empty for none.
    void ApplySort(const std::u16string& key);

    const std::u16string& Title() const { return title; }
    const AppListModel& Model() const { return model; }
    bool Requesting() const { return request.Pending(); }
    // The last "getapps" job (kept after it ended until the next one).
    const shared_ptr<HttpRequest>& RequestJob() const { return request.Job(); }

    enum FilterBarId : int32_t { PriceRadioId = 9000, SortButtonId = 9002 };

private:
    void AddFilterBar(GObject& root);
    void SendRequest();
    void OnAppsDone(HttpRequest* request, bool ok);
    void BuildRows();
    std::vector<int32_t> InstallStates() const;
    void RelabelSortButton();
    void OnPriceSelected(shared_ptr<GObject>& radio, int index);
    void OnSortTouched(shared_ptr<GObject>& button, const Touch& touch);

    std::u16string title;
    std::u16string backText;
    AppListModel model;
    bool shownOnce = false;
    shared_ptr<GObject> list;
    std::vector<int32_t> rowStates;  // what each row says of its install, as built
    shared_ptr<GObject> filterBar;
    shared_ptr<widgets::Link> sortButton;
    ScreenRequest request;
    std::vector<ScopedSubscription> barTaps;
};
