#include "net/NetServices.h"

#include "core/Kestrum.h"

namespace net {
namespace {

class Fallback : public AppServices {
public:
    std::recursive_mutex& UILock() override { return lock; }
    void RaiseBusy() override {}
    void LowerBusy() override {}
    void ReturnToSignIn() override {}
    void ShowError(int32_t) override {}
    void AskPopup(int32_t, const std::u16string&, int32_t, int32_t, std::function<void(int)>) override {}

private:
    std::recursive_mutex lock;
};

}  // namespace

AppServices& Services() {
    static Fallback fallback;
    AppServices* app = Kestrum::Instance().GetApplication();
    return app ? *app : fallback;
}

std::recursive_mutex& UILock() { return Services().UILock(); }

}  // namespace net
