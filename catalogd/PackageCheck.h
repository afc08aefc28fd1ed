#pragma once
#include <string>

namespace catalogd {

// Refuses, with a PublishError that says why, a cabinet (its bytes) the
// catalog must not offer as application `sysid`'s package: one that installs
// under another install name, and one that reaches into the store's own places
// or brings a setup extension without being the store's own package. The rule is the device installer's own
// (emulator/pkg/PackagePolicy.h), so what is published also installs.
void CheckPublishedCabinet(const std::string& cabinet, const std::string& sysid);

}  // namespace catalogd
