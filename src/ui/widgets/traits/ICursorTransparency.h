#pragma once

// The blinking text cursor's transparency, which the cursor animation drives.
class ICursorTransparency {
public:
    virtual ~ICursorTransparency() = default;
    virtual int GetCursorTransparency() const = 0;
    virtual void SetCursorTransparency(int value) = 0;
};
