#pragma once

// An object that shows the key highlight in its own way as well as by the
// frame round it: a link takes its pressed colour, which its background was
// chosen for (a header's light grey link turns white on the blue bar).
class IKeyLit {
public:
    virtual ~IKeyLit() = default;
    virtual void ShowKeyLit(bool lit) = 0;
};
