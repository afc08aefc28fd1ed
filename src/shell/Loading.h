#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "base/Singleton.h"
#include "base/shared_ptr.h"
#include "ui/GObject.h"

// The busy indicator: a count of what is running. Its layer shows exactly
// while the count is not zero. Every change starts the animation over at its
// first frame (while shown) and puts the current language's text on the label,
// so a language change since the last request shows up at once.
// Called with the UI lock held.
class Loading : public Singleton<Loading> {
public:
    static constexpr int32_t kTextString = 14;

    struct View {
        shared_ptr<GObject> layer;
        std::function<void()> restartAnimation;
        std::function<void(const std::u16string&)> setText;
    };
    // The shell registers the layer it built; Unregister before it goes.
    void Register(View view);
    void Unregister();

    void Raise();
    // A Lower without a matching Raise is ignored: the count never goes
    // below zero, or the indicator would stay hidden through the next request.
    void Lower();
    int32_t Count() const { return count; }
    bool IsShown() const { return count != 0; }

private:
    friend class Singleton<Loading>;
    Loading() = default;
    void Changed();

    int32_t count = 0;
    View view;
};
