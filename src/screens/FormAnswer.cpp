#include "screens/FormAnswer.h"

#include "i18n/Localization.h"
#include "i18n/TextIds.h"
#include "net/NetServices.h"
#include "ui/scenes/SceneHost.h"

namespace formanswer {

void ThankAndGoBack(SceneHost* host, int32_t thanksText) {
    net::Services().AskPopup(textid::kInfoTitle, Localization::Instance().Text(thanksText), textid::kOk, 0,
                             [host](int) { host->Back(); });
}

}  // namespace formanswer
