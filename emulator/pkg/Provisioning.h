#pragma once
#include <string>
#include <string_view>

#include "pkg/PackageInstaller.h"

// The device's provisioning-document processor, as far as packages go: an
// "UnInstall" characteristic names packages by their install name, and each
// one whose parm "uninstall" is "1" is removed.
namespace pkg {

enum class ProvisionStatus { Ok = 0, Failed = 1, BadDocument = 2 };

struct ProvisionOutcome {
    ProvisionStatus status = ProvisionStatus::Ok;
    std::string resultDocument;  // the request with a "status" parm per package
    std::string message;         // what went wrong, for people
};

ProvisionOutcome ProcessProvisioningDocument(std::string_view document, const ProgressFn& progress = {});

}  // namespace pkg
