#pragma once
#include <mutex>

#include "core/AppServices.h"

// The application services as the catalog client sees them. The application
// hands its services to Kestrum at start; a process that never did (a tool
// that only parses) still gets a lock and harmless no-ops, so the client never
// dereferences a missing application.
namespace net {

AppServices& Services();
std::recursive_mutex& UILock();

}  // namespace net
