// tobrixctl store ...: the real application manager without screens, against
// a catalog service and an emulated device. Every job report is printed as a
// JSON line as it happens, the final state last.
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "Command.h"
#include "apps/AppManager.h"
#include "apps/HeadlessStore.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "core/PlainAppServices.h"
#include "i18n/Localization.h"
#include "net/ApiUrl.h"
#include "net/InetManager.h"
#include "net/NetServices.h"
#include "platform/device/DeviceRoot.h"
#include "platform/files/Files.h"

namespace tobrixctl {
namespace {

using nlohmann::json;

struct StoreOptions {
    std::string base, deviceRoot, login, password, localization, target;
    bool yes = false, no = false, keepOnCard = false;
    int timeoutSeconds = 300;
};

const char* KindName(App::AppStatusType kind) {
    switch (kind) {
        case App::StatusInstall: return "install";
        case App::StatusDetails: return "details";
        case App::StatusDownload: return "download";
        case App::StatusUninstall: return "uninstall";
    }
    return "?";
}

// Popups are answered from the command line, and shown on the way.
class CommandLineServices : public PlainAppServices {
public:
    void AskPopup(int32_t title, const std::u16string& text, int32_t button1, int32_t button2,
                  std::function<void(int)> answer) override {
        PrintJson({{"event", "popup"}, {"title", title}, {"text", U8(text)}, {"answer", yes ? 0 : 1}});
        PlainAppServices::AskPopup(title, text, button1, button2, std::move(answer));
    }
    void ShowError(int32_t code) override {
        PrintJson({{"event", "error"}, {"code", code}});
        PlainAppServices::ShowError(code);
    }
    bool yes = false;
};

class StoreRun {
public:
    explicit StoreRun(const StoreOptions& o) : options(o) {
        std::string error;
        auto device = platform::DeviceRoot::Open(o.deviceRoot, &error);
        if (!device) throw CommandError(error);
        platform::SetCurrentDevice(*device);
        LoadLocalization();
        services.yes = o.yes && !o.no;
        services.SetPopupAnswer(services.yes ? 0 : 1);
        Kestrum& store = Kestrum::Instance();
        store.Reset();
        store.SetApplication(&services);
        if (auto settings = platform::HostPathOf(Kestrum::kSettingsDevicePath); settings && platform::IsFile(Kestrum::kSettingsDevicePath))
            store.LoadSettings(*settings);
        if (o.keepOnCard) store.keepPackagesOnCard = 1;
        SetCatalogBaseUrl(text::Utf8ToUtf16(o.base));

        AppManager& manager = AppManager::Instance();
        manager.Reset();
        SubscribeFn(manager.InstalledChanged, [this](const shared_ptr<App>& app, bool added) {
            PrintJson({{"event", added ? "installed" : "removed"}, {"sysid", U8(app->sysid)}});
            if (added) Watch(app);
        });
        SubscribeFn(manager.UpdatesChanged, [&manager] {
            PrintJson({{"event", "updates"}, {"count", manager.UpdateCount()}});
        });
    }

    ~StoreRun() {
        AppManager::Instance().Reset();  // drops our handlers while the services still exist
        Kestrum::Instance().SetApplication(nullptr);
    }

    void Watch(const shared_ptr<App>& app) {
        SubscribeFn(app->StatusChanged, [this](App* a, App::AppStatusType kind, bool finished, double progress,
                                               bool success) {
            PrintJson({{"event", "status"}, {"sysid", U8(a->sysid)}, {"kind", KindName(kind)}, {"finished", finished},
                       {"progress", progress}, {"success", success}});
            if (finished) lastResult[kind] = success;
        });
    }

    // Until no request, download, install or uninstall is left.
    void WaitForJobs() {
        if (!AppManager::Instance().WaitUntilQuiet(std::chrono::seconds(options.timeoutSeconds)))
            throw CommandError("the jobs did not end in time");
    }

    shared_ptr<App> InstalledRecord(const std::string& sysid) {
        std::lock_guard ui(net::UILock());
        auto& installed = AppManager::Instance().Installed();
        auto it = installed.find(text::Utf8ToUtf16(sysid));
        if (it == installed.end()) throw CommandError("not installed: " + sysid);
        Watch(it->second);
        return it->second;
    }

    // The catalog data of an installed record, by its install name.
    void Join(const shared_ptr<App>& app) {
        app->RequestDetails();
        WaitForJobs();
    }

    bool Succeeded(App::AppStatusType kind) {
        std::lock_guard ui(net::UILock());
        auto it = lastResult.find(kind);
        return it != lastResult.end() && it->second;
    }

    void PrintState() {
        std::lock_guard ui(net::UILock());
        AppManager& manager = AppManager::Instance();
        json installed = json::array(), downloading = json::array();
        for (const auto& [sysid, app] : manager.Installed())
            installed.push_back({{"sysid", U8(sysid)}, {"name", U8(app->name)}, {"company", U8(app->company)},
                                 {"inCatalog", app->inCatalog}, {"id", app->id}, {"version", U8(app->version)},
                                 {"catalogRevision", app->revision}, {"installedRevision", manager.GetRevision(sysid)}});
        for (const auto& [sysid, app] : manager.Downloading()) downloading.push_back(U8(sysid));
        PrintJson({{"event", "state"}, {"installed", installed}, {"downloading", downloading},
                   {"updateCount", manager.UpdateCount()}});
    }

