#pragma once
#include <cstdint>

#include "net/HttpRequest.h"
#include "net/XMLResponse.h"

class SceneHost;

// What the screens do with the service's answer (the forms: sign-up,
// password recovery, review, feedback; the lists: applications, details,
// reviews). A failure shows the common error message; a success of the
// review and feedback forms shows their thank-you text, whose button leads
// back.
namespace formanswer {

// True when the request got an answer that `reply` reads as success (the
// caller's reader fills the caller's records); otherwise the error is
// already shown. A 203 returns to sign-in while the answer is read, which
// may end the calling scene: on false the caller touches nothing of itself.
inline bool Accepted(HttpRequest* request, bool ok, XMLResponse& reply) {
    if (!ok) {
        XMLResponse::ShowError(XMLResponse::kNoAnswer);
        return false;
    }
    const int32_t code = reply.Parse(request->Data(), request->Size());
    if (code != XMLResponse::kSuccess) {
        XMLResponse::ShowError(code);
        return false;
    }
    return true;
}

// The same for an answer whose content the caller does not need.
template <class Answer = XMLResponse_Rate>
bool Accepted(HttpRequest* request, bool ok) {
    Answer reply;
    return Accepted(request, ok, reply);
}

void ThankAndGoBack(SceneHost* host, int32_t thanksText);

}  // namespace formanswer
