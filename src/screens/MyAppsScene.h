#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/Delegate.h"
#include "base/ScopedSubscription.h"
#include "net/App.h"
#include "screens/MyAppRowState.h"
#include "ui/scenes/Scene.h"
#include "ui/widgets/WidgetTypes.h"

// The applications on the device and those the store is fetching or
// installing, grouped by what is happening to them, each with its run,
// update and uninstall buttons or, while a job runs, its progress bar. Every
// row follows its application's status reports live.
//
// The rows reflect the application manager's maps as they were when the
// screen was built: a record added later gets no row until the screen is
// opened again, and a row whose record left a map stays.
class MyAppsScene : public Scene {
public:
    // Ids inside a row's control bar.
    enum ControlId : int32_t {
        RunButton = 10,
        UpdateButton = 11,
        UninstallButton = 12,
        RetryButton = 13,
        CancelButton = 14,
        Progress = 15,
    };
    static constexpr int32_t kControlBarId = 30;
    // The "Update all" button in the header of the installed group.
    static constexpr int32_t kUpdateAllId = 40;

    // `backText` names the screen below in the header: the main menu unless
    // a details page opened this one after an action.
    explicit MyAppsScene(SceneHost* host, std::u16string backText = std::u16string())
        : Scene(host), backText(std::move(backText)) {}
    ~MyAppsScene() override;

    void Build(const shared_ptr<GObject>& root) override;

    struct Row {
        shared_ptr<App> app;
        shared_ptr<widgets::RowButton> widget;
        MyAppRowState state;
        double progress = 0.0;
        // How the last job of a first installation ended, when it left
        // nothing on the device.
        MyAppFailure failure = MyAppFailure::None;
        bool detailsTap = false;
        // Out of the list for good; kept (and subscribed) so that the report
        // that dropped it is not pulled from under its own event.
        bool gone = false;
    };
    const std::vector<Row>& Rows() const { return rows; }
    // The list as shown: rows and section headers.
    const shared_ptr<GObject>& List() const { return list; }

    // A status report of the row's application (on the reporting thread,
    // under the UI lock).
    void OnAppStatus(GObject* row, App::AppStatusType kind, bool finished, double progress, bool success);

    // The applications whose rows offer an update now, in list order.
    std::vector<shared_ptr<App>> Updatable() const;

private:
    void AddRow(const shared_ptr<App>& app);
    shared_ptr<GObject> NewSectionHeader(MyAppGroup group);
    // Takes the row out of the list for good (a first installation the user
    // called off).
    void DropRow(Row& row);
    void FillControls(Row& row);
    void RefreshRow(Row& row);
    void Regroup();
    void AddDetailsTap(Row& row);
    Row* FindRow(const GObject* widget);
    void Unsubscribe(Row& row);

    void RefreshAll();

    std::u16string backText;
    shared_ptr<GObject> list;
    std::vector<Row> rows;
    // Last, so it goes first: no report after the rows are gone.
    ScopedSubscription managerChanges;
};

// Follows one row's application: forwards its status reports to the screen.
// Two are equal when they serve the same row, which is how a row's
// destruction finds the one to remove.
class MyApp_AppInfo : public Delegate_5<App*, App::AppStatusType, bool, double, bool> {
public:
    MyApp_AppInfo(GObject* row, MyAppsScene* scene) : row(row), scene(scene) {}
    bool Equals(const Delegate_5<App*, App::AppStatusType, bool, double, bool>& other) const override;
    void Invoke(App* app, App::AppStatusType kind, bool finished, double progress, bool success) override;

private:
    GObject* row;
    MyAppsScene* scene;
};

// Subscribed to a row's destruction: takes the row's MyApp_AppInfo off its
// application, which outlives the row.
class MyApp_Destroy : public Delegate_0 {
public:
    MyApp_Destroy(GObject* row, shared_ptr<App> app) : row(row), app(std::move(app)) {}
    void Invoke() override;

private:
    GObject* row;
    shared_ptr<App> app;
};
