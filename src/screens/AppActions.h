#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Delegate.h"
#include "net/App.h"
#include "ui/GObject.h"
#include "ui/Touch.h"

// What the details and My applications screens do to an application, once
// the user has agreed: both ask the same questions the same way.
namespace appactions {

constexpr int32_t kInstallTemplate = 11009;
constexpr int32_t kUninstallTemplate = 11006;
constexpr int32_t kUpdateTemplate = 11007;
constexpr int32_t kUpdateOverForeignTemplate = 11014;
constexpr int32_t kUpdateAllTemplate = 11021;

// The update question: a package the store did not install itself (no
// recorded revision) is replaced rather than updated, and is told so.
int32_t UpdateTemplate(const std::u16string& sysid);

// The template's first "--app--" becomes `appText`; its first "--size--",
// if any, the package size in kilobytes, asked of the service there and then
// (empty when the service does not say). Only templates naming the size
// wait for the service; the wait is bounded by the transport.
std::u16string ConfirmationText(int32_t templateString, const std::u16string& appText, int32_t appId);

// The question before updating several applications at once: the template's
// "--app--" becomes their number, its "--size--" the sum of their package
// sizes in kilobytes (empty when the service does not tell one of them).
std::u16string UpdateAllText(const std::vector<shared_ptr<App>>& apps);

// Asks (title 8, buttons 1 and 2); `onYes` runs on the first button only.
void Confirm(const std::u16string& message, std::function<void()> onYes);

// The installed record of a package, or null.
shared_ptr<App> InstalledRecord(const std::u16string& sysid);

// Starts the application at once; a tap of any other kind does nothing.
// Holds its App, so it stays valid however long the row lives.
class Run_Touch : public Delegate_2<shared_ptr<GObject>&, const Touch&> {
public:
    explicit Run_Touch(shared_ptr<App> app) : app(std::move(app)) {}
    void Invoke(shared_ptr<GObject>& sender, const Touch& touch) override;

private:
    shared_ptr<App> app;
};

}  // namespace appactions

// The two screens' run buttons behave alike.
using AppDetailsRun_Touch = appactions::Run_Touch;
using MyAppRun_Touch = appactions::Run_Touch;
