#pragma once
#include <string>
#include <thread>

#include "apps/JobEnd.h"
#include "base/Delegate.h"
#include "net/App.h"

// One uninstall job: the provisioning processor asked to remove a package.
class UninstallRequest : public AppJob {
public:
    explicit UninstallRequest(std::u16string sysid) : sysid(std::move(sysid)) {}

    std::u16string sysid;
    Delegation_2<UninstallRequest*, bool> Done;
    std::thread worker;

    // Starts the worker; the uninstall queue calls it for its head job.
    void Start(apps::JobOwner<UninstallRequest> owner);
    // The one-line provisioning document that removes `sysid`. The name is
    // escaped: it comes from the network and must stay one attribute value.
    static std::u16string ProvisioningDocument(std::u16string_view sysid);

private:
    void Work();

    apps::JobOwner<UninstallRequest> owner;
};
