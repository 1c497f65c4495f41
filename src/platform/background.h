#pragma once
#include <functional>

namespace platform {

// Work that may never come back (a graph whose decoder hangs, media on a share
// that does not answer) runs off the window's thread, so that input still
// ends the saver meanwhile.
class Background {
public:
    virtual ~Background() = default;
    // Runs work on a thread of its own; the window's WaitForInput wakes when
    // it has returned. One piece of work at a time.
    virtual void Start(std::function<void()> work) = 0;
    // True once the work has returned; everything it wrote is then visible.
    virtual bool Finished() = 0;
};

}  // namespace platform
