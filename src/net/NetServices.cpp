#include "net/NetServices.h"

#include "core/Kestrum.h"
#include "core/PlainAppServices.h"

namespace net {
AppServices& Services() {
    static PlainAppServices fallback;
    AppServices* app = Kestrum::Instance().GetApplication();
    return app ? *app : fallback;
}

std::recursive_mutex& UILock() { return Services().UILock(); }

}  // namespace net
