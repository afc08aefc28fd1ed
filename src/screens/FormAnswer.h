#pragma once
#include <cstdint>

class HttpRequest;
class SceneHost;

// What the review and feedback forms do with the service's answer: both are
// plain result answers. A failure shows the common error message; a success
// shows the form's thank-you text, whose button leads back.
namespace formanswer {

// True when the service took the text; otherwise the error is already shown.
bool Accepted(HttpRequest* answer, bool ok);
void ThankAndGoBack(SceneHost* host, int32_t thanksText);

}  // namespace formanswer
