#pragma once
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

// The few things the store logic (catalog client, application manager) needs
// from the application: they never include the UI, they are handed this.
class AppServices {
public:
    virtual ~AppServices() = default;

    // The application's critical section: held by the UI thread for each
    // message, taken by workers before they fire events or touch shared state.
    virtual std::recursive_mutex& UILock() = 0;
    // Busy indicator up/down (counted: each Raise is matched by one Lower).
    virtual void RaiseBusy() = 0;
    virtual void LowerBusy() = 0;
    // Result code 203: the session is gone, go back to the sign-in screen.
    virtual void ReturnToSignIn() = 0;
    // The common error message: title string 7, the text numbered like the
    // code, one button string 0.
    virtual void ShowError(int32_t code) = 0;
    // A popup box (title, text, first button, second button) given by string
    // numbers, with the text already filled in; `answer` receives 0 for the
    // first button, 1 for the second. Called under the UI lock.
    virtual void AskPopup(int32_t title, const std::u16string& text, int32_t button1, int32_t button2,
                          std::function<void(int)> answer) = 0;
};
