// The framework canvas a paint box or a graph object draws on.
#pragma once

namespace platform {

class Canvas {
public:
    virtual ~Canvas() = default;
    // Held while a graph object draws, so that nothing else uses the canvas in between.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

}  // namespace platform
