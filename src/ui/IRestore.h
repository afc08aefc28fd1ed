#pragma once

// Implemented by scroll views: brings the scroll position back into range
// (after a drag, a fling or a change of the content's height). True when it
// started a correction.
class IRestore {
public:
    virtual ~IRestore() = default;
    virtual bool Restore() = 0;
};
