#include "screens/AppActions.h"

#include "apps/AppManager.h"
#include "base/Text.h"
#include "core/Kestrum.h"
#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "net/ApiMethods.h"
#include "net/InetManager.h"
#include "net/NetServices.h"
#include "screens/ScreenText.h"

namespace appactions {

int32_t UpdateTemplate(const std::u16string& sysid) {
    return AppManager::Instance().GetRevision(sysid) == 0 ? kUpdateOverForeignTemplate : kUpdateTemplate;
}

std::u16string ConfirmationText(int32_t templateString, const std::u16string& appText, int32_t appId) {
    std::u16string message =
        screentext::ReplaceFirst(Localization::Instance().Text(templateString), u"--app--", appText);
    if (message.find(u"--size--") == std::u16string::npos) return message;
    const std::u16string size = InetManager::Instance().SizeQuery(api::DownloadSize(ApiContext::Current(), appId));
    return screentext::ReplaceFirst(message, u"--size--", size);
}

std::u16string UpdateAllText(const std::vector<shared_ptr<App>>& apps) {
    std::u16string message = screentext::ReplaceFirst(Localization::Instance().Text(kUpdateAllTemplate), u"--app--",
                                                      text::ToU16(static_cast<int64_t>(apps.size())));
    if (message.find(u"--size--") == std::u16string::npos) return message;
    int64_t total = 0;
    bool known = true;
    for (const auto& app : apps) {
        const std::u16string size =
            InetManager::Instance().SizeQuery(api::DownloadSize(ApiContext::Current(), app->id));
        known = known && !size.empty();
        if (!known) break;
        total += std::stoll(text::Utf16ToUtf8(size));
    }
    return screentext::ReplaceFirst(message, u"--size--", known ? text::ToU16(total) : std::u16string());
}

void Confirm(const std::u16string& message, std::function<void()> onYes) {
    net::Services().AskPopup(textid::kInfoTitle, message, textid::kYes, textid::kNo,
                             [onYes = std::move(onYes)](int answer) {
                                 if (answer == 0 && onYes) onYes();
                             });
}

shared_ptr<App> InstalledRecord(const std::u16string& sysid) {
    // Install names are registry key names, which ignore case.
    for (const auto& [name, app] : AppManager::Instance().Installed())
        if (text::EqualsIgnoreCase(name, sysid)) return app;
    return shared_ptr<App>();
}

void Run_Touch::Invoke(shared_ptr<GObject>& /*sender*/, const Touch& touch) {
    if (touch.type != Touch::Click) return;
    AppManager::Instance().Launch(app->sysid, app->exe);
}

}  // namespace appactions
