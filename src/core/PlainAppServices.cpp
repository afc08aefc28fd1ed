#include "core/PlainAppServices.h"

void PlainAppServices::RaiseBusy() { ++busy; }

void PlainAppServices::LowerBusy() { --busy; }

void PlainAppServices::ReturnToSignIn() { ++returnsToSignIn; }

void PlainAppServices::ShowError(int32_t code) {
    std::lock_guard lock(recordLock);
    errors.push_back(code);
}

void PlainAppServices::AskPopup(int32_t title, const std::u16string& text, int32_t button1, int32_t button2,
                                std::function<void(int)> answer) {
    std::optional<int> now;
    {
        std::lock_guard lock(recordLock);
        popups.push_back({title, text, button1, button2});
        now = popupAnswer;
        if (!now) openPopups.push_back(std::move(answer));
    }
    // Answered outside the record lock: the answer may well ask again.
    if (now && answer) answer(*now);
}

void PlainAppServices::SetPopupAnswer(std::optional<int> answer) {
    std::lock_guard lock(recordLock);
    popupAnswer = answer;
}

size_t PlainAppServices::AnswerPopups(int answer) {
    std::vector<std::function<void(int)>> pending;
    {
        std::lock_guard lock(recordLock);
        pending.swap(openPopups);
    }
    // The application answers on its UI thread with the UI lock held.
    std::lock_guard uiGuard(uiLock);
    for (auto& callback : pending)
        if (callback) callback(answer);
    return pending.size();
}

std::vector<int32_t> PlainAppServices::Errors() const {
    std::lock_guard lock(recordLock);
    return errors;
}

std::vector<PlainAppServices::Popup> PlainAppServices::Popups() const {
    std::lock_guard lock(recordLock);
    return popups;
}

size_t PlainAppServices::OpenPopupCount() const {
    std::lock_guard lock(recordLock);
    return openPopups.size();
}
