#include "screens/FormAnswer.h"

#include "i18n/Localization.h"
#include "net/NetServices.h"
#include "ui/scenes/SceneHost.h"

namespace formanswer {

namespace {
constexpr int32_t kInfoTitle = 8;
constexpr int32_t kOk = 0;
}  // namespace

void ThankAndGoBack(SceneHost* host, int32_t thanksText) {
    net::Services().AskPopup(kInfoTitle, Localization::Instance().Text(thanksText), kOk, 0,
                             [host](int) { host->Back(); });
}

}  // namespace formanswer
