#pragma once

struct Key;

// An object that is typed into while it has the keyboard focus (the one-line
// and the multi-line text boxes). The key highlight gives it the focus when
// it lands on it and takes it away when it leaves.
class ITextInput {
public:
    virtual ~ITextInput() = default;
    // Whether the box, while focused, uses this arrow or Enter itself (moving
    // its cursor, ending the input, breaking a line). The keys it leaves move
    // the highlight on.
    virtual bool KeepsKey(const Key& key) const = 0;
};
