#include "screens/FormAnswer.h"

#include "i18n/Localization.h"
#include "net/HttpRequest.h"
#include "net/NetServices.h"
#include "net/XMLResponse.h"
#include "ui/scenes/SceneHost.h"

namespace formanswer {

namespace {
constexpr int32_t kInfoTitle = 8;
constexpr int32_t kOk = 0;
}  // namespace

bool Accepted(HttpRequest* answer, bool ok) {
    if (!ok) {
        XMLResponse::ShowError(XMLResponse::kNoAnswer);
        return false;
    }
    XMLResponse_Rate reply;
    const int32_t code = reply.Parse(answer->Data(), answer->Size());
    if (code != XMLResponse::kSuccess) {
        XMLResponse::ShowError(code);
        return false;
    }
    return true;
}

void ThankAndGoBack(SceneHost* host, int32_t thanksText) {
    net::Services().AskPopup(kInfoTitle, Localization::Instance().Text(thanksText), kOk, 0,
                             [host](int) { host->Back(); });
}

}  // namespace formanswer
