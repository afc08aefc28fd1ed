#include "apps/UninstallRequest.h"

#include "apps/InstallKeys.h"
#include "apps/PackageNames.h"
#include "net/NetServices.h"
#include "platform/shell/Shell.h"

std::u16string UninstallRequest::ProvisioningDocument(std::u16string_view sysid) {
    static const std::u16string_view kSeparator = u"\t\t";
    std::u16string doc;
    doc += u"<wap-provisioningdoc>";
    doc += kSeparator;
    doc += u"<characteristic type=\"UnInstall\">";
    doc += kSeparator;
    doc += u"<characteristic type=\"" + apps::XmlEscape(sysid) + u"\">";
    doc += kSeparator;
    doc += u"<parm name=\"uninstall\" value=\"1\" />";
    doc += kSeparator;
    doc += u"</characteristic>";
    doc += kSeparator;
    doc += u"</characteristic>";
    doc += kSeparator;
    doc += u"</wap-provisioningdoc>";
    return doc;
}

void UninstallRequest::Start(apps::JobOwner<UninstallRequest> queue) {
    owner = std::move(queue);
    worker = std::thread([this] { Work(); });
}

void UninstallRequest::Work() {
    // A sysid that could name another key is never removed.
    const bool safe = apps::IsSafeSysid(sysid);
    const int32_t status = safe ? platform::ProcessProvisioningDocument(ProvisioningDocument(sysid), 1) : -1;
    {
        // Screens read the flag under the UI lock; so is it written.
        std::lock_guard ui(net::UILock());
        pending = false;
    }
    apps::EndJob(this, safe && status >= 0 && !apps::IsInstalled(sysid), owner);
}