    const StoreOptions& options;

private:
    void LoadLocalization() {
        std::string file = options.localization;
        if (file.empty()) {
            auto onDevice = platform::HostPathOf(AppManager::ProgramFolder() + u"localization.xml");
            if (onDevice && std::filesystem::exists(*onDevice)) file = onDevice->string();
        }
        if (!file.empty()) Localization::Instance().Load(file);
    }

public:
    void SignIn() {
        int32_t code = apps::SignIn(text::Utf8ToUtf16(options.login), text::Utf8ToUtf16(options.password));
        PrintJson({{"event", "auth"}, {"code", code}});
        if (code != 0) throw CommandError("sign-in failed with result " + std::to_string(code));
        code = apps::SendConfig();
        PrintJson({{"event", "config"}, {"code", code}});
        if (code != 0) throw CommandError("the catalog refused the device configuration: " + std::to_string(code));
    }

private:
    CommandLineServices services;
    std::map<int, bool> lastResult;
};

void AddCommon(OptionParser& cmd, StoreOptions& o) {
    cmd.Add("--base", o.base, "Base URL of the catalog service").Required();
    cmd.Add("--device-root", o.deviceRoot, "Device root of the emulated handheld").Required();
    cmd.Add("--login", o.login, "Account login").Required();
    cmd.Add("--password", o.password, "Account password").Required();
    cmd.Add("--localization", o.localization, "localization.xml (default: the one in the program folder)");
    cmd.AddFlag("--yes", o.yes, "Answer popup questions with the first button");
    cmd.AddFlag("--no", o.no, "Answer popup questions with the second button (the default)");
    cmd.AddFlag("--keep-on-card", o.keepOnCard, "Keep installed packages on the storage card");
    cmd.Add("--timeout", o.timeoutSeconds, "Seconds to wait for the jobs (default 300)");
}

void Installed(StoreRun& run) {
    std::vector<shared_ptr<App>> apps;
    {
        std::lock_guard ui(net::UILock());
        for (const auto& [sysid, app] : AppManager::Instance().Installed()) apps.push_back(app);
    }
    for (const auto& app : apps) {
        run.Watch(app);
        app->RequestDetails();
    }
    run.WaitForJobs();
}

void Install(StoreRun& run) {
    int32_t id = 0;
    if (!text::ParseInt(run.options.target, id)) throw CommandError("APPID is a number");
    shared_ptr<App> app;
    int32_t code = apps::FetchApp(id, app);
    if (code != 0) throw CommandError("no such application: result " + std::to_string(code));
    run.Watch(app);
    AppManager::Instance().AddDownload(app);
    run.WaitForJobs();
    if (!run.Succeeded(App::StatusDownload) || !run.Succeeded(App::StatusInstall)) {
        run.PrintState();
        throw CommandError("the installation failed");
    }
}

void Update(StoreRun& run) {
    shared_ptr<App> app = run.InstalledRecord(run.options.target);
    run.Join(app);
    if (!app->inCatalog) throw CommandError("the catalog does not list " + run.options.target);
    AppManager::Instance().StartUpdate(app.get());
    run.WaitForJobs();
    if (!run.Succeeded(App::StatusInstall)) {
        run.PrintState();
        throw CommandError("the update failed");
    }
}

void Uninstall(StoreRun& run) {
    shared_ptr<App> app = run.InstalledRecord(run.options.target);
    app->Uninstall();
    run.WaitForJobs();
    if (!run.Succeeded(App::StatusUninstall)) {
        run.PrintState();
        throw CommandError("the removal failed");
    }
}

void Launch(StoreRun& run) {
    shared_ptr<App> app = run.InstalledRecord(run.options.target);
    run.Join(app);
    AppManager& manager = AppManager::Instance();
    std::u16string path = manager.FindExecutable(app->sysid, app->exe);
    PrintJson({{"event", "launch"}, {"path", U8(path)}});
    manager.Launch(app->sysid, app->exe);
    if (path.empty()) throw CommandError("no program to start for " + run.options.target);
}

void CheckUpdates(StoreRun& run) {
    {
        std::lock_guard ui(net::UILock());
        for (const auto& [sysid, app] : AppManager::Instance().Installed()) run.Watch(app);
    }
    AppManager::Instance().CheckForUpdates();
    run.WaitForJobs();
}

void SetupStoreCommand(OptionParser& root) {
    auto& store = root.AddCommand("store", "Run the application manager against a catalog and a device");
    store.RequireCommand();
    struct Sub {
        const char* name;
        const char* help;
        const char* target;  // positional argument, or null
        void (*run)(StoreRun&);
    };
    static const Sub kSubs[] = {
        {"installed", "List the installed packages joined to the catalog", nullptr, Installed},
        {"install", "Download and install an application of the catalog", "APPID", Install},
        {"update", "Update an installed package to the catalog's revision", "SYSID", Update},
        {"uninstall", "Remove an installed package", "SYSID", Uninstall},
        {"launch", "Start an installed package's program", "SYSID", Launch},
        {"check-updates", "Count the installed packages with a newer catalog revision", nullptr, CheckUpdates},
    };
    for (const auto& sub : kSubs) {
        auto options = std::make_shared<StoreOptions>();
        auto& cmd = store.AddCommand(sub.name, sub.help);
        AddCommon(cmd, *options);
        if (sub.target) cmd.Add(sub.target, options->target, sub.target).Required();
        cmd.OnChosen([options, run = sub.run] {
            StoreRun session(*options);
            session.SignIn();
            run(session);
            session.WaitForJobs();
            session.PrintState();
        });
    }
}

}  // namespace

TOBRIXCTL_COMMAND(SetupStoreCommand);

}  // namespace tobrixctl
