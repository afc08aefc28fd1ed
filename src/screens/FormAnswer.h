#pragma once
#include <cstdint>

#include "net/HttpRequest.h"
#include "net/XMLResponse.h"

class SceneHost;

// What the forms (sign-up, password recovery, review, feedback) do with the
// service's answer. A failure shows the common error message; a success of
// the review and feedback forms shows their thank-you text, whose button
// leads back.
namespace formanswer {

// True when the request got an answer that reads as success (as `Answer`
// reads it); otherwise the error is already shown.
template <class Answer = XMLResponse_Rate>
bool Accepted(HttpRequest* request, bool ok) {
    if (!ok) {
        XMLResponse::ShowError(XMLResponse::kNoAnswer);
        return false;
    }
    Answer reply;
    const int32_t code = reply.Parse(request->Data(), request->Size());
    if (code != XMLResponse::kSuccess) {
        XMLResponse::ShowError(code);
        return false;
    }
    return true;
}
void ThankAndGoBack(SceneHost* host, int32_t thanksText);

}  // namespace formanswer
