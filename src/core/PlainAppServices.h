#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/AppServices.h"

// The application services without a user interface, for tests and tools: a
// real re-entrant UI lock, a counted busy indicator, and a record of every
// return to sign-in, error message and popup box. Popups are answered at once
// with a preset answer, or kept open until AnswerPopups() when none is set.
// Everything here may be called from any thread.
class PlainAppServices : public AppServices {
public:
    struct Popup {
        int32_t title = 0;
        std::u16string text;
        int32_t button1 = 0;
        int32_t button2 = 0;
    };

    std::recursive_mutex& UILock() override { return uiLock; }
    void RaiseBusy() override;
    void LowerBusy() override;
    void ReturnToSignIn() override;
    void ShowError(int32_t code) override;
    void AskPopup(int32_t title, const std::u16string& text, int32_t button1, int32_t button2,
                  std::function<void(int)> answer) override;

    // Nullopt keeps popups open until AnswerPopups() is called.
    void SetPopupAnswer(std::optional<int> answer);
    // Answers every popup still open, oldest first; returns how many.
    size_t AnswerPopups(int answer);

    int32_t BusyCount() const { return busy.load(); }
    int32_t ReturnToSignInCount() const { return returnsToSignIn.load(); }
    std::vector<int32_t> Errors() const;
    std::vector<Popup> Popups() const;
    size_t OpenPopupCount() const;

private:
    std::recursive_mutex uiLock;
    std::atomic<int32_t> busy{0};
    std::atomic<int32_t> returnsToSignIn{0};

    mutable std::mutex recordLock;  // guards the members below
    std::vector<int32_t> errors;
    std::vector<Popup> popups;
    std::optional<int> popupAnswer = 0;
    std::vector<std::function<void(int)>> openPopups;
};
