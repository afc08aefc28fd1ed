#include "screens/MyAppRowState.h"

MyAppRowState MyAppRowState::From(const MyAppFacts& f) {
    MyAppRowState s;
    // A later job wins: installing beats uninstalling beats downloading.
    if (f.downloading) s.caption = f.waitingForLink ? kWaitingForLink : kDownloading;
    if (f.uninstalling) s.caption = kUninstalling;
    if (f.installing) s.caption = kInstalling;
    const bool busy = s.busy = s.caption != 0;
    s.group = busy ? MyAppGroup::Busy : f.inCatalog ? MyAppGroup::Catalog : MyAppGroup::Other;
    s.showProgress = busy;
    const bool downloadShown = s.caption == kDownloading || s.caption == kWaitingForLink;
    s.showCancel = downloadShown;
    s.progressValue = downloadShown ? f.progress : 0.0;
    // Nothing on the device: there is nothing to start, update or remove. A
    // first installation that failed stays among the jobs, says so, and
    // offers to try again.
    if (!busy && !f.installed) {
        if (f.failure == MyAppFailure::None) return s;
        s.caption = f.failure == MyAppFailure::Download ? kDownloadFailed : kInstallFailed;
        s.group = MyAppGroup::Busy;
        s.showProgress = s.showRetry = true;
        return s;
    }
    // No positive-revision condition: a package installed by other means
    // (revision 0) is offered the catalog's version too.
    s.showUpdate = !busy && f.installedRevision < f.catalogRevision && f.hasInstallText;
    s.showRun = !busy && f.executableFound;
    s.showUninstall = !busy;
    return s;
}

int32_t MyAppRowState::HeaderString(MyAppGroup group) {
    switch (group) {
    case MyAppGroup::Busy: return 11010;
    case MyAppGroup::Catalog: return 11011;
    case MyAppGroup::Other: return 11012;
    }
    return 0;
}

bool MyAppRowState::Regroups(App::AppStatusType kind, double progress) {
    return !(kind == App::StatusDownload && progress > 0.0 && progress < 1.0);
}

std::vector<MyAppListEntry> GroupMyApps(const std::vector<MyAppGroup>& rowGroups) {
    std::vector<MyAppListEntry> out;
    for (MyAppGroup group : {MyAppGroup::Busy, MyAppGroup::Catalog, MyAppGroup::Other}) {
        bool headed = false;
        for (size_t i = 0; i < rowGroups.size(); ++i) {
            if (rowGroups[i] != group) continue;
            if (!headed) out.push_back(MyAppListEntry{true, group, 0});
            headed = true;
            out.push_back(MyAppListEntry{false, group, i});
        }
    }
    return out;
}
