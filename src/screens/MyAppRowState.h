#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/App.h"

// The rules of one row of the My applications screen, apart from any widget:
// what the row shows follows from its application's jobs and revisions only,
// so the screen recomputes it from scratch on every status report.

// The groups rows are shown in; the values are the tags the rows carry.
enum class MyAppGroup : int32_t { Busy = 300, Catalog = 301, Other = 302 };

// The last job of a first installation that ended without the package on the
// device.
enum class MyAppFailure { None, Download, Install };

// What the row needs to know about its application.
struct MyAppFacts {
    bool downloading = false;
    bool waitingForLink = false;  // downloading, between two tries
    bool installing = false;
    bool uninstalling = false;
    bool inCatalog = false;
    bool installed = false;  // the package is on the device
    MyAppFailure failure = MyAppFailure::None;
    int32_t installedRevision = 0;  // 0: not installed by the store (or not at all)
    int32_t catalogRevision = 0;
    bool hasInstallText = false;
    bool executableFound = false;
    double progress = 0.0;  // the last download fraction reported
};

struct MyAppRowState {
    static constexpr int32_t kDownloading = 11005;
    static constexpr int32_t kWaitingForLink = 11019;
    static constexpr int32_t kUninstalling = 11004;
    static constexpr int32_t kInstalling = 11003;
    static constexpr int32_t kDownloadFailed = 11016;
    static constexpr int32_t kInstallFailed = 11017;

    int32_t caption = 0;  // string number; 0: no job, no caption
    bool busy = false;    // a job runs
    MyAppGroup group = MyAppGroup::Other;
    bool showRun = false;
    bool showUpdate = false;
    bool showUninstall = false;
    bool showCancel = false;  // a download that runs or waits may be called off
    bool showProgress = false;
    bool showRetry = false;
    double progressValue = 0.0;

    bool Busy() const { return busy; }
    static MyAppRowState From(const MyAppFacts& facts);
    // Section header string of a group.
    static int32_t HeaderString(MyAppGroup group);
    // A download moving between its ends only moves its bar; every other
    // report may change a row's group.
    static bool Regroups(App::AppStatusType kind, double progress);
};

// "Update all" is offered when at least this many rows offer an update.
constexpr size_t kUpdateAllFrom = 2;

// One line of the grouped list: a section header or a row (by its index in
// the order the rows were given).
struct MyAppListEntry {
    bool header = false;
    MyAppGroup group = MyAppGroup::Other;
    size_t row = 0;

    bool operator==(const MyAppListEntry&) const = default;
};

// Busy rows first, then those with catalog data, then the others; each
// non-empty group behind its header, rows keeping their order within it.
std::vector<MyAppListEntry> GroupMyApps(const std::vector<MyAppGroup>& rowGroups);
