#pragma once
#include <cstdint>

#include "base/Delegate.h"
#include "base/Singleton.h"
#include "ui/Rect.h"

class BaseApplication;

// Shows and hides the soft input panel for text entry. A text box that gains
// the focus calls Show with its own y position and height, so that whoever
// listens to `shown` (the shell) can move it above the panel. Mode 0 is the
// platform's panel; any other mode is a custom input area a subscriber of
// `customRequested` describes (the numeric text box).
class InputManager : public Singleton<InputManager> {
public:
    Delegation_3<int, int, const Rect&> shown;
    Delegation_0 hidden;
    Delegation_1<Rect&> customRequested;
    Delegation_0 customHidden;

    void Show(int y, int height, int mode);
    void Hide();
    void SetApplication(BaseApplication* app) { application = app; }
    BaseApplication* GetApplication() const { return application; }
    bool IsVisible() const { return visible; }
    std::uint8_t GetMode() const { return mode; }

private:
    friend class Singleton<InputManager>;
    InputManager() = default;

    bool visible = false;
    BaseApplication* application = nullptr;
    std::uint8_t mode = 0;
};
