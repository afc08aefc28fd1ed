#pragma once
#include <mutex>

#include "core/AppServices.h"

// The application services as the catalog client sees them. The application
// hands its services to Kestrum at start; a process that never did (a tool
// that only parses) gets the plain services, so the client never dereferences
// a missing application.
namespace net {

AppServices& Services();
std::recursive_mutex& UILock();

}  // namespace net
